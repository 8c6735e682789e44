#include "link/connection.h"

#include "link/search.h"
#include "model/commands.h"
#include "model/defaults.h"
#include "model/memory_map.h"

namespace zef {
namespace {

constexpr std::uint8_t kFirmwareAddress = 1;
constexpr std::uint8_t kFirmwareBytes = 3;
constexpr std::size_t kReplyData = 4;

}  // namespace

int FirmwareVersion(std::uint8_t major, std::uint8_t minor, std::uint8_t patch) {
    return major * 100 + minor * 10 + patch;
}

std::string ConnectDialogTitle(bool single, const DeviceEntry& entry) {
    if (!single) return kConnectAllTitle;
    return entry.isUsb() ? "Connect Device: USB" : "Connect Device: IP " + entry.ip;
}

std::string ReadingCaption(const DeviceEntry& entry) {
    return entry.isUsb() ? "Reading from device: USB...." : "Reading from device: IP " + entry.ip + "....";
}

std::string LoadingCaption(const DeviceEntry& entry) {
    return entry.isUsb() ? "Loading settings to device: USB...."
                         : "Loading settings to device: IP " + entry.ip + "....";
}

std::string DisconnectQuestion(const DeviceEntry& entry) {
    return "Disconnect Device: UniqueID=" + entry.uniqueId + ",\r\nare you sure?";
}

std::string DisconnectedText(const DeviceEntry& entry) {
    return entry.isUsb() ? std::string(kUsbDisconnectedText) : "IP:" + entry.ip + " disconnected";
}

Connection::Connection(DeviceList& list, ModRxTx& rxtx, DeviceReader& reader, ConnectSettings settings,
                       ConnectHooks hooks)
    : list_(list),
      model_(list.model()),
      rxtx_(rxtx),
      reader_(reader),
      settings_(settings),
      hooks_(std::move(hooks)) {}

void Connection::TakeIdentity(DeviceSlot slot) {
    DeviceEntry& e = model_.entry(slot);
    const auto& reply = rxtx_.link().replyBuffer;
    const DeviceEntry id = EntryFromIdentify(std::span(reply.data(), kIdentifyReplySize), e.interface,
                                             e.isUsb() ? "" : e.ip, true);
    e.network = id.network;
    e.uniqueId = id.uniqueId;
    e.type = id.type;
    e.name = id.name;
    e.inList = true;
    e.online = true;
    if (e.isUsb()) e.ip.clear();
}

bool Connection::Identify(DeviceSlot slot) {
    DeviceEntry& e = model_.entry(slot);
    if (e.isUsb()) {
        if (!rxtx_.FindSerialDevice(slot)) return false;
        TakeIdentity(slot);
        return true;
    }
    TcpClient& tcp = rxtx_.transport().tcp();
    if (tcp.IsConnected(slot)) return true;
    if (tcp.Connect(slot, e.ip, rxtx_.settings().devicePort, settings_.connectTimeoutMs) != kTransportOk)
        return false;
    if (rxtx_.IdentifyDevice(slot)) TakeIdentity(slot);
    return true;
}

bool Connection::ReadFirmware(DeviceSlot slot) {
    const CommandParams p{0, kFirmwareAddress, kFirmwareBytes, 0, 0, 0, 0, 0};
    if (rxtx_.SendCommandFrame(slot, kCmdReadMemory, p) != kOk) return false;
    const auto& reply = rxtx_.link().replyBuffer;
    DeviceModel& d = model_.device(slot);
    for (std::size_t i = 0; i < kFirmwareBytes; ++i)
        d.settings[ds::kFirmwareVersion + i] = reply[kReplyData + i];
    if (FirmwareVersion(reply[kReplyData], reply[kReplyData + 1], reply[kReplyData + 2]) >= kMinimumFirmware)
        d.firmwareOk = true;
    return true;
}

bool Connection::Transfer(DeviceSlot slot, ConnectMode mode) {
    const DeviceEntry& e = model_.entry(slot);
    if (mode == ConnectMode::Read) {
        if (hooks_.caption) hooks_.caption(ReadingCaption(e));
        if (reader_.ReadWholeDevice(slot, hooks_.progress) != kOk) return false;
        settingsRead_ = true;
        if (e.editorOpen) reader_.RefreshWindows(slot);
    } else {
        if (hooks_.caption) hooks_.caption(LoadingCaption(e));
        if (reader_.WriteWholeDevice(slot) != kOk) return false;
    }
    return model_.entry(slot).online;
}

bool Connection::NotFound(DeviceSlot slot) {
    model_.entry(slot).online = false;
    return false;
}

bool Connection::ConnectDevice(DeviceSlot slot, ConnectMode mode) {
    DeviceEntry& e = model_.entry(slot);
    if (!e.inList) return false;
    e.online = true;
    if (!Identify(slot)) return NotFound(slot);

    if (e.type == kTypeBootLoader) {
        ResetToDefaults(model_.device(slot));
        list_.RowChanged(slot);
        return true;
    }
    list_.RowChanged(slot);
    if (!ReadFirmware(slot)) return NotFound(slot);
    if (model_.device(slot).firmwareOk) return Transfer(slot, mode) || NotFound(slot);

    if (e.isUsb()) {
        rxtx_.link().linkRecovery = true;
        if (hooks_.firmwareWindow) hooks_.firmwareWindow(slot);
        rxtx_.link().linkRecovery = false;
    } else {
        list_.dialogs().Message(kFirmwareUpdateTitle, kOldFirmwareText, Icon::Information);
    }
    return NotFound(slot);
}

bool Connection::BeginConnect(DeviceSlot slot) {
    if (model_.entry(slot).isUsb() || NetworkAvailable(rxtx_.transport(), settings_.loopbackIsNetwork))
        return true;
    list_.dialogs().Message(kConnectTitle, kNoLanText, Icon::Exclamation);
    return false;
}

bool Connection::ConnectOne(DeviceSlot slot, ConnectMode mode) {
    FlagGuard busy(connectInProgress_, true);
    settingsRead_ = false;
    const bool found = ConnectDevice(slot, mode);
    list_.RowChanged(slot);
    if (!found) {
        model_.entry(slot).online = false;
        list_.dialogs().Message(kConnectTitle, kDeviceNotFoundText, Icon::Exclamation);
        return false;
    }
    if (model_.entry(slot).editorOpen && settingsRead_ && hooks_.showEditor) hooks_.showEditor(slot);
    return true;
}

int Connection::ConnectAll(ConnectMode mode) {
    FlagGuard busy(connectInProgress_, true);
    int found = 0;
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
        const DeviceEntry& e = model_.entry(s);
        if (!e.inList || e.online) continue;
        settingsRead_ = false;
        const bool ok = ConnectDevice(s, mode);
        list_.RowChanged(s);
        if (!ok) continue;
        ++found;
        if (e.editorOpen && settingsRead_ && hooks_.showEditor) hooks_.showEditor(s);
    }
    if (found == 0) list_.dialogs().Message(kConnectTitle, kDevicesNotFoundText, Icon::Exclamation);
    return found;
}

void Connection::SendClose(DeviceSlot slot) { rxtx_.SendCommandFrameQuiet(slot, kCmdClose, CommandParams{}); }

void Connection::Disconnect(DeviceSlot slot) {
    DeviceEntry& e = model_.entry(slot);
    Transport& t = rxtx_.transport();
    if (e.isUsb()) {
        if (t.serial().IsOpen()) {
            SendClose(slot);
            t.serial().Close();
        }
    } else {
        SendClose(slot);
        if (t.tcp().IsConnected(slot)) t.tcp().Disconnect(slot);
    }
    e.online = false;
    list_.RowChanged(slot);
    list_.offered().Add(PairOf(e));
}

bool Connection::DisconnectOne(DeviceSlot slot) {
    const DeviceEntry& e = model_.entry(slot);
    if (list_.dialogs().Ask(kDisconnectTitle, DisconnectQuestion(e), Buttons::YesNo) != Answer::Yes)
        return false;
    Disconnect(slot);
    return true;
}

bool Connection::DisconnectAll() {
    if (list_.dialogs().Ask(kDisconnectTitle, kDisconnectAllQuestion, Buttons::YesNo) != Answer::Yes)
        return false;
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s)
        if (model_.entry(s).inList && model_.entry(s).online) Disconnect(s);
    if (rxtx_.transport().serial().IsOpen()) rxtx_.transport().serial().Close();
    return true;
}

void Connection::PollSlot(DeviceSlot slot) {
    DeviceEntry& e = model_.entry(slot);
    if (rxtx_.SendCommandFrameQuiet(slot, kCmdStatusPoll, CommandParams{}) != kOk) {
        e.online = false;
        list_.RowChanged(slot);
        list_.dialogs().Message(kCommProblemTitle, DisconnectedText(e), Icon::Exclamation);
        return;
    }
    const std::uint8_t flags = rxtx_.link().replyBuffer[kStatusFlagsByte];
    DeviceModel& d = model_.device(slot);
    d.alert = (flags & kStatusAlertBit) != 0;
    const std::int16_t standby = (flags & kStatusStandbyBit) ? 1 : 0;
    if (e.standby != standby || d.settings[ds::kStandby] != standby) {
        e.standby = standby;
        d.settings[ds::kStandby] = static_cast<std::uint8_t>(standby);
        list_.RowChanged(slot);
    }
}

void Connection::StatusPollTick() {
    const LinkState& link = rxtx_.link();
    if (!pollingEnabled_ || polling_ || !link.linkIdle || link.linkRecovery) return;
    FlagGuard busy(polling_, true);
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
        const DeviceEntry& e = model_.entry(s);
        if (e.inList && e.online && e.type < kTypeBootLoader) PollSlot(s);
    }
}

void Connection::ApplyStandby(DeviceSlot slot) {
    DeviceEntry& e = model_.entry(slot);
    DeviceModel& d = model_.device(slot);
    list_.RowChanged(slot);
    d.settings[ds::kStandby] = static_cast<std::uint8_t>(e.standby);
    const Command c = StandbyCommand(d);
    rxtx_.SendCommandFrameQuiet(slot, c.code, c.p);
    e.standby = d.settings[ds::kStandby];
    if (hooks_.standbyShown) hooks_.standbyShown(slot);
}

void Connection::SetStandby(DeviceSlot slot, int standby) {
    model_.entry(slot).standby = static_cast<std::int16_t>(standby);
    ApplyStandby(slot);
}

void Connection::ToggleStandby(DeviceSlot slot) { SetStandby(slot, model_.entry(slot).standby == 1 ? 0 : 1); }

void Connection::AllStandbyOn() {
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s)
        if (model_.entry(s).inList && model_.entry(s).standby == 0) SetStandby(s, 1);
}

void Connection::AllStandbyOff() {
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s)
        if (model_.entry(s).inList && model_.entry(s).standby == 1) SetStandby(s, 0);
}

OpenOutcome Connection::OpenDevice(DeviceSlot slot) {
    FlagGuard busy(connectInProgress_, true);
    DeviceEntry& e = model_.entry(slot);
    if (e.type == kTypeBootLoader) {
        if (!e.online) {
            list_.dialogs().Message(kFwUpdateTitle, kConnectDeviceFirstText, Icon::Exclamation);
            return OpenOutcome::NotConnected;
        }
        if (!e.isUsb()) return OpenOutcome::NotConnected;
        if (hooks_.firmwareWindow) hooks_.firmwareWindow(slot);
        return OpenOutcome::FirmwareWindow;
    }
    if (!e.online &&
        list_.dialogs().Ask(kNotConnectedTitle, kConnectNowQuestion, Buttons::YesNo) == Answer::Yes) {
        if (!BeginConnect(slot)) return OpenOutcome::Cancelled;
        const std::optional<ConnectMode> mode =
            hooks_.chooseMode ? hooks_.chooseMode(slot) : std::optional<ConnectMode>(ConnectMode::Read);
        if (!mode) return OpenOutcome::Cancelled;
        ConnectOne(slot, *mode);
    }
    model_.setCurrentDevice(slot);
    e.editorOpen = true;
    if (hooks_.showEditor) hooks_.showEditor(slot);
    return OpenOutcome::EditorOpened;
}

void Connection::Exit() {
    Transport& t = rxtx_.transport();
    if (t.serial().IsOpen()) {
        for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
            const DeviceEntry& e = model_.entry(s);
            if (e.inList && e.online && e.isUsb()) rxtx_.SendCommandFrame(s, kCmdClose, CommandParams{});
        }
        t.serial().Close();
    }
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
        const DeviceEntry& e = model_.entry(s);
        if (e.inList && e.online && !e.isUsb()) rxtx_.SendCommandFrame(s, kCmdClose, CommandParams{});
    }
    for (int s = 0; s < kTcpConnectionSlots; ++s)
        if (t.tcp().IsConnected(s)) t.tcp().Disconnect(s);
}

}  // namespace zef
