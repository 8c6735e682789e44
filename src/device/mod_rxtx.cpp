#include "device/mod_rxtx.h"

#include <algorithm>

#include "base/check.h"
#include "files/init_config.h"
#include "protocol/commands.h"

namespace zef {
namespace {

constexpr std::uint8_t kTrailingByte = 0x00;

}  // namespace

int ReplyTimeoutMs(std::uint8_t command, LinkKind link, const ReplyTimeouts& t, bool replay) {
    if (command == cmd::kActivateFir && replay) return t.replayActivateFir;
    const CommandInfo* info = FindCommand(command);
    switch (info ? info->wait : ReplyWait::Parameter) {
        case ReplyWait::Memory:
            return t.memory;
        case ReplyWait::Status:
            return t.statusPoll;
        case ReplyWait::Close:
            return t.close;
        case ReplyWait::Identify:
            return link == LinkKind::Tcp ? t.identifyTcp : t.identifyUsb;
        case ReplyWait::Parameter:
            break;
    }
    return t.other;
}

ModRxTx::ModRxTx(Model& model, LinkState& link, Transport& transport, LinkSettings settings)
    : model_(model), link_(link), transport_(transport), settings_(std::move(settings)) {}

bool ModRxTx::EnterExchange() { return ZEF_CHECK(link_.linkIdle && "one device exchange at a time"); }

bool ModRxTx::OpenSerialIfClosed() {
    if (transport_.serial().IsOpen()) return true;
    serialAccessDenied_.clear();
    return OpenSerial(link_.serialPortNumber) == kTransportOk;
}

int ModRxTx::OpenSerial(int number) {
    const int opened = transport_.serial().Open(number, kSerialBaudRate);
    if (opened == kTransportPermissionDenied && serialAccessDenied_.empty())
        serialAccessDenied_ = transport_.serialPorts().PathOf(number).value_or(SerialPortMap::DisplayName(number));
    return opened;
}

void ModRxTx::NoteAddress(DeviceSlot slot, std::uint8_t command, std::uint8_t address) {
    const std::size_t i = SlotIndex(slot);
    if (address != link_.deviceAddress[i]) {
        link_.deviceChanged[i] = true;
        link_.deviceChangeBits = address & kChangeBitsMask;
    }
    if (command == cmd::kClose) link_.deviceChanged[i] = false;
}

std::optional<std::vector<std::uint8_t>> ModRxTx::Receive(DeviceSlot slot, bool usb, const Request& request,
                                                          int timeoutMs) {
    Bytes reply(ExpectedReplyLength(request));
    const int received =
        usb ? transport_.serial().Read(reply, timeoutMs) : transport_.tcp().Receive(slot, reply, timeoutMs);
    if (received != kTransportOk || CheckReply(request, reply) != ReplyFault::None) return std::nullopt;
    return reply;
}

ExchangeResult ModRxTx::Transact(DeviceSlot slot, const Request& request, Reporting reporting) {
    const bool quiet = reporting == Reporting::Quiet;
    DeviceEntry& entry = model_.entry(slot);
    if (link_.sendSuppressed || (!quiet && link_.nestedSendSuppressed) || !entry.online)
        return ExchangeResult::Skipped();
    if (!EnterExchange()) return ExchangeResult::Failed();
    if (!ZEF_CHECK(request.command != cmd::kWriteMemory ||
                   (request.p[2] <= kMaxBlockWrite && request.payload.size() >= request.p[2])))
        return ExchangeResult::Failed();

    link_.linkIdle = false;
    const bool usb = entry.isUsb();
    const int timeoutMs = ReplyTimeoutMs(request.command, usb ? LinkKind::Usb : LinkKind::Tcp, settings_.replies);
    TcpClient& tcp = transport_.tcp();
    int sendFailures = 0;
    int receiveFailures = 0;
    std::optional<std::vector<std::uint8_t>> reply;

    while (!reply) {
        if (request.command == cmd::kIdentify) link_.deviceChanged[SlotIndex(slot)] = false;
        const Bytes frame = BuildCommandFrame(link_.deviceAddress[SlotIndex(slot)], request);
        if (usb) {
            if (!OpenSerialIfClosed()) {
                link_.linkIdle = true;
                return ExchangeResult::Failed();
            }
            transport_.serial().Write(frame);
        } else if (tcp.Send(slot, frame) != kTransportOk) {
            if (++sendFailures == 2) return Fail(slot, reporting);
            continue;
        }
        reply = Receive(slot, usb, request, timeoutMs);
        if (reply) break;
        if (++receiveFailures == 2) return Fail(slot, reporting);
        if (usb) continue;
        reply = Reconnect(slot, request, frame);
        if (!reply) return Fail(slot, reporting);
    }

    const std::uint8_t address = (*reply)[kReplyAddressByte];
    if (request.command == cmd::kIdentify) {
        link_.deviceAddress[SlotIndex(slot)] = address;
    } else {
        NoteAddress(slot, request.command, address);
    }
    link_.linkIdle = true;
    if (!usb && tcp.Send(slot, Bytes{kTrailingByte}) != kTransportOk) return Fail(slot, reporting);
    // An identify answer that is not genuine fails, without closing down.
    if (request.command == cmd::kIdentify && (*reply)[kIdentifyMarker] != kFrameMarker)
        return ExchangeResult::Failed();
    return ExchangeResult::Replied(std::move(*reply));
}

ExchangeResult ModRxTx::Fail(DeviceSlot slot, Reporting reporting) {
    link_.linkRecovery = true;
    DeviceEntry& entry = model_.entry(slot);
    entry.online = false;
    wentOffline.Emit(slot);
    if (reporting == Reporting::Tell) communicationError.Emit(slot);
    link_.linkIdle = true;
    if (entry.isUsb()) {
        if (transport_.serial().IsOpen()) transport_.serial().Close();
    } else if (transport_.tcp().IsConnected(slot)) {
        transport_.tcp().Disconnect(slot);
    }
    link_.linkRecovery = false;
    return ExchangeResult::Failed();
}

// ---- the reconnect work -------------------------------------------------------

std::optional<std::vector<std::uint8_t>> ModRxTx::Reconnect(DeviceSlot slot, const Request& request,
                                                            const Bytes& frame) {
    FlagGuard recovery(link_.linkRecovery, true);
    reconnecting.Emit(true);
    transport_.Pause(settings_.reconnectFirstTickMs);
    DeviceEntry& entry = model_.entry(slot);
    TcpClient& tcp = transport_.tcp();

    entry.online = true;
    std::optional<std::vector<std::uint8_t>> reply = Replay(slot, request, frame);
    if (!reply) {
        entry.online = false;
        transport_.Pause(settings_.reconnectWaitMs);
        if (tcp.IsConnected(slot)) tcp.Disconnect(slot);
        if (tcp.Connect(slot, entry.ip, settings_.devicePort, settings_.reconnectConnectMs) == kTransportOk) {
            entry.online = true;
            reply = Replay(slot, request, frame);
            if (!reply) entry.online = false;
        }
    }
    reconnecting.Emit(false);
    return reply;
}

std::optional<std::vector<std::uint8_t>> ModRxTx::Replay(DeviceSlot slot, const Request& request,
                                                         const Bytes& frame) {
    TcpClient& tcp = transport_.tcp();
    if (tcp.Send(slot, frame) != kTransportOk && tcp.Send(slot, frame) != kTransportOk) return std::nullopt;
    return Receive(slot, false, request, ReplyTimeoutMs(request.command, LinkKind::Tcp, settings_.replies, true));
}

// ---- identify and the serial port search ---------------------------------------

std::optional<IdentifyReply> ModRxTx::Identify(LinkKind kind, DeviceSlot slot, bool learn) {
    if (!EnterExchange()) return std::nullopt;
    FlagGuard busy(link_.linkIdle, false);
    if (learn) link_.deviceChanged[SlotIndex(slot)] = false;
    const Request request{cmd::kIdentify, {}, {}};
    const Bytes frame = BuildCommandFrame(0, request);
    const int timeoutMs = ReplyTimeoutMs(cmd::kIdentify, kind, settings_.replies);
    std::optional<std::vector<std::uint8_t>> reply;
    if (kind == LinkKind::Usb) {
        if (!OpenSerialIfClosed()) return std::nullopt;
        transport_.serial().Write(frame);
        reply = Receive(slot, true, request, timeoutMs);
    } else {
        transport_.tcp().Send(slot, frame);
        reply = Receive(slot, false, request, timeoutMs);
    }
    if (!reply) return std::nullopt;
    std::optional<IdentifyReply> id = DecodeIdentify(*reply);
    if (id && learn) link_.deviceAddress[SlotIndex(slot)] = id->address;
    return id;
}

std::optional<IdentifyReply> ModRxTx::IdentifyDevice(DeviceSlot slot) {
    return Identify(model_.entry(slot).isUsb() ? LinkKind::Usb : LinkKind::Tcp, slot, true);
}

std::optional<IdentifyReply> ModRxTx::IdentifySerialDevice() {
    if (!transport_.serial().IsOpen()) return std::nullopt;
    return Identify(LinkKind::Usb, 0, false);
}

std::optional<IdentifyReply> ModRxTx::FindSerialDevice(DeviceSlot slot) { return FindSerial(slot, true); }

std::optional<IdentifyReply> ModRxTx::FindSerialDevice() { return FindSerial(0, false); }

std::optional<IdentifyReply> ModRxTx::FindSerial(DeviceSlot slot, bool learn) {
    SerialPort& port = transport_.serial();
    serialAccessDenied_.clear();
    for (int n = 1; n <= kSerialPortCount; ++n) {
        if (port.IsOpen()) port.Close();
        link_.serialPortNumber = static_cast<std::int16_t>(n);
        if (OpenSerial(n) != kTransportOk) continue;
        std::optional<IdentifyReply> id = Identify(LinkKind::Usb, slot, learn);
        if (id && id->genuine) {
            InitConfig config = ReadInitConfig(settings_.configFolder);
            config.serialPortNumber = link_.serialPortNumber;
            WriteInitConfig(settings_.configFolder, config);
            serialAccessDenied_.clear();  // a device answered: a refused port did not matter
            return id;
        }
    }
    if (port.IsOpen()) port.Close();
    return std::nullopt;
}

}  // namespace zef
