#include "protocol/frame.h"

#include <algorithm>

#include "protocol/commands.h"

namespace zef {

CommandParams MemoryParams(std::uint16_t address, std::size_t count) {
    CommandParams p{};
    p[0] = static_cast<std::uint8_t>(address >> 8);
    p[1] = static_cast<std::uint8_t>(address & 0xFF);
    p[2] = static_cast<std::uint8_t>(std::min<std::size_t>(count, 255));
    return p;
}

Request WriteMemoryRequest(std::uint16_t address, std::span<const std::uint8_t> data) {
    const std::size_t n = std::min(data.size(), kMaxBlockWrite);
    return {cmd::kWriteMemory, MemoryParams(address, n), std::vector<std::uint8_t>(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n))};
}

Request ReadMemoryRequest(std::uint16_t address, std::size_t count) {
    return {cmd::kReadMemory, MemoryParams(address, count), {}};
}

std::vector<std::uint8_t> BuildCommandFrame(std::uint8_t address, const Request& request) {
    const std::uint8_t command = request.command;
    const bool block = command == cmd::kWriteMemory;
    const std::size_t n = block ? std::min({std::size_t{request.p[2]}, request.payload.size(), kMaxBlockWrite}) : 0;
    std::vector<std::uint8_t> frame(block ? n + kBlockWriteOverhead : kFrameSize);
    frame[0] = kFrameStart;
    frame[1] = kFrameMarker;
    frame[2] = command == cmd::kIdentify ? 0 : address;
    frame[3] = command;
    if (block) {
        frame[4] = request.p[0];
        frame[5] = request.p[1];
        frame[6] = static_cast<std::uint8_t>(n);
        std::copy_n(request.payload.begin(), n, frame.begin() + 7);
    } else {
        std::copy(request.p.begin(), request.p.end(), frame.begin() + 4);
    }
    frame.back() = kFrameEnd;
    return frame;
}

std::optional<ParsedFrame> ParseCommandFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < kBlockWriteOverhead || frame[0] != kFrameStart || frame[1] != kFrameMarker ||
        frame.back() != kFrameEnd)
        return std::nullopt;
    ParsedFrame parsed;
    parsed.address = frame[2];
    Request& r = parsed.request;
    r.command = frame[3];
    if (r.command == cmd::kWriteMemory) {
        const std::size_t n = frame[6];
        if (n == 0 || n > kMaxBlockWrite || frame.size() != n + kBlockWriteOverhead) return std::nullopt;
        r.p[0] = frame[4];
        r.p[1] = frame[5];
        r.p[2] = frame[6];
        r.payload.assign(frame.begin() + 7, frame.begin() + 7 + static_cast<std::ptrdiff_t>(n));
        return parsed;
    }
    if (frame.size() != kFrameSize) return std::nullopt;
    std::copy_n(frame.begin() + 4, r.p.size(), r.p.begin());
    return parsed;
}

}  // namespace zef
