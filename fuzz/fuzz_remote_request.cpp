// Requests to the remote-control service and its configuration file. The
// input is "METHOD PATH\n" then the body (a request), or, when it starts with
// '#', a configuration. A parsed call carries only values inside their
// parameters' ranges; every refusal has a code and an error status; a parsed
// configuration never listens outside loopback without a token.

#include <string>

#include "fuzz_check.h"
#include "remote/api_request.h"
#include "remote/remote_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (!input.empty() && input[0] == '#') {
        const auto r = zef::remote::ParseConfig(input);
        FUZZ_CHECK(r.config.has_value() == r.errors.empty());
        if (r.config) FUZZ_CHECK(zef::remote::IsLoopbackHost(r.config->listenHost) || !r.config->tokens.empty());
        return 0;
    }
    const auto line = input.find('\n');
    const std::string head = input.substr(0, line);
    const auto space = head.find(' ');
    const std::string method = head.substr(0, space);
    const std::string path = space == std::string::npos ? "" : head.substr(space + 1);
    const QByteArray body = line == std::string::npos ? QByteArray() : QByteArray::fromStdString(input.substr(line + 1));
    const auto parsed = zef::remote::ParseApiRequest(method, path, body);
    if (const auto* e = std::get_if<zef::remote::ApiError>(&parsed)) {
        FUZZ_CHECK(e->status >= 400 && e->status < 600 && !e->code.empty() && !e->message.empty());
        return 0;
    }
    const auto& call = std::get<zef::remote::ApiCall>(parsed);
    for (const zef::ParameterValue& v : call.values) {
        FUZZ_CHECK(v.parameter.description != nullptr);
        FUZZ_CHECK(v.value >= v.parameter.description->min && v.value <= v.parameter.description->max);
    }
    FUZZ_CHECK(call.presetSlot >= 0 && call.presetSlot <= 2);
    return 0;
}
