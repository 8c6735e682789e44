#pragma once
// Replies of the device protocol: their layout, the check that a reply is the
// answer to a request, and decoders that return typed replies.
//
// Every reply starts F0 21, carries the device's address in byte 2 (with the
// device's change marks OR-ed in: 0x80 a settings or preset byte changed,
// 0x20 / 0x40 the FIR of output 1 / 2 changed; never on identify), the code
// of the command it answers in byte 3, and ends with F7:
//
//   echo      13 bytes  F0 21 addr code p1..p8 F7    (recall: p1 = 255 when the slot is empty)
//   memory    n+5 bytes F0 21 addr 14h data[n] F7     (n = p3 of the read)
//   status    24 bytes  F0 21 addr 16h s[18] flags F7 (flags, byte 22: 04 standby, 02 alert)
//   identify  30 bytes  F0 21 addr 00 21 net uid[6] boot name[16] F7
//                       (net 1 WLAN, 2 LAN; boot 255 = boot loader)
//
// The device has no checksum; a reply is accepted when its length is the one
// the request implies, its start, marker, command byte and end are right and
// an echo repeats the request's parameters: p1..p8 in bytes 4..11, except
//   block write  p1..p3 only (its frame carries no p4..p8)
//   recall       byte 4 is p1, or 255 for an empty slot
// A memory reply repeats nothing of its request (not even the address): its
// data can only be checked by reading again.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "protocol/frame.h"

namespace zef {

inline constexpr std::size_t kReplyAddressByte = 2;
inline constexpr std::size_t kReplyCommandByte = 3;
inline constexpr std::size_t kReplyDataOffset = 4;   // memory data, echo p1, status bytes
inline constexpr std::size_t kEchoReplySize = 13;
inline constexpr std::size_t kStatusReplySize = 24;
inline constexpr std::size_t kStatusFlagsByte = 22;
inline constexpr std::uint8_t kStatusStandbyBit = 0x04;
inline constexpr std::uint8_t kStatusAlertBit = 0x02;
inline constexpr std::size_t kMemoryReplyOverhead = 5;
inline constexpr std::uint8_t kEmptyPresetSlot = 255;  // recall reply byte 4

inline constexpr std::size_t kIdentifyReplySize = 30;
inline constexpr std::size_t kIdentifyMarker = 4;  // 0x21 on a genuine device
inline constexpr std::size_t kIdentifyNetwork = 5;
inline constexpr std::size_t kIdentifyUniqueId = 6;  // 6 bytes
inline constexpr std::size_t kIdentifyBootLoader = 12;
inline constexpr std::size_t kIdentifyName = 13;  // 16 characters
inline constexpr std::size_t kIdentifyNameSize = 16;
inline constexpr std::uint8_t kBootLoaderMark = 255;

// Reply byte 2 bits that flag a FIR change of output 1 (0x20) or 2 (0x40).
inline constexpr std::uint8_t kChangeBitsMask = 0x60;

// The length of the reply to `request`.
std::size_t ExpectedReplyLength(const Request& request);

// Why a reply is not the answer to a request.
enum class ReplyFault : std::uint8_t {
    None,
    Length,   // too short or too long
    Start,    // byte 0 is not F0
    Marker,   // byte 1 is not 21
    Command,  // byte 3 names another command
    Echo,     // an echo repeats other parameters than the request's
    End,      // the last byte is not F7
};

// Checks `reply` against the request it should answer.
ReplyFault CheckReply(const Request& request, std::span<const std::uint8_t> reply);

struct IdentifyReply {
    std::uint8_t address = 0;
    bool genuine = false;  // byte 4 is 21h
    std::uint8_t network = 0;
    std::array<std::uint8_t, 6> uniqueId{};
    bool bootLoader = false;
    std::array<std::uint8_t, kIdentifyNameSize> name{};  // single-byte characters as sent
};

struct StatusReply {
    std::uint8_t address = 0;
    std::array<std::uint8_t, 18> levels{};  // bytes 4..21: meters and gain reduction
    std::uint8_t flags = 0;
    bool standby() const { return (flags & kStatusStandbyBit) != 0; }
    bool alert() const { return (flags & kStatusAlertBit) != 0; }
};

// The decoders take a reply that passed CheckReply for its request; on any
// other bytes they return nullopt.
std::optional<IdentifyReply> DecodeIdentify(std::span<const std::uint8_t> reply);
std::optional<StatusReply> DecodeStatus(std::span<const std::uint8_t> reply);
// The data bytes of a memory read reply of `count` bytes.
std::optional<std::span<const std::uint8_t>> DecodeMemory(std::span<const std::uint8_t> reply, std::size_t count);
// A recall reply: true when the preset slot was empty.
std::optional<bool> DecodeRecallEmpty(std::span<const std::uint8_t> reply);

}  // namespace zef
