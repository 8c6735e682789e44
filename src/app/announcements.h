#pragma once
// ModUdp: the amplifiers' UDP announcements and what the device list does
// with them (the datagram itself: protocol/announcement.h).
//
// An announcement is a claim anybody on the network can make, so none of
// them changes the list unasked: a listed device announced from another
// address is moved only when the user says so (a No is kept for that
// address), a device the user did not want is not added and not offered
// again while the program runs, a full list says once which device it could
// not take, and each sender address is held to a rate (sender_rate_limit.h).

#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/sender_rate_limit.h"
#include "app/texts.h"
#include "device/device_list.h"
#include "device/link_state.h"
#include "protocol/announcement.h"

namespace zef {

// "LAN" + " Device Discovery"
std::string DiscoveryTitle(const std::string& networkName);
// "Found " + name + "@" + ip + " (" + "UDID:" + id + ")."
std::string FoundLine(const Announcement& a, const std::string& ip);
// "Stage Left announces itself from 127.0.0.99 instead of 127.0.0.2 — update the address?"
std::string MovedQuestion(const std::string& name, const std::string& newIp, const std::string& oldIp);

// What handling an announcement needs from the windows.
struct AnnouncementHooks {
    // Opens the connect dialog for this one slot (its Interface is already 2).
    std::function<void(DeviceSlot)> connect;
    // Whether the automatic-equaliser wizard is open, and closing it.
    std::function<bool()> autoEqOpen;
    std::function<void()> closeAutoEq;
    // Whether a listed slot is a lost device the status ticks are bringing
    // back by themselves (Connection::lost): it is not offered again.
    std::function<bool(DeviceSlot)> rejoining;
};

// How an announcement was handled (for the caller and for tests).
enum class AnnouncementOutcome {
    Ignored,        // not an announcement, link recovery, a removed or declined device
    RateLimited,    // the sender announces faster than its rate: dropped unread
    ListFull,       // no room for a new device (said once)
    AlreadyOnline,  // a listed entry of that device is on-line
    Refreshed,      // the listed entry took the announced name without asking (same address)
    AddressKept,    // the user kept the listed address (now or earlier) for this one
    Declined,       // the user answered No: a new device is not added
    Connecting,     // the user answered Yes; the connect dialog was asked for
    Held,           // the link is busy: handled once it is idle (the latest per device)
};

class AnnouncementHandler {
public:
    AnnouncementHandler(DeviceList& list, const LinkState& link, Dialogs& dialogs,
                        AnnouncementHooks hooks = {});

    // UDP_DeviceAnnounce: the sender's address, the datagram and the kind flag
    // (0 for datagrams from the network). Ignored while link recovery runs,
    // dropped beyond the sender's rate.
    // While an exchange runs (its wait delivers datagrams from the event
    // loop) nothing is asked: the latest datagram of each device is held and
    // handled as soon as the link is idle.
    AnnouncementOutcome Handle(const std::string& senderIp, std::span<const std::uint8_t> datagram,
                               std::uint8_t kind);
    // Handles the held datagrams now if the link is idle; the outcome of the last.
    AnnouncementOutcome HandleHeld();
    std::size_t heldCount() const { return held_.size(); }

    void SetHooks(AnnouncementHooks hooks) { hooks_ = std::move(hooks); }
    // The time the rate limit goes by (the steady clock unless a test sets another).
    void SetClock(std::function<SenderRateLimit::Clock::time_point()> now) { now_ = std::move(now); }

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

    // An announcement in three steps: a device a connect could not reach
    // (DeviceList::unreachable) that announces itself is reported
    // unreachable — never one the user declined or disconnected; a listed device is refreshed or asked
    // about (its move to another address first); otherwise an entry added by
    // hand for that address, or a free slot, takes it after a Yes.
    AnnouncementOutcome Process(const std::string& senderIp, const Announcement& a, std::uint8_t kind);
    void ReportUnreachable(const std::string& senderIp, const Announcement& a, const DevicePair& pair);
    // Nothing when no listed entry is that device.
    std::optional<AnnouncementOutcome> ProcessListed(const std::string& senderIp, const Announcement& a,
                                                     const DevicePair& pair);
    // A listed entry announced from another address: asks before it moves.
    // Nothing when the user moved it (handling goes on at the new address).
    std::optional<AnnouncementOutcome> AskToMove(DeviceSlot slot, const std::string& senderIp,
                                                 const Announcement& a, const DevicePair& pair);
    AnnouncementOutcome ProcessUnlisted(const std::string& senderIp, const Announcement& a,
                                        const DevicePair& pair);
    AnnouncementOutcome ListIsFull(const std::string& senderIp, const Announcement& a);
    void TakeByHandEntry(DeviceSlot slot, const std::string& senderIp, const Announcement& a);
    void FillNewEntry(DeviceSlot slot, const std::string& senderIp, const Announcement& a);
    static bool SameDevice(const DeviceEntry& e, const Announcement& a);
    bool LinkBusy() const;

    DeviceList& list_;
    const LinkState& link_;
    Dialogs& dialogs_;
    AnnouncementHooks hooks_;
    std::function<SenderRateLimit::Clock::time_point()> now_ = [] { return SenderRateLimit::Clock::now(); };
    PairTable asking_;            // devices whose question is open
    PairTable unreachableShown_;  // told "UNREACHABLE" since last seen on-line
    PairTable declined_;          // unlisted devices the user did not want, for this run
    // Addresses a listed device was announced from and the user did not move it to.
    std::vector<std::pair<DevicePair, std::string>> keptAddresses_;
    bool showingUnreachable_ = false;
    bool fullShown_ = false;  // "the list is full" said since the list last had room
    SenderRateLimit rate_;
    std::vector<Held> held_;
    QTimer retry_;
};

}  // namespace zef
