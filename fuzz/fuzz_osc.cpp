// OSC datagrams to the remote-control service: decoded by liblo, then read as
// an address of the service. A decoded message encodes back to bytes that
// decode to the same message (strings, integers and booleans exactly); a
// parsed set carries a value inside its parameter's range.

#include "fuzz_check.h"
#include "remote/osc_codec.h"
#include "remote/osc_request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto m = zef::remote::DecodeOsc(FuzzBytes(data, size));
    if (!m) return 0;
    FUZZ_CHECK(!m->path.empty() && m->path[0] == '/');
    const QByteArray again = zef::remote::EncodeOsc(*m);
    const auto back = zef::remote::DecodeOsc(
        {reinterpret_cast<const std::uint8_t*>(again.data()), static_cast<std::size_t>(again.size())});
    if (static_cast<std::size_t>(again.size()) <= zef::remote::kMaxOscDatagram) {
        FUZZ_CHECK(back && back->path == m->path && back->args.size() == m->args.size());
        for (std::size_t i = 0; i < m->args.size(); ++i) {
            if (const auto* d = std::get_if<double>(&m->args[i])) {
                // Numbers travel as 32-bit floats.
                const double b = std::get<double>(back->args[i]);
                FUZZ_CHECK(static_cast<float>(*d) == static_cast<float>(b) || (b != b && *d != *d));
            } else {
                FUZZ_CHECK(back->args[i] == m->args[i]);
            }
        }
    }
    const auto parsed = zef::remote::ParseOscRequest(*m);
    if (const auto* call = std::get_if<zef::remote::OscCall>(&parsed)) {
        for (const zef::ParameterValue& v : call->call.values)
            FUZZ_CHECK(v.value >= v.parameter.description->min && v.value <= v.parameter.description->max);
    } else {
        FUZZ_CHECK(!std::get<zef::remote::ApiError>(parsed).code.empty());
    }
    return 0;
}
