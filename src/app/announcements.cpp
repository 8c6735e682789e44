#include "app/announcements.h"

#include <algorithm>

namespace zef {
namespace {

// Where an announced device's type code is kept in its settings image.
constexpr std::size_t kTypeByteInSettings = 4;
// How often held announcements are looked at while the link is busy.
constexpr int kHeldRetryMs = 100;

}  // namespace

std::string DiscoveryTitle(const std::string& networkName) { return networkName + " Device Discovery"; }

std::string FoundLine(const Announcement& a, const std::string& ip) {
    return "Found " + a.name + "@" + ip + " (" + "UDID:" + a.uniqueId + ").";
}

std::string MovedQuestion(const std::string& name, const std::string& newIp, const std::string& oldIp) {
    return name + " announces itself from " + newIp + " instead of " + oldIp + " \u2014 update the address?";
}

AnnouncementHandler::AnnouncementHandler(DeviceList& list, const LinkState& link, Dialogs& dialogs,
                                         AnnouncementHooks hooks)
    : list_(list), link_(link), dialogs_(dialogs), hooks_(std::move(hooks)) {
    retry_.setSingleShot(true);
    QObject::connect(&retry_, &QTimer::timeout, [this] { HandleHeld(); });
}

bool AnnouncementHandler::LinkBusy() const { return !link_.idle(); }

AnnouncementOutcome AnnouncementHandler::Handle(const std::string& senderIp,
                                                std::span<const std::uint8_t> datagram, std::uint8_t kind) {
    if (link_.recovering()) return AnnouncementOutcome::Ignored;
    if (!rate_.Allow(senderIp, now_()))
        return AnnouncementOutcome::RateLimited;
    const auto parsed = ParseAnnouncement(datagram);
    if (!parsed) return AnnouncementOutcome::Ignored;
    if (LinkBusy() || !held_.empty()) {
        // An exchange is under way (its wait runs the event loop): a question
        // now would interrupt it. Keep the latest datagram of each device.
        const DevicePair pair{parsed->uniqueId, NetworkName(parsed->network)};
        auto it = std::find_if(held_.begin(), held_.end(), [&](const Held& h) { return h.pair == pair; });
        if (it == held_.end()) it = held_.insert(held_.end(), Held{pair, {}, {}, 0});
        it->senderIp = senderIp;
        it->datagram.assign(datagram.begin(), datagram.end());
        it->kind = kind;
        if (!LinkBusy()) return HandleHeld();
        if (!retry_.isActive()) retry_.start(kHeldRetryMs);
        return AnnouncementOutcome::Held;
    }
    return Process(senderIp, *parsed, kind);
}

AnnouncementOutcome AnnouncementHandler::HandleHeld() {
    AnnouncementOutcome last = AnnouncementOutcome::Held;
    while (!held_.empty()) {
        if (LinkBusy()) {
            if (!retry_.isActive()) retry_.start(kHeldRetryMs);
            return last;
        }
        const Held h = held_.front();
        held_.erase(held_.begin());
        if (link_.recovering()) continue;
        if (const auto parsed = ParseAnnouncement(h.datagram)) last = Process(h.senderIp, *parsed, h.kind);
    }
    return last;
}

bool AnnouncementHandler::Ask(const Announcement& a, const std::string& ip) {
    // The question is modal but timers and sockets go on: the same device's
    // next announcements are ignored until it is answered.
    const DevicePair pair{a.uniqueId, NetworkName(a.network)};
    asking_.Add(pair);
    const std::string title = DiscoveryTitle(NetworkName(a.network));
    const bool autoEq = hooks_.autoEqOpen && hooks_.autoEqOpen();
    const std::string text = FoundLine(a, ip) + "\r\n" + (autoEq ? kCloseAutoEqText : kConnectQuestion);
    const bool yes = dialogs_.Ask(title, text, Buttons::YesNo) == Answer::Yes;
    asking_.Remove(pair);
    if (yes && autoEq && hooks_.closeAutoEq) hooks_.closeAutoEq();
    return yes;
}

AnnouncementOutcome AnnouncementHandler::Answered(bool yes, DeviceSlot slot, const DevicePair& pair) {
    if (!yes) {
        list_.offered().Add(pair);
        return AnnouncementOutcome::Declined;
    }
    list_.model().entry(slot).interface = kInterfaceTcp;
    if (hooks_.connect) hooks_.connect(slot);
    return AnnouncementOutcome::Connecting;
}

bool AnnouncementHandler::SameDevice(const DeviceEntry& e, const Announcement& a) {
    return e.inList && e.uniqueId == a.uniqueId && NetworkName(e.network) == NetworkName(a.network);
}

AnnouncementOutcome AnnouncementHandler::Process(const std::string& senderIp, const Announcement& a,
                                                 std::uint8_t kind) {
    const DevicePair pair{a.uniqueId, NetworkName(a.network)};
    if (asking_.Contains(pair)) return AnnouncementOutcome::Ignored;
    const std::pair<DevicePair, std::string> here{pair, senderIp};
    if (std::find(keptAddresses_.begin(), keptAddresses_.end(), here) != keptAddresses_.end())
        return AnnouncementOutcome::AddressKept;
    if (kind == 0 && list_.unreachable().Contains(pair)) ReportUnreachable(senderIp, a, pair);
    if (const std::optional<AnnouncementOutcome> listed = ProcessListed(senderIp, a, pair)) return *listed;
    return ProcessUnlisted(senderIp, a, pair);
}

void AnnouncementHandler::ReportUnreachable(const std::string& senderIp, const Announcement& a,
                                            const DevicePair& pair) {
    const Model& model = list_.model();
    bool online = false;
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s)
        if (SameDevice(model.entry(s), a) && model.entry(s).online) online = true;
    // Once per device until it is seen on-line again, and never two boxes at a time.
    if (!online && !unreachableShown_.Contains(pair) && !showingUnreachable_) {
        unreachableShown_.Add(pair);
        FlagGuard showing(showingUnreachable_, true);
        dialogs_.Message(DiscoveryTitle(pair.networkName), FoundLine(a, senderIp) + "\r\n" + kUnreachableText,
                         Icon::Information);
    }
}

std::optional<AnnouncementOutcome> AnnouncementHandler::ProcessListed(const std::string& senderIp,
                                                                      const Announcement& a,
                                                                      const DevicePair& pair) {
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
        DeviceEntry& e = list_.model().entry(s);
        if (!SameDevice(e, a)) continue;
        if (e.online) {
            unreachableShown_.Remove(pair);
            return AnnouncementOutcome::AlreadyOnline;
        }
        if (e.ip != senderIp)
            if (const std::optional<AnnouncementOutcome> kept = AskToMove(s, senderIp, a, pair)) return kept;
        if (list_.offered().Contains(pair) || (hooks_.rejoining && hooks_.rejoining(s))) {
            e.name = a.name;
            list_.RowChanged(s);
            return AnnouncementOutcome::Refreshed;
        }
        const bool yes = Ask(a, senderIp);
        e.name = a.name;
        if (!yes) {
            list_.SetDeviceName(s, a.name);
            e.interface = kInterfaceTcp;
        }
        list_.RowChanged(s);
        return Answered(yes, s, pair);
    }
    return std::nullopt;
}

std::optional<AnnouncementOutcome> AnnouncementHandler::AskToMove(DeviceSlot slot, const std::string& senderIp,
                                                                  const Announcement& a, const DevicePair& pair) {
    DeviceEntry& e = list_.model().entry(slot);
    asking_.Add(pair);
    const bool move = dialogs_.Ask(DiscoveryTitle(NetworkName(a.network)), MovedQuestion(e.name, senderIp, e.ip),
                                   Buttons::YesNo) == Answer::Yes;
    asking_.Remove(pair);
    if (!move) {
        keptAddresses_.emplace_back(pair, senderIp);
        return AnnouncementOutcome::AddressKept;
    }
    e.ip = senderIp;
    list_.RowChanged(slot);
    return std::nullopt;
}

AnnouncementOutcome AnnouncementHandler::ProcessUnlisted(const std::string& senderIp, const Announcement& a,
                                                         const DevicePair& pair) {
    Model& model = list_.model();
    std::optional<DeviceSlot> byHand;
    for (DeviceSlot s = 1; s <= kMaxListedDevices && !byHand; ++s) {
        const DeviceEntry& e = model.entry(s);
        if (e.inList && e.ip == senderIp && e.uniqueId.empty()) byHand = s;
    }
    if (list_.removed().Contains(pair) || (!byHand && declined_.Contains(pair))) return AnnouncementOutcome::Ignored;
    std::optional<DeviceSlot> target = byHand ? byHand : list_.FirstFreeSlot();
    if (!target) return ListIsFull(senderIp, a);
    fullShown_ = false;

    const bool yes = Ask(a, senderIp);
    if (!byHand && !yes) {
        declined_.Add(pair);  // not added, and not offered again while the program runs
        return AnnouncementOutcome::Declined;
    }
    if (!byHand && model.entry(*target).inList) {
        // Another entry took the slot while the question was open.
        target = list_.FirstFreeSlot();
        if (!target) return ListIsFull(senderIp, a);
    }
    if (byHand)
        TakeByHandEntry(*target, senderIp, a);
    else
        FillNewEntry(*target, senderIp, a);
    list_.RowChanged(*target);
    return Answered(yes, *target, pair);
}

AnnouncementOutcome AnnouncementHandler::ListIsFull(const std::string& senderIp, const Announcement& a) {
    if (!fullShown_) {
        fullShown_ = true;
        dialogs_.Message(DiscoveryTitle(NetworkName(a.network)),
                         std::string(kMaxDevicesText) + "\r\n" + a.name + "@" + senderIp + " (UDID:" + a.uniqueId +
                             ") was not added to the list.",
                         Icon::Exclamation);
    }
    return AnnouncementOutcome::ListFull;
}

void AnnouncementHandler::TakeByHandEntry(DeviceSlot slot, const std::string& senderIp,
                                          const Announcement& a) {
    DeviceEntry& e = list_.model().entry(slot);
    e.network = a.network;
    e.ip = senderIp;
    list_.SetDeviceName(slot, a.name);
    e.interface = kInterfaceTcp;
}

void AnnouncementHandler::FillNewEntry(DeviceSlot slot, const std::string& senderIp, const Announcement& a) {
    DeviceEntry& e = list_.model().entry(slot);
    e = ClearedEntry(slot);
    e.inList = true;
    e.online = false;
    e.editorOpen = false;
    e.ip = senderIp;
    e.name = a.name;
    e.uniqueId = a.uniqueId;
    e.network = a.network;
    e.interface = kInterfaceTcp;
    e.type = 0;
    list_.ResetModel(slot);
    list_.model().device(slot).settings[kTypeByteInSettings] = a.typeCode;
}

}  // namespace zef
