#include "osc_codec.h"

#include <lo/lo.h>

#include <cstring>
#include <limits>
#include <memory>

namespace zef::remote {

namespace {

struct MessageFree {
    void operator()(lo_message m) const { lo_message_free(m); }
};
using Message = std::unique_ptr<std::remove_pointer_t<lo_message>, MessageFree>;

// liblo's argument pointers lie inside the message on 4-byte boundaries,
// not aligned for its union: every value is copied out or read as bytes,
// never through a member of the union.
template <typename T>
T Read(const lo_arg* a) {
    T v{};
    std::memcpy(&v, a, sizeof v);
    return v;
}

std::optional<OscArg> ArgOf(char type, const lo_arg* a) {
    switch (type) {
        case LO_INT32:
            return std::int64_t{Read<std::int32_t>(a)};
        case LO_INT64:
            return Read<std::int64_t>(a);
        case LO_FLOAT:
            return double{Read<float>(a)};
        case LO_DOUBLE:
            return Read<double>(a);
        case LO_STRING:
        case LO_SYMBOL:
            return std::string(reinterpret_cast<const char*>(a));
        case LO_TRUE:
            return true;
        case LO_FALSE:
            return false;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<OscMessage> DecodeOsc(std::span<const std::uint8_t> datagram) {
    if (datagram.empty() || datagram.size() > kMaxOscDatagram || datagram[0] != '/') return std::nullopt;
    std::vector<std::uint8_t> data(datagram.begin(), datagram.end());
    int result = 0;
    const Message m(lo_message_deserialise(data.data(), data.size(), &result));
    if (!m || result != 0) return std::nullopt;
    OscMessage out;
    // The path was checked by the deserialisation: a terminated string inside the data.
    out.path.assign(reinterpret_cast<const char*>(data.data()), strnlen(reinterpret_cast<const char*>(data.data()), data.size()));
    const char* types = lo_message_get_types(m.get());
    lo_arg** argv = lo_message_get_argv(m.get());
    const int argc = lo_message_get_argc(m.get());
    for (int i = 0; i < argc; ++i) {
        const auto arg = ArgOf(types[i], argv[i]);
        if (!arg) return std::nullopt;
        out.args.push_back(*arg);
    }
    return out;
}

QByteArray EncodeOsc(const OscMessage& message) {
    const Message m(lo_message_new());
    for (const OscArg& a : message.args) {
        if (const auto* i = std::get_if<std::int64_t>(&a)) {
            if (*i >= std::numeric_limits<std::int32_t>::min() && *i <= std::numeric_limits<std::int32_t>::max())
                lo_message_add_int32(m.get(), static_cast<std::int32_t>(*i));
            else
                lo_message_add_int64(m.get(), *i);
        } else if (const auto* d = std::get_if<double>(&a)) {
            lo_message_add_float(m.get(), static_cast<float>(*d));
        } else if (const auto* s = std::get_if<std::string>(&a)) {
            lo_message_add_string(m.get(), s->c_str());
        } else {
            std::get<bool>(a) ? lo_message_add_true(m.get()) : lo_message_add_false(m.get());
        }
    }
    std::size_t size = 0;
    void* bytes = lo_message_serialise(m.get(), message.path.c_str(), nullptr, &size);
    if (!bytes) return {};
    QByteArray out(static_cast<const char*>(bytes), static_cast<qsizetype>(size));
    std::free(bytes);
    return out;
}

}  // namespace zef::remote
