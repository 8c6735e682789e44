#include "protocol/boot_protocol.h"

#include <algorithm>

namespace zef::boot {
namespace {

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::uint32_t Be32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) << 24 | static_cast<std::uint32_t>(b[at + 1]) << 16 |
           static_cast<std::uint32_t>(b[at + 2]) << 8 | static_cast<std::uint32_t>(b[at + 3]);
}

}  // namespace

std::vector<std::uint8_t> EnterFrame() {
    std::vector<std::uint8_t> f(kEnterFrameSize, 0);
    f[0] = 0xF0;
    f[1] = 0x21;
    f[3] = kEnterCommand;
    std::copy(kEnterMagic.begin(), kEnterMagic.end(), f.begin() + 4);
    f[12] = 0xF7;
    return f;
}

EnterAnswer ParseEnterReply(std::span<const std::uint8_t> reply) {
    if (reply.size() != kEnterFrameSize || reply[0] != 0xF0 || reply[1] != 0x21 ||
        reply[3] != kEnterCommand || reply[12] != 0xF7)
        return EnterAnswer::NotAnEcho;
    return std::equal(kEnterMagic.begin(), kEnterMagic.end(), reply.begin() + 4) ? EnterAnswer::Accepted
                                                                                 : EnterAnswer::Refused;
}

std::vector<std::uint8_t> Request(Command command, std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> out;
    out.reserve(payload.size() + kRequestOverhead);
    out.push_back(kRequestSync);
    out.push_back(command);
    out.push_back(static_cast<std::uint8_t>(payload.size() >> 8));
    out.push_back(static_cast<std::uint8_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    PutBe32(out, Crc32(std::span(out).subspan(1)));
    return out;
}

std::vector<std::uint8_t> EraseRequest(const SfuHeader& header) {
    std::vector<std::uint8_t> p = {static_cast<std::uint8_t>(header.model >> 8),
                                   static_cast<std::uint8_t>(header.model),
                                   header.major,
                                   header.minor,
                                   header.patch,
                                   0};
    PutBe32(p, header.imageLength);
    PutBe32(p, header.imageCrc);
    return Request(kErase, p);
}

std::vector<std::uint8_t> WriteRequest(std::uint32_t offset, std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> p;
    p.reserve(4 + data.size());
    PutBe32(p, offset);
    p.insert(p.end(), data.begin(), data.end());
    return Request(kWrite, p);
}

std::optional<Reply> ParseReply(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kReplySize || bytes[0] != kReplySync) return std::nullopt;
    if (Crc32(bytes.subspan(1, 6)) != Be32(bytes, 7)) return std::nullopt;
    return Reply{bytes[1], bytes[2], Be32(bytes, 3)};
}

}  // namespace zef::boot
