#pragma once
// ModUdp: the amplifiers' UDP announcements and what the device list does
// with them (the datagram itself: protocol/announcement.h).

#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/texts.h"
#include "device/device_list.h"
#include "device/link_state.h"
#include "protocol/announcement.h"

namespace zef {

// "LAN" + " Device Discovery"
std::string DiscoveryTitle(const std::string& networkName);
// "Found " + name + "@" + ip + " (" + "UDID:" + id + ")."
std::string FoundLine(const Announcement& a, const std::string& ip);

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
    Held,           // the link is busy: handled once it is idle (the latest per device)
};

class AnnouncementHandler {
public:
    AnnouncementHandler(DeviceList& list, const LinkState& link, Dialogs& dialogs,
                        AnnouncementHooks hooks = {});

    // UDP_DeviceAnnounce: the sender's address, the datagram and the kind flag
    // (0 for datagrams from the network). Ignored while link recovery runs.
    // While an exchange runs (its wait delivers datagrams from the event
    // loop) nothing is asked: the latest datagram of each device is held and
    // handled as soon as the link is idle.
    AnnouncementOutcome Handle(const std::string& senderIp, std::span<const std::uint8_t> datagram,
                               std::uint8_t kind);
    // Handles the held datagrams now if the link is idle; the outcome of the last.
    AnnouncementOutcome HandleHeld();
    std::size_t heldCount() const { return held_.size(); }

    void SetHooks(AnnouncementHooks hooks) { hooks_ = std::move(hooks); }

private:
    // Asks the question of an announcement; true = connect.
    bool Ask(const Announcement& a, const std::string& ip);
    AnnouncementOutcome Answered(bool yes, DeviceSlot slot, const DevicePair& pair);

    struct Held {
        DevicePair pair;
        std::string senderIp;
        std::vector<std::uint8_t> datagram;
        std::uint8_t kind;
    };

    // An announcement in three steps: an offered device that did not come
    // on-line is reported unreachable; a listed device is refreshed or asked
    // about; otherwise an entry added by hand for that address, or a free
    // slot, takes it after the question.
    AnnouncementOutcome Process(const std::string& senderIp, const Announcement& a, std::uint8_t kind);
    void ReportUnreachable(const std::string& senderIp, const Announcement& a, const DevicePair& pair);
    // Nothing when no listed entry is that device.
    std::optional<AnnouncementOutcome> ProcessListed(const std::string& senderIp, const Announcement& a,
                                                     const DevicePair& pair);
    AnnouncementOutcome ProcessUnlisted(const std::string& senderIp, const Announcement& a,
                                        const DevicePair& pair);
    void TakeByHandEntry(DeviceSlot slot, const std::string& senderIp, const Announcement& a);
    void FillNewEntry(DeviceSlot slot, const std::string& senderIp, const Announcement& a);
    static bool SameDevice(const DeviceEntry& e, const Announcement& a);
    bool LinkBusy() const;

    DeviceList& list_;
    const LinkState& link_;
    Dialogs& dialogs_;
    AnnouncementHooks hooks_;
    PairTable asking_;            // devices whose question is open
    PairTable unreachableShown_;  // told "UNREACHABLE" since last seen on-line
    bool showingUnreachable_ = false;
    std::vector<Held> held_;
    QTimer retry_;
};

}  // namespace zef
