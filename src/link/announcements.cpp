#include "link/announcements.h"

#include "model/memory_map.h"

namespace zef {
namespace {

constexpr std::size_t kNetworkByte = 1;
constexpr std::size_t kTypeByte = 2;
constexpr std::size_t kUidByte = 3;
constexpr std::size_t kUidSize = 6;
constexpr std::size_t kNameByte = 9;
constexpr std::size_t kNameSize = 16;
constexpr std::size_t kChecksumByte = 25;
constexpr std::size_t kTypeByteInSettings = 4;

std::uint8_t TypeCode(std::uint8_t raw) {
    if ((raw >= 1 && raw <= 5) || raw == 255) return raw;
    return 0;
}

}  // namespace

std::string UniqueIdText(std::span<const std::uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        text += kHex[b >> 4];
        text += kHex[b & 0x0F];
    }
    return text;
}

std::optional<Announcement> ParseAnnouncement(std::span<const std::uint8_t> d) {
    if (d.size() != kAnnouncementSize || d[0] != kAnnouncementMarker) return std::nullopt;
    unsigned sum = 0;
    for (std::size_t i = 0; i < kChecksumByte; ++i) sum += d[i];
    if ((sum & 0xFF) != d[kChecksumByte]) return std::nullopt;
    Announcement a;
    a.network = d[kNetworkByte];
    a.typeCode = TypeCode(d[kTypeByte]);
    a.uniqueId = UniqueIdText(d.subspan(kUidByte, kUidSize));
    a.name.assign(reinterpret_cast<const char*>(&d[kNameByte]), kNameSize);
    while (!a.name.empty() && a.name.back() == ' ') a.name.pop_back();
    return a;
}

std::string DiscoveryTitle(const std::string& networkName) { return networkName + " Device Discovery"; }

std::string FoundLine(const Announcement& a, const std::string& ip) {
    return "Found " + a.name + "@" + ip + " (" + "UDID:" + a.uniqueId + ").";
}

AnnouncementHandler::AnnouncementHandler(DeviceList& list, const LinkState& link, AnnouncementHooks hooks)
    : list_(list), link_(link), hooks_(std::move(hooks)) {}

bool AnnouncementHandler::Ask(const Announcement& a, const std::string& ip) {
    // The question is modal but timers and sockets go on: the same device's
    // next announcements are ignored until it is answered.
    const DevicePair pair{a.uniqueId, NetworkName(a.network)};
    asking_.Add(pair);
    const std::string title = DiscoveryTitle(NetworkName(a.network));
    const bool autoEq = hooks_.autoEqOpen && hooks_.autoEqOpen();
    const std::string text = FoundLine(a, ip) + "\r\n" + (autoEq ? kCloseAutoEqText : kConnectQuestion);
    const bool yes = list_.dialogs().Ask(title, text, Buttons::YesNo) == Answer::Yes;
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

AnnouncementOutcome AnnouncementHandler::Handle(const std::string& senderIp,
                                                std::span<const std::uint8_t> datagram, std::uint8_t kind) {
    if (link_.linkRecovery) return AnnouncementOutcome::Ignored;
    const auto parsed = ParseAnnouncement(datagram);
    if (!parsed) return AnnouncementOutcome::Ignored;
    const Announcement& a = *parsed;
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
        if (!online)
            list_.dialogs().Message(DiscoveryTitle(network),
                                    FoundLine(a, senderIp) + "\r\n" + kUnreachableText, Icon::Information);
    }

    // 2. The device is listed already.
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
        DeviceEntry& e = model.entry(s);
        if (!sameDevice(e)) continue;
        if (e.online) return AnnouncementOutcome::AlreadyOnline;
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
