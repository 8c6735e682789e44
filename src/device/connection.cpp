#include "device/connection.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "device/memory_transfer.h"
#include "device/identity.h"
#include "model/commands.h"
#include "model/defaults.h"
#include "model/memory_map.h"
#include "protocol/announcement.h"
#include "protocol/commands.h"

namespace zef {
namespace {

constexpr std::uint16_t kFirmwareAddress = ds::kFirmwareVersion;
constexpr std::size_t kFirmwareBytes = 3;

}  // namespace

int FirmwareVersion(std::uint8_t major, std::uint8_t minor, std::uint8_t patch) {
    return major * 100 + minor * 10 + patch;
}

std::string ReadingCaption(const DeviceEntry& entry) {
    return entry.isUsb() ? "Reading from device: USB...." : "Reading from device: IP " + entry.ip + "....";
}

std::string LoadingCaption(const DeviceEntry& entry) {
    return entry.isUsb() ? "Loading settings to device: USB...."
                         : "Loading settings to device: IP " + entry.ip + "....";
}

Connection::Connection(DeviceList& list, DeviceExchange& exchange, DeviceReader& reader, ConnectSettings settings)
    : list_(list),
      model_(list.model()),
      exchange_(exchange),
      reader_(reader),
      settings_(settings),
      wentOffline_(exchange.wentOffline.Connect([this](DeviceSlot slot) {
          MarkLost(slot);
          // Every window shows it off-line before anything tells the user why.
          list_.RowChanged(slot);
      })) {}

void Connection::TakeIdentity(DeviceSlot slot, const IdentifyReply& reply) {
    DeviceEntry& e = model_.entry(slot);
    const DeviceEntry id = EntryFromIdentify(reply, e.interface, e.isUsb() ? "" : e.ip, true);
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
        const std::optional<IdentifyReply> id = exchange_.FindSerialDevice(slot);
        if (!id) return false;
        TakeIdentity(slot, *id);
        return true;
    }
    TcpClient& tcp = exchange_.transport().tcp();
    if (tcp.IsConnected(slot)) return true;
    if (tcp.Connect(slot, e.ip, exchange_.settings().devicePort, exchange_.Budget(settings_.connectTimeoutMs)) != kTransportOk)
        return false;
    // An identity that is not verified is no device to read or write: the
    // entry keeps its fields and the connect fails.
    const std::optional<IdentifyReply> id = exchange_.IdentifyDevice(slot);
    if (!id || !id->genuine) {
        // Not kept open: the next connect must identify again.
        tcp.Disconnect(slot);
        return false;
    }
    TakeIdentity(slot, *id);
    return true;
}

bool Connection::ReadFirmware(DeviceSlot slot) {
    std::array<std::uint8_t, kFirmwareBytes> version{};
    if (ReadMemoryAgreed(exchange_, slot, kFirmwareAddress, version) != kOk) return false;
    DeviceModel& d = model_.device(slot);
    std::copy(version.begin(), version.end(), d.settings.bytes.begin() + ds::kFirmwareVersion);
    if (FirmwareVersion(version[0], version[1], version[2]) >= kMinimumFirmware) d.firmwareOk = true;
    return true;
}

ConnectResult Connection::Transfer(DeviceSlot slot, ConnectMode mode) {
    const DeviceEntry& e = model_.entry(slot);
    if (mode == ConnectMode::Read) {
        caption.Emit(ReadingCaption(e));
        const Progress step = [this](int value, int maximum) { progress.Emit(value, maximum); };
        if (reader_.ReadWholeDevice(slot, step) != kOk) return ConnectResult::NotFound;
        settingsRead_ = true;
        if (e.editorOpen) reader_.RefreshWindows(slot);
    } else {
        caption.Emit(LoadingCaption(e));
        const WriteReport report = LoadWholeDevice(reader_, exchange_, model_, slot);
        switch (report.outcome) {
            case WriteOutcome::Done:
                break;
            case WriteOutcome::Failed:
                return ConnectResult::NotFound;
            case WriteOutcome::Refused:
                problem_ = report.Text();
                return ConnectResult::Refused;
            case WriteOutcome::Unread:
            case WriteOutcome::Mismatch:
                problem_ = report.Text();
                return ConnectResult::NotVerified;
        }
    }
    return model_.entry(slot).online ? ConnectResult::Found : ConnectResult::NotFound;
}

ConnectResult Connection::ConnectDevice(DeviceSlot slot, ConnectMode mode) {
    settingsRead_ = false;
    problem_.clear();
    DeviceEntry& e = model_.entry(slot);
    if (!e.inList) return ConnectResult::NotFound;
    e.online = true;
    // The user's connect: whatever its outcome, the slot is no longer lost
    // (a connect that fails half-way leaves nothing to bring back) or taken.
    const auto notFound = [&](ConnectResult result) {
        e.online = false;
        ClearLost(slot);
        return result;
    };
    ClearLost(slot);
    editsMadeWhileLost_[SlotIndex(slot)].reset();
    exchange_.link().connectionTaken[SlotIndex(slot)] = false;
    if (!Identify(slot)) {
        if (!e.isUsb() && !e.uniqueId.empty()) list_.unreachable().Add(PairOf(e));
        return notFound(ConnectResult::NotFound);
    }
    list_.unreachable().Remove(PairOf(e));

    if (e.type == kTypeBootLoader) {
        ResetToDefaults(model_.device(slot));
        list_.RowChanged(slot);
        return ConnectResult::Found;
    }
    list_.RowChanged(slot);
    if (!ReadFirmware(slot)) return notFound(ConnectResult::NotFound);
    if (!model_.device(slot).firmwareOk) return notFound(ConnectResult::OldFirmware);
    const ConnectResult result = Transfer(slot, mode);
    return result == ConnectResult::Found ? result : notFound(result);
}

void Connection::MarkLost(DeviceSlot slot) {
    const std::size_t i = SlotIndex(slot);
    lost_[i] = !exchange_.link().connectionTaken[i];
    if (!lost_[i]) return modelAtLoss_[i].reset();
    if (!modelAtLoss_[i]) modelAtLoss_[i] = model_.device(slot);
}

void Connection::ClearLost(DeviceSlot slot) {
    lost_[SlotIndex(slot)] = false;
    modelAtLoss_[SlotIndex(slot)].reset();
}

std::optional<Connection::EditsWhileLost> Connection::TakeEditsMadeWhileLost(DeviceSlot slot) {
    return std::exchange(editsMadeWhileLost_[SlotIndex(slot)], std::nullopt);
}

void Connection::SendClose(DeviceSlot slot) { exchange_.SendCommandFrameQuiet(slot, cmd::kClose, CommandParams{}); }

void Connection::Disconnect(DeviceSlot slot) {
    DeviceEntry& e = model_.entry(slot);
    Transport& t = exchange_.transport();
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
    ClearLost(slot);
    list_.RowChanged(slot);
    list_.offered().Add(PairOf(e));
}

void Connection::DisconnectAll() {
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s)
        if (model_.entry(s).inList && model_.entry(s).online) Disconnect(s);
    if (exchange_.transport().serial().IsOpen()) exchange_.transport().serial().Close();
}

bool Connection::PollSlot(DeviceSlot slot) {
    DeviceEntry& e = model_.entry(slot);
    const ExchangeResult result = exchange_.Transact(slot, Request{cmd::kStatusPoll, {}, {}}, Reporting::Quiet);
    if (result.failed()) {
        e.online = false;
        MarkLost(slot);
        list_.RowChanged(slot);
        return false;
    }
    const std::optional<StatusReply> status = DecodeStatus(result.reply());
    if (!status) return true;
    DeviceModel& d = model_.device(slot);
    d.alert = status->alert();
    const std::int16_t standby = status->standby() ? 1 : 0;
    if (e.standby != standby || d.settings[ds::kStandby] != standby) {
        e.standby = standby;
        d.settings[ds::kStandby] = static_cast<std::uint8_t>(standby);
        list_.RowChanged(slot);
    }
    return true;
}

bool Connection::Rejoin(DeviceSlot slot) {
    DeviceEntry& e = model_.entry(slot);
    TcpClient& tcp = exchange_.transport().tcp();
    // One short attempt per tick: the wait must not hold the windows longer
    // than a status poll does.
    exchange_.SetDeadline(DeviceExchange::Clock::now() +
                          std::chrono::milliseconds(settings_.connectTimeoutMs + exchange_.settings().replies.statusPoll));
    bool back = false;
    if (tcp.Connect(slot, e.ip, exchange_.settings().devicePort, exchange_.Budget(settings_.connectTimeoutMs)) ==
        kTransportOk) {
        exchange_.monitor().Reconnected(slot);
        const std::optional<IdentifyReply> id = exchange_.IdentifyDevice(slot);
        back = id && id->genuine && UniqueIdText(id->uniqueId) == e.uniqueId;
    }
    exchange_.SetDeadline(std::nullopt);
    if (!back) {
        tcp.Disconnect(slot);
        return false;
    }
    const std::size_t i = SlotIndex(slot);
    // Edits made here while it was away are kept aside before the device's
    // state replaces them, so that they can be offered rather than lost.
    std::optional<EditsWhileLost> edits;
    if (modelAtLoss_[i]) {
        StateDiff changes = DiffStates(*modelAtLoss_[i], model_.device(slot));
        if (!changes.empty()) edits = EditsWhileLost{std::move(changes), model_.device(slot)};
    }
    lost_[i] = false;
    e.online = true;
    // Read back and compared with the model as after a change on the device.
    if (reader_.Update(slot) == UpdateKind::Failed) {
        e.online = false;
        MarkLost(slot);
        return false;
    }
    if (edits) {
        // What the device holds already (the same change made on it) is no edit to offer.
        const DeviceModel& device = model_.device(slot);
        std::erase_if(edits->changes.parameters,
                      [&](const ParameterValue& v) { return GetValue(device, v.parameter) == v.value; });
        std::erase_if(edits->changes.firs, [&](int output) { return !FirDiffers(device, edits->here, output); });
        if (!edits->changes.empty()) editsMadeWhileLost_[i] = std::move(edits);
    }
    ClearLost(slot);
    list_.RowChanged(slot);
    rejoined.Emit(slot);
    return true;
}

void Connection::StatusPollTick() {
    const LinkState& link = exchange_.link();
    if (!pollingEnabled_ || polling_ || !link.idle()) return;
    std::vector<DeviceSlot> failed;
    {
        FlagGuard busy(polling_, true);
        for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
            const DeviceEntry& e = model_.entry(s);
            if (e.inList && e.online && e.type < kTypeBootLoader && !PollSlot(s)) failed.push_back(s);
        }
        for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
            const DeviceEntry& e = model_.entry(s);
            const bool justFailed = std::find(failed.begin(), failed.end(), s) != failed.end();
            if (lost_[SlotIndex(s)] && !justFailed && e.inList && !e.online && !e.isUsb() && !e.uniqueId.empty() &&
                e.type < kTypeBootLoader)
                Rejoin(s);
        }
    }
    for (const DeviceSlot s : failed) pollFailed.Emit(s);
}

void Connection::ApplyStandby(DeviceSlot slot) {
    DeviceEntry& e = model_.entry(slot);
    DeviceModel& d = model_.device(slot);
    list_.RowChanged(slot);
    d.settings[ds::kStandby] = static_cast<std::uint8_t>(e.standby);
    const Command c = StandbyCommand(d);
    exchange_.SendCommandFrameQuiet(slot, c.code, c.p);
    e.standby = d.settings[ds::kStandby];
    standbyChanged.Emit(slot);
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

void Connection::Exit() {
    Transport& t = exchange_.transport();
    if (t.serial().IsOpen()) {
        for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
            const DeviceEntry& e = model_.entry(s);
            if (e.inList && e.online && e.isUsb()) exchange_.SendCommandFrame(s, cmd::kClose, CommandParams{});
        }
        t.serial().Close();
    }
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
        const DeviceEntry& e = model_.entry(s);
        if (e.inList && e.online && !e.isUsb()) exchange_.SendCommandFrame(s, cmd::kClose, CommandParams{});
    }
    for (int s = 0; s < kTcpConnectionSlots; ++s)
        if (t.tcp().IsConnected(s)) t.tcp().Disconnect(s);
}

}  // namespace zef
