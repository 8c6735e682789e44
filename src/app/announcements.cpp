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

AnnouncementOutcome AnnouncementHandler::Process(const std::string& senderIp, const Announcement& a,
                                                 std::uint8_t kind) {
    const std::string network = NetworkName(a.network);
    const DevicePair pair{a.uniqueId, network};
    if (asking_.Contains(pair)) return AnnouncementOutcome::Ignored;
    Model& model = list_.model();

    auto sameDevice = [&](const DeviceEntry& e) {
        return e.inList && e.uniqueId == a.uniqueId && NetworkName(e.network) == network;
    };

    // 1. An offered device whose entry is not on-line did not answer the connection.
    if (kind == 0 && list_.offered().Contains(pair)) {
        bool online = false;
        for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s)
            if (sameDevice(model.entry(s)) && model.entry(s).online) online = true;
        // Once per device until it is seen on-line again, and never two boxes at a time.
        if (!online && !unreachableShown_.Contains(pair) && !showingUnreachable_) {
            unreachableShown_.Add(pair);
            FlagGuard showing(showingUnreachable_, true);
            dialogs_.Message(DiscoveryTitle(network), FoundLine(a, senderIp) + "\r\n" + kUnreachableText,
                             Icon::Information);
        }
    }

    // 2. The device is listed already.
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
        DeviceEntry& e = model.entry(s);
        if (!sameDevice(e)) continue;
        if (e.online) {
            unreachableShown_.Remove(pair);
            return AnnouncementOutcome::AlreadyOnline;
        }
        if (list_.offered().Contains(pair)) {
            e.ip = senderIp;
            e.name = a.name;
            list_.RowChanged(s);
            return AnnouncementOutcome::Refreshed;
        }
        const bool yes = Ask(a, senderIp);
        e.ip = senderIp;
        e.name = a.name;
        if (!yes) {
            list_.SetDeviceName(s, a.name);
            e.interface = kInterfaceTcp;
        }
        list_.RowChanged(s);
        return Answered(yes, s, pair);
    }

    // 3. An entry added by hand for that address, or a new entry.
    std::optional<DeviceSlot> byHand;
    for (DeviceSlot s = 1; s <= kMaxListedDevices && !byHand; ++s) {
        const DeviceEntry& e = model.entry(s);
        if (e.inList && e.ip == senderIp && e.uniqueId.empty()) byHand = s;
    }
    std::optional<DeviceSlot> target = byHand ? byHand : list_.FirstFreeSlot();
    if (!target || list_.removed().Contains(pair)) return AnnouncementOutcome::Ignored;

    const bool yes = Ask(a, senderIp);
    if (!byHand && model.entry(*target).inList) {
        // Another entry took the slot while the question was open.
        target = list_.FirstFreeSlot();
        if (!target) return AnnouncementOutcome::Ignored;
    }
    DeviceEntry& e = model.entry(*target);
    if (byHand) {
        e.network = a.network;
        e.ip = senderIp;
        list_.SetDeviceName(*target, a.name);
        e.interface = kInterfaceTcp;
    } else {
        e = ClearedEntry(*target);
        e.inList = true;
        e.online = false;
        e.editorOpen = false;
        e.ip = senderIp;
        e.name = a.name;
        e.uniqueId = a.uniqueId;
        e.network = a.network;
        e.interface = kInterfaceTcp;
        e.type = 0;
        list_.ResetModel(*target);
        list_.model().device(*target).settings[kTypeByteInSettings] = a.typeCode;
    }
    list_.RowChanged(*target);
    return Answered(yes, *target, pair);
}

}  // namespace zef
