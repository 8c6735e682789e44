#pragma once
// The amplifiers' UDP announcement datagram.
//
// Datagram, 26 bytes:
//
//   0       0x21 ('!')
//   1       network: 2 = LAN, 1 = WLAN
//   2       type code: 1..5 as is, 255 stays 255, anything else counts as 0
//   3 .. 8  unique ID (shown as 12 upper-case hex digits, byte order)
//   9 .. 24 name, 16 ANSI characters, blank padded
//   25      checksum: sum of bytes 0..24 modulo 256
//
// Any other length, a wrong checksum or a missing marker: not an announcement.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zef {

inline constexpr std::size_t kAnnouncementSize = 26;
inline constexpr std::uint8_t kAnnouncementMarker = 0x21;

struct Announcement {
    std::uint8_t network = 0;   // byte 1 as sent
    std::uint8_t typeCode = 0;  // 0..5 or 255
    std::string uniqueId;       // 12 upper-case hex digits
    std::string name;           // UTF-8, trailing blanks removed
    bool operator==(const Announcement&) const = default;
};

std::optional<Announcement> ParseAnnouncement(std::span<const std::uint8_t> datagram);

// 12 upper-case hex digits, two per byte, in byte order.
std::string UniqueIdText(std::span<const std::uint8_t> bytes);


}  // namespace zef
