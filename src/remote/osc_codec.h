#pragma once
// OSC messages as bytes, through liblo: a datagram decoded into a path and
// its arguments, and a message encoded for sending. Only the argument types
// a control surface sends are kept (int32, int64, float, double, string,
// symbol, true, false); a message with any other type, a bundle, or bytes
// that are no OSC message decode to nothing.
#include <QByteArray>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace zef::remote {

using OscArg = std::variant<std::int64_t, double, std::string, bool>;

struct OscMessage {
    std::string path;
    std::vector<OscArg> args;
    bool operator==(const OscMessage&) const = default;
};

inline constexpr std::size_t kMaxOscDatagram = 8192;

std::optional<OscMessage> DecodeOsc(std::span<const std::uint8_t> datagram);
// Integers go as int32 when they fit, numbers as float32 (what consoles
// read), strings as strings, booleans as T/F.
QByteArray EncodeOsc(const OscMessage& message);

}  // namespace zef::remote
