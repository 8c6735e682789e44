#include "link/mod_rxtx.h"

#include <algorithm>
#include <cassert>

#include "link/init_config.h"

namespace zef {
namespace {

constexpr std::uint8_t kTrailingByte = 0x00;
constexpr std::size_t kReplyAddressByte = 2;
constexpr std::size_t kReplyFrameCommandByte = 3;
constexpr std::size_t kReplyFrameCountByte = 6;

}  // namespace

ModRxTx::ModRxTx(Model& model, LinkState& link, Transport& transport, Dialogs& dialogs,
                 ReconnectPresenter& reconnect, LinkSettings settings)
    : model_(model),
      link_(link),
      transport_(transport),
      dialogs_(dialogs),
      reconnect_(reconnect),
      settings_(std::move(settings)) {}

Status ModRxTx::SendCommandFrame(DeviceSlot slot, std::uint8_t command, const CommandParams& p) {
    return Exchange(slot, command, p, false);
}

Status ModRxTx::SendCommandFrameQuiet(DeviceSlot slot, std::uint8_t command, const CommandParams& p) {
    return Exchange(slot, command, p, true);
}

bool ModRxTx::EnterExchange() {
    if (!link_.linkIdle) {
        assert(!"a device exchange was started while another one was running");
        return false;
    }
    return true;
}

bool ModRxTx::OpenSerialIfClosed() {
    SerialPort& port = transport_.serial();
    return port.IsOpen() || port.Open(link_.serialPortNumber, kSerialBaudRate) == kTransportOk;
}

Bytes ModRxTx::Frame(DeviceSlot slot, std::uint8_t command, const CommandParams& p) {
    if (command == kCmdIdentify) link_.deviceChanged[SlotIndex(slot)] = false;
    return BuildCommandFrame(link_.deviceAddress[SlotIndex(slot)], command, p, link_.blockPayload);
}

Status ModRxTx::StoreReply(DeviceSlot slot, std::uint8_t command, const Bytes& reply) {
    const std::size_t i = SlotIndex(slot);
    std::copy_n(reply.begin(), std::min(reply.size(), link_.replyBuffer.size()), link_.replyBuffer.begin());
    const std::uint8_t address = reply[kReplyAddressByte];
    if (command == kCmdIdentify) {
        link_.deviceAddress[i] = address;
        return reply[kIdentifyMarker] == kFrameMarker ? kOk : kFailed;
    }
    if (address != link_.deviceAddress[i]) {
        link_.deviceChanged[i] = true;
        link_.deviceChangeBits = address & kChangeBitsMask;
    }
    if (command == kCmdClose) link_.deviceChanged[i] = false;
    return kOk;
}

Status ModRxTx::Exchange(DeviceSlot slot, std::uint8_t command, const CommandParams& p, bool quiet) {
    DeviceEntry& entry = model_.entry(slot);
    if (link_.sendSuppressed || (!quiet && link_.nestedSendSuppressed) || !entry.online) return kOk;
    if (!EnterExchange()) return kFailed;
    if (command == kCmdWriteMemory && p[2] > kMaxBlockWrite) {
        assert(!"block write longer than 65 bytes");
        return kFailed;
    }

    link_.linkIdle = false;
    const bool usb = entry.isUsb();
    const ReplyExpectation expect =
        ExpectedReply(command, p[2], usb ? LinkKind::Usb : LinkKind::Tcp, settings_.replies);
    TcpClient& tcp = transport_.tcp();
    SerialPort& serial = transport_.serial();
    int sendFailures = 0;
    int receiveFailures = 0;
    Status status = kOk;

    for (;;) {
        const Bytes frame = Frame(slot, command, p);
        if (usb) {
            if (!OpenSerialIfClosed()) {
                link_.linkIdle = true;
                return kFailed;
            }
            serial.Write(frame);
        } else if (tcp.Send(slot, frame) != kTransportOk) {
            if (++sendFailures == 2) return Fail(slot, quiet);
            continue;
        }

        Bytes reply(expect.length);
        const int received =
            usb ? serial.Read(reply, expect.timeoutMs) : tcp.Receive(slot, reply, expect.timeoutMs);
        if (received == kTransportOk) {
            status = StoreReply(slot, command, reply);
            link_.linkIdle = true;
            break;
        }
        if (++receiveFailures == 2) return Fail(slot, quiet);
        if (usb) continue;

        link_.replayFrame = frame;
        link_.replaySlot = slot;
        link_.linkRecovery = true;
        RunReconnectWindow();
        if (link_.replayResult == 0) return Fail(slot, quiet);
        link_.linkIdle = true;
        status = kOk;
        link_.linkRecovery = false;
        break;
    }

    if (!usb && tcp.Send(slot, Bytes{kTrailingByte}) != kTransportOk) return Fail(slot, quiet);
    return status;
}

Status ModRxTx::Fail(DeviceSlot slot, bool quiet) {
    link_.linkRecovery = true;
    DeviceEntry& entry = model_.entry(slot);
    entry.online = false;
    if (onlineHook_) onlineHook_(slot);
    if (!quiet) dialogs_.Message(kCommErrorTitle, kCommErrorText, Icon::Exclamation);
    link_.linkIdle = true;
    if (entry.isUsb()) {
        if (transport_.serial().IsOpen()) transport_.serial().Close();
    } else if (transport_.tcp().IsConnected(slot)) {
        transport_.tcp().Disconnect(slot);
    }
    link_.linkRecovery = false;
    return kFailed;
}

// ---- reconnect window ------------------------------------------------------

void ModRxTx::RunReconnectWindow() {
    reconnect_.Show();
    transport_.Pause(settings_.reconnectFirstTickMs);
    const DeviceSlot slot = link_.replaySlot;
    DeviceEntry& entry = model_.entry(slot);
    TcpClient& tcp = transport_.tcp();

    link_.replayResult = 0;
    entry.online = true;
    if (Replay()) {
        link_.replayResult = 1;
    } else {
        entry.online = false;
        transport_.Pause(settings_.reconnectWaitMs);
        if (tcp.IsConnected(slot)) tcp.Disconnect(slot);
        if (tcp.Connect(slot, entry.ip, settings_.devicePort, settings_.reconnectConnectMs) == kTransportOk) {
            entry.online = true;
            if (Replay())
                link_.replayResult = 1;
            else
                entry.online = false;
        }
    }
    reconnect_.Close();
}

bool ModRxTx::Replay() {
    const DeviceSlot slot = link_.replaySlot;
    const Bytes& frame = link_.replayFrame;
    if (frame.size() <= kReplyFrameCountByte) return false;
    const std::uint8_t command = frame[kReplyFrameCommandByte];
    const ReplyExpectation expect =
        ExpectedReply(command, frame[kReplyFrameCountByte], LinkKind::Tcp, settings_.replies, true);
    TcpClient& tcp = transport_.tcp();
    if (tcp.Send(slot, frame) != kTransportOk && tcp.Send(slot, frame) != kTransportOk) return false;
    Bytes reply(expect.length);
    if (tcp.Receive(slot, reply, expect.timeoutMs) != kTransportOk) return false;
    StoreReply(slot, command, reply);
    return true;
}

// ---- identify and the serial port search -----------------------------------

bool ModRxTx::Identify(LinkKind kind, DeviceSlot slot, bool learn) {
    if (!EnterExchange()) return false;
    FlagGuard busy(link_.linkIdle, false);
    if (learn) link_.deviceChanged[SlotIndex(slot)] = false;
    const Bytes frame = BuildCommandFrame(0, kCmdIdentify, CommandParams{}, link_.blockPayload);
    const ReplyExpectation expect = ExpectedReply(kCmdIdentify, 0, kind, settings_.replies);
    Bytes reply(expect.length);
    if (kind == LinkKind::Usb) {
        if (!OpenSerialIfClosed()) return false;
        transport_.serial().Write(frame);
        if (transport_.serial().Read(reply, expect.timeoutMs) != kTransportOk) return false;
    } else {
        transport_.tcp().Send(slot, frame);
        if (transport_.tcp().Receive(slot, reply, expect.timeoutMs) != kTransportOk) return false;
    }
    std::copy(reply.begin(), reply.end(), link_.replyBuffer.begin());
    if (learn) link_.deviceAddress[SlotIndex(slot)] = reply[kIdentifyAddress];
    return reply[kIdentifyMarker] == kFrameMarker;
}

bool ModRxTx::IdentifyDevice(DeviceSlot slot) {
    return Identify(model_.entry(slot).isUsb() ? LinkKind::Usb : LinkKind::Tcp, slot, true);
}

bool ModRxTx::IdentifySerialDevice() {
    if (!transport_.serial().IsOpen()) return false;
    return Identify(LinkKind::Usb, 0, false);
}

bool ModRxTx::FindSerialDevice(DeviceSlot slot) { return FindSerial(slot, true); }

bool ModRxTx::FindSerialDevice() { return FindSerial(0, false); }

bool ModRxTx::FindSerial(DeviceSlot slot, bool learn) {
    SerialPort& port = transport_.serial();
    for (int n = 1; n <= kSerialPortCount; ++n) {
        if (port.IsOpen()) port.Close();
        link_.serialPortNumber = static_cast<std::int16_t>(n);
        if (port.Open(n, kSerialBaudRate) != kTransportOk) continue;
        if (Identify(LinkKind::Usb, slot, learn)) {
            InitConfig config = ReadInitConfig(settings_.configFolder);
            config.serialPortNumber = link_.serialPortNumber;
            WriteInitConfig(settings_.configFolder, config);
            return true;
        }
    }
    if (port.IsOpen()) port.Close();
    return false;
}

}  // namespace zef
