#pragma once
// Command frames of the device protocol.
//
// Request, every command but block write (13 bytes):
//
//   0     1     2        3        4 .. 11    12
//   F0    21    address  command  p1 .. p8   F7
//
// Block write (command 21), n + 8 bytes, n = p3 <= 65; p4..p8 are not sent:
//
//   0     1     2        3    4    5    6    7 .. n+6         n+7
//   F0    21    address  15h  p1   p2   n    payload[0..n-1]  F7
//
// The address byte is 0 for identify (command 0) and the address the device
// gave in its identify reply otherwise. There is no checksum either way;
// replies (replies.h) are known by their length and shape.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zef {

// p1..p8 of a command frame.
using CommandParams = std::array<std::uint8_t, 8>;

inline constexpr std::uint8_t kFrameStart = 0xF0;
inline constexpr std::uint8_t kFrameMarker = 0x21;
inline constexpr std::uint8_t kFrameEnd = 0xF7;
inline constexpr std::size_t kFrameSize = 13;
inline constexpr std::size_t kMaxBlockWrite = 65;
inline constexpr std::size_t kBlockWriteOverhead = 8;
inline constexpr std::size_t kBlockWriteParams = 3;  // p1..p3; p4..p8 are not sent
inline constexpr std::size_t kMaxFrameSize = kMaxBlockWrite + kBlockWriteOverhead;

// One request: a command, its parameters and, for a block write, its data
// (p3 is then the data length).
struct Request {
    std::uint8_t command = 0;
    CommandParams p{};
    std::vector<std::uint8_t> payload;

    bool operator==(const Request&) const = default;
};

// p1..p3 of a memory read or write: address high, address low, count.
CommandParams MemoryParams(std::uint16_t address, std::size_t count);

// A block write of `data` (1..65 bytes) at `address`.
Request WriteMemoryRequest(std::uint16_t address, std::span<const std::uint8_t> data);
// A memory read of `count` (1..255) bytes at `address`.
Request ReadMemoryRequest(std::uint16_t address, std::size_t count);

// The frame of `request` to a device at `address` (ignored for identify).
// A block write carries min(p3, payload size, 65) data bytes.
std::vector<std::uint8_t> BuildCommandFrame(std::uint8_t address, const Request& request);

// A request frame as a controller sent it: its address byte and request.
struct ParsedFrame {
    std::uint8_t address = 0;
    Request request;
};

// The request one whole frame carries, the inverse of BuildCommandFrame;
// nullopt unless `frame` is exactly one well-formed frame (start, marker,
// end at the length its command implies, a block write of 1..65 bytes).
std::optional<ParsedFrame> ParseCommandFrame(std::span<const std::uint8_t> frame);

}  // namespace zef
