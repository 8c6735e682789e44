#pragma once
// Command frames of the device protocol and the replies they expect.
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
// replies are told apart by length only, and every reply carries the
// device's address in byte 2 (with change marks OR-ed in, see ModRxTx).

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/exchange.h"
#include "model/link_state.h"

namespace zef {

// The command codes the link itself treats specially.
enum : std::uint8_t {
    kCmdIdentify = 0,
    kCmdClose = 15,
    kCmdReadMemory = 20,
    kCmdWriteMemory = 21,
    kCmdStatusPoll = 22,
    kCmdStorePreset = 23,
    kCmdRecallPreset = 24,
    kCmdActivateSettings = 25,
    kCmdActivateFir = 29,
};

inline constexpr std::uint8_t kFrameStart = 0xF0;
inline constexpr std::uint8_t kFrameMarker = 0x21;
inline constexpr std::uint8_t kFrameEnd = 0xF7;
inline constexpr std::size_t kFrameSize = 13;
inline constexpr std::size_t kMaxBlockWrite = kBlockPayloadSize;  // 65
inline constexpr std::size_t kBlockWriteOverhead = 8;
inline constexpr std::size_t kMaxFrameSize = 257;  // room of the replay record

// Identify reply, 30 bytes.
inline constexpr std::size_t kIdentifyReplySize = 30;
inline constexpr std::size_t kIdentifyAddress = 2;
inline constexpr std::size_t kIdentifyMarker = 4;  // holds 0x21 on a genuine device
inline constexpr std::size_t kIdentifyNetwork = 5;
inline constexpr std::size_t kIdentifyUniqueId = 6;  // 6 bytes
inline constexpr std::size_t kIdentifyBootLoader = 12;
inline constexpr std::size_t kIdentifyName = 13;  // 16 characters
inline constexpr std::size_t kIdentifyNameSize = 16;

// Reply byte 2 bits that flag an FIR change on output 1 (0x20) or 2 (0x40).
inline constexpr std::uint8_t kChangeBitsMask = 0x60;

// The frame for `command` to a device at `address` (ignored for identify).
// For block write the n = p[2] payload bytes come from `payload`; n must not
// exceed 65 (checked by the caller, asserted here).
std::vector<std::uint8_t> BuildCommandFrame(std::uint8_t address, std::uint8_t command,
                                            const CommandParams& p,
                                            const std::array<std::uint8_t, kBlockPayloadSize>& payload);

// Which link a reply is awaited on; only identify's time-out depends on it.
enum class LinkKind { Tcp, Usb };

struct ReplyExpectation {
    std::size_t length;  // bytes, all of which must arrive
    int timeoutMs;
};

// Reply time-outs in ms. The defaults are the device's own; tests shorten them.
struct ReplyTimeouts {
    int memory = 10000;            // 20, 21, 23, 24, 25, 29: memory reads, writes, presets, FIR
    int statusPoll = 2000;         // 22
    int close = 2000;              // 15
    int identifyTcp = 6000;        // 0 over TCP
    int identifyUsb = 50;          // 0 over USB (the transport adds the line time)
    int other = 3000;              // parameter commands
    int replayActivateFir = 3000;  // 29 when replayed by the reconnect window
};

// Length and time-out of the reply to `command`; `p3` is the byte count of a
// memory read. `replay` selects the reconnect window's variant, where command
// 29 waits only as long as a parameter command.
ReplyExpectation ExpectedReply(std::uint8_t command, std::uint8_t p3, LinkKind link,
                               const ReplyTimeouts& timeouts, bool replay = false);

}  // namespace zef
