#pragma once
// ModUdp: the amplifiers' UDP announcements and what the device list does
// with them.
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

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "link/device_list.h"
#include "model/link_state.h"

namespace zef {

inline constexpr std::size_t kAnnouncementSize = 26;
inline constexpr std::uint8_t kAnnouncementMarker = 0x21;

struct Announcement {
    std::uint8_t network = 0;   // byte 1 as sent
    std::uint8_t typeCode = 0;  // 0..5 or 255
    std::string uniqueId;       // 12 upper-case hex digits
    std::string name;           // trailing blanks removed
    bool operator==(const Announcement&) const = default;
};

std::optional<Announcement> ParseAnnouncement(std::span<const std::uint8_t> datagram);

// 12 upper-case hex digits, two per byte, in byte order.
std::string UniqueIdText(std::span<const std::uint8_t> bytes);

// "LAN" + " Device Discovery"
std::string DiscoveryTitle(const std::string& networkName);
// "Found " + name + "@" + ip + " (" + "UDID:" + id + ")."
std::string FoundLine(const Announcement& a, const std::string& ip);
inline constexpr const char* kConnectQuestion = "Do you want to connect?";
inline constexpr const char* kCloseAutoEqText =
    "The system must close the AUTOEQ wizard to connect\r\nDo you want to continue?";
inline constexpr const char* kUnreachableText =
    "The device is UNREACHABLE!\r\nPlease check your network settings.";

// What handling an announcement needs from the windows.
struct AnnouncementHooks {
    // Opens the connect dialog for this one slot (its Interface is already 2).
    std::function<void(DeviceSlot)> connect;
    // Whether the automatic-equaliser wizard is open, and closing it.
    std::function<bool()> autoEqOpen;
    std::function<void()> closeAutoEq;
};

// How an announcement was handled (for the caller and for tests).
enum class AnnouncementOutcome {
    Ignored,        // not an announcement, link recovery, removed device or no room
    AlreadyOnline,  // a listed entry of that device is on-line
    Refreshed,      // address and name taken by the listed entry without asking
    Declined,       // the user answered No
    Connecting,     // the user answered Yes; the connect dialog was asked for
};

class AnnouncementHandler {
public:
    AnnouncementHandler(DeviceList& list, const LinkState& link, AnnouncementHooks hooks = {});

    // UDP_DeviceAnnounce: the sender's address, the datagram and the kind flag
    // (0 for datagrams from the network). Ignored while link recovery runs.
    AnnouncementOutcome Handle(const std::string& senderIp, std::span<const std::uint8_t> datagram,
                               std::uint8_t kind);

    void SetHooks(AnnouncementHooks hooks) { hooks_ = std::move(hooks); }

private:
    // Asks the question of an announcement; true = connect.
    bool Ask(const Announcement& a, const std::string& ip);
    AnnouncementOutcome Answered(bool yes, DeviceSlot slot, const DevicePair& pair);

    DeviceList& list_;
    const LinkState& link_;
    AnnouncementHooks hooks_;
    PairTable asking_;  // devices whose question is open
};

}  // namespace zef
