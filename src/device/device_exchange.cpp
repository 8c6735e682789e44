#include "device/device_exchange.h"

#include <algorithm>
#include <utility>

#include "base/check.h"
#include "protocol/announcement.h"
#include "files/init_config.h"
#include "protocol/commands.h"

namespace zef {
namespace {

constexpr std::uint8_t kTrailingByte = 0x00;
// Bytes a resynchronisation reads at most before it gives up: more than any
// run of owed replies (the longest reply is 260 bytes).
constexpr std::size_t kMaxResyncBytes = 4096;

std::string FaultText(ReplyFault fault) {
    switch (fault) {
        case ReplyFault::None: break;
        case ReplyFault::Length: return "wrong length";
        case ReplyFault::Start: return "no frame start";
        case ReplyFault::Marker: return "no marker";
        case ReplyFault::Command: return "another command";
        case ReplyFault::Echo: return "other parameters echoed";
        case ReplyFault::End: return "no frame end";
    }
    return "none";
}

// Time the bytes take on the serial line at 9600 baud, 10 bits per byte.
int LineMs(std::size_t bytes) {
    return static_cast<int>((bytes * 10 * 1000 + kSerialBaudRate - 1) / kSerialBaudRate);
}

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

DeviceExchange::DeviceExchange(Model& model, LinkState& link, Transport& transport, LinkSettings settings)
    : model_(model), link_(link), transport_(transport), settings_(std::move(settings)) {}

int DeviceExchange::Budget(int ms) const {
    if (!deadline_) return std::max(ms, 0);
    // Rounded up: a wait that uses all of it ends at the deadline, not just before.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline_ - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, std::max(ms, 0)));
}

bool DeviceExchange::EnterExchange() { return ZEF_CHECK(!link_.exchanging() && "one device exchange at a time"); }

bool DeviceExchange::OpenSerialIfClosed() {
    if (transport_.serial().IsOpen()) return true;
    serialAccessDenied_.clear();
    return OpenSerial(link_.serialPortNumber) == kTransportOk;
}

int DeviceExchange::OpenSerial(int number) {
    const int opened = transport_.serial().Open(number, kSerialBaudRate);
    if (opened == kTransportPermissionDenied && serialAccessDenied_.empty())
        serialAccessDenied_ = transport_.serialPorts().PathOf(number).value_or(SerialPortMap::DisplayName(number));
    return opened;
}

void DeviceExchange::NoteAddress(DeviceSlot slot, std::uint8_t command, std::uint8_t address) {
    const std::size_t i = SlotIndex(slot);
    if (address != link_.deviceAddress[i]) {
        link_.deviceChanged[i] = true;
        link_.deviceChangeBits = address & kChangeBitsMask;
    }
    if (command == cmd::kClose) link_.deviceChanged[i] = false;
}

std::optional<std::vector<std::uint8_t>> DeviceExchange::Receive(DeviceSlot slot, bool usb, const Request& request,
                                                          int timeoutMs, std::size_t sentBytes) {
    Bytes reply(ExpectedReplyLength(request));
    // The serial read adds the line time on top; under a deadline it comes out of the budget.
    if (usb && deadline_) timeoutMs = std::max(0, Budget(timeoutMs + LineMs(sentBytes + reply.size())) -
                                                      LineMs(sentBytes + reply.size()));
    else timeoutMs = Budget(timeoutMs);
    TcpClient& tcp = transport_.tcp();
    const int received = usb ? transport_.serial().Read(reply, timeoutMs) : tcp.Receive(slot, reply, timeoutMs);
    const ReplyFault fault = received == kTransportOk ? CheckReply(request, reply) : ReplyFault::None;
    if (received != kTransportOk) {
        unreadAtTimeout_ = usb ? 0 : tcp.Unread(slot);
        monitor_.NoReply(slot, request.command, timeoutMs, !usb && !tcp.IsConnected(slot), unreadAtTimeout_);
    } else if (fault != ReplyFault::None) {
        monitor_.Garbled(slot, request.command, reply.size(), FaultText(fault));
    }
    if (received != kTransportOk || fault != ReplyFault::None) {
        ++link_.doubtfulRequests[SlotIndex(slot)];
        return std::nullopt;
    }
    monitor_.Replied(slot, request.command, reply);
    return reply;
}

ExchangeResult DeviceExchange::Transact(DeviceSlot slot, const Request& request, Reporting reporting) {
    const bool quiet = reporting == Reporting::Quiet;
    DeviceEntry& entry = model_.entry(slot);
    if (link_.sendsSuppressed() || (!quiet && link_.nestedSendsSuppressed()) || !entry.online)
        return ExchangeResult::Skipped();
    if (!EnterExchange()) return ExchangeResult::Failed();
    if (!ZEF_CHECK(request.command != cmd::kWriteMemory ||
                   (request.p[2] <= kMaxBlockWrite && request.payload.size() >= request.p[2])))
        return ExchangeResult::Failed();

    const LinkState::Exchanging exchanging(link_);
    monitor_.BeginExchange(slot);
    const bool usb = entry.isUsb();
    const int timeoutMs = ReplyTimeoutMs(request.command, usb ? LinkKind::Usb : LinkKind::Tcp, settings_.replies);
    TcpClient& tcp = transport_.tcp();
    int sendFailures = 0;
    int receiveFailures = 0;
    std::optional<std::vector<std::uint8_t>> reply;

    while (!reply) {
        if (request.command == cmd::kIdentify) link_.deviceChanged[SlotIndex(slot)] = false;
        const Bytes frame = BuildCommandFrame(link_.deviceAddress[SlotIndex(slot)], request);
        const bool again = sendFailures + receiveFailures > 0;
        if (usb) {
            if (!OpenSerialIfClosed()) return ExchangeResult::Failed();
            if (SerialStale() && !SyncSerial(slot)) return Fail(slot, reporting);
            transport_.serial().Write(frame);
            monitor_.FrameSent(slot, request, frame.size(), again, true);
        } else if (tcp.ClosedByPeer(slot) && !tcp.IsConnected(slot)) {
            return Taken(slot);
        } else if (const bool sent = tcp.Send(slot, frame) == kTransportOk;
                   monitor_.FrameSent(slot, request, frame.size(), again, sent), !sent) {
            if (++sendFailures == 2) return Fail(slot, reporting);
            continue;
        }
        reply = Receive(slot, usb, request, timeoutMs, frame.size());
        if (reply) break;
        if (usb) MarkSerialStale(true);
        if (++receiveFailures == 2 || DeadlinePassed()) return Fail(slot, reporting);
        if (usb) {
            retrying.Emit(slot);
            continue;
        }
        reply = Reconnect(slot, request, frame);
        if (!reply) return Fail(slot, reporting);
    }

    const std::uint8_t address = (*reply)[kReplyAddressByte];
    if (request.command == cmd::kIdentify) {
        link_.deviceAddress[SlotIndex(slot)] = address;
    } else {
        NoteAddress(slot, request.command, address);
    }
    if (!usb) {
        if (tcp.Send(slot, Bytes{kTrailingByte}) != kTransportOk) return Fail(slot, reporting);
        monitor_.ExtraBytesOut(slot, 1);
    }
    // An identify answer that is not genuine fails, without closing down.
    if (request.command == cmd::kIdentify && (*reply)[kIdentifyMarker] != kFrameMarker)
        return ExchangeResult::Failed();
    return ExchangeResult::Replied(std::move(*reply));
}

ExchangeResult DeviceExchange::Fail(DeviceSlot slot, Reporting reporting) {
    const LinkState::Recovering recovering(link_);
    DeviceEntry& entry = model_.entry(slot);
    entry.online = false;
    const std::string cause = monitor_.Figures(slot).lastError;
    monitor_.Error(slot, "off-line" + (cause.empty() ? std::string() : " after: " + cause));
    wentOffline.Emit(slot);
    if (reporting == Reporting::Tell) communicationError.Emit(slot);
    if (entry.isUsb()) {
        if (transport_.serial().IsOpen()) transport_.serial().Close();
    } else if (transport_.tcp().IsConnected(slot)) {
        DropTcp(slot);
    }
    return ExchangeResult::Failed();
}

ExchangeResult DeviceExchange::Taken(DeviceSlot slot) {
    const LinkState::Recovering recovering(link_);
    model_.entry(slot).online = false;
    link_.connectionTaken[SlotIndex(slot)] = true;
    monitor_.Error(slot, "another controller took the connection");
    wentOffline.Emit(slot);
    connectionTaken.Emit(slot);
    transport_.tcp().Disconnect(slot);
    return ExchangeResult::Failed();
}

// ---- the reconnect work -------------------------------------------------------

void DeviceExchange::DropTcp(DeviceSlot slot) {
    TcpClient& tcp = transport_.tcp();
    const std::size_t unread = tcp.Unread(slot);
    monitor_.LateBytes(slot, unread > unreadAtTimeout_ ? unread - unreadAtTimeout_ : 0);
    unreadAtTimeout_ = 0;
    tcp.Disconnect(slot);
}

std::optional<std::vector<std::uint8_t>> DeviceExchange::Reconnect(DeviceSlot slot, const Request& request,
                                                            const Bytes& frame) {
    const LinkState::Recovering recovering(link_);
    reconnecting.Emit(true);
    DeviceEntry& entry = model_.entry(slot);
    TcpClient& tcp = transport_.tcp();
    std::optional<std::vector<std::uint8_t>> reply;
    // The old connection may still deliver the reply that came too late: it
    // is closed, and each attempt replays on a new connection.
    const std::array<int, 2> pauses = {settings_.reconnectFirstTickMs, settings_.reconnectWaitMs};
    for (std::size_t attempt = 0; attempt < pauses.size() && !reply; ++attempt) {
        entry.online = attempt == 0;
        transport_.Pause(Budget(pauses[attempt]));
        if (tcp.IsConnected(slot)) DropTcp(slot);
        if (DeadlinePassed()) break;
        if (tcp.Connect(slot, entry.ip, settings_.devicePort, Budget(settings_.reconnectConnectMs)) != kTransportOk) {
            monitor_.Error(slot, "could not connect again to " + entry.ip);
            continue;
        }
        monitor_.Reconnected(slot);
        entry.online = true;
        reply = Replay(slot, request, frame);
    }
    entry.online = reply.has_value();
    reconnecting.Emit(false);
    return reply;
}

std::optional<std::vector<std::uint8_t>> DeviceExchange::Replay(DeviceSlot slot, const Request& request,
                                                         const Bytes& frame) {
    TcpClient& tcp = transport_.tcp();
    bool sent = false;
    for (int n = 0; n < 2 && !sent; ++n) {
        sent = tcp.Send(slot, frame) == kTransportOk;
        monitor_.FrameSent(slot, request, frame.size(), true, sent);
    }
    if (!sent) return std::nullopt;
    return Receive(slot, false, request, ReplyTimeoutMs(request.command, LinkKind::Tcp, settings_.replies, true),
                   frame.size());
}

// ---- resynchronising the serial line -------------------------------------------

std::optional<std::vector<std::uint8_t>> DeviceExchange::ScanForIdentify(DeviceSlot slot, const std::string& uniqueId,
                                                                         int timeoutMs) {
    SerialPort& port = transport_.serial();
    const Request identify{cmd::kIdentify, {}, {}};
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(Budget(timeoutMs));
    std::vector<std::uint8_t> window;
    Bytes one(1);
    std::size_t read = 0;
    for (; read < kMaxResyncBytes; ++read) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left < 0 || port.Read(one, static_cast<int>(left)) != kTransportOk) break;
        window.push_back(one[0]);
        if (window.size() > kIdentifyReplySize) window.erase(window.begin());
        if (window.size() < kIdentifyReplySize || CheckReply(identify, window) != ReplyFault::None) continue;
        const std::optional<IdentifyReply> id = DecodeIdentify(window);
        if (!id || !id->genuine) continue;
        if (uniqueId.empty() || UniqueIdText(id->uniqueId) == uniqueId) {
            // Whatever came before the identify's own reply was owed by earlier requests.
            monitor_.LateBytes(slot, read + 1 - kIdentifyReplySize);
            monitor_.Replied(slot, cmd::kIdentify, window);
            return window;
        }
    }
    monitor_.NoReply(slot, cmd::kIdentify, timeoutMs, false, 0);
    monitor_.LateBytes(slot, read);
    return std::nullopt;
}

bool DeviceExchange::SerialStale() const {
    return staleSerialPort_ != 0 && staleSerialPort_ == link_.serialPortNumber;
}

void DeviceExchange::MarkSerialStale(bool stale) { staleSerialPort_ = stale ? link_.serialPortNumber : 0; }

bool DeviceExchange::SyncSerial(DeviceSlot slot) {
    const Request identify{cmd::kIdentify, {}, {}};
    const Bytes frame = BuildCommandFrame(0, identify);
    transport_.serial().Write(frame);
    monitor_.FrameSent(slot, identify, frame.size(), false, true);
    const bool synced = ScanForIdentify(slot, model_.entry(slot).uniqueId, settings_.replies.resync).has_value();
    MarkSerialStale(!synced);
    return synced;
}

// ---- identify and the serial port search ---------------------------------------

std::optional<std::vector<std::uint8_t>> DeviceExchange::IdentifyOnce(LinkKind kind, DeviceSlot slot, bool learn,
                                                                      bool again) {
    const Request request{cmd::kIdentify, {}, {}};
    const Bytes frame = BuildCommandFrame(0, request);
    const int timeoutMs = ReplyTimeoutMs(cmd::kIdentify, kind, settings_.replies);
    std::optional<std::vector<std::uint8_t>> reply;
    if (kind == LinkKind::Usb) {
        if (!OpenSerialIfClosed()) return std::nullopt;
        transport_.serial().Write(frame);
        monitor_.FrameSent(slot, request, frame.size(), again, true);
        if (SerialStale()) {
            // The identify is the resynchronisation itself.
            reply = ScanForIdentify(slot, learn ? model_.entry(slot).uniqueId : std::string(),
                                    std::max(timeoutMs, settings_.replies.resync));
            if (!reply) ++link_.doubtfulRequests[SlotIndex(slot)];
        } else {
            reply = Receive(slot, true, request, timeoutMs, frame.size());
        }
        MarkSerialStale(!reply);
    } else {
        const bool sent = transport_.tcp().Send(slot, frame) == kTransportOk;
        monitor_.FrameSent(slot, request, frame.size(), again, sent);
        reply = Receive(slot, false, request, timeoutMs, frame.size());
        // A reply may still come; this connection is not to be read again.
        if (!reply) transport_.tcp().Disconnect(slot);
    }
    return reply;
}

bool DeviceExchange::RenewIdentifyLink(LinkKind kind, DeviceSlot slot) {
    retrying.Emit(slot);
    if (kind == LinkKind::Usb) return true;  // the next identify resynchronises the line
    TcpClient& tcp = transport_.tcp();
    transport_.Pause(Budget(settings_.reconnectFirstTickMs));
    if (tcp.IsConnected(slot)) tcp.Disconnect(slot);
    if (DeadlinePassed()) return false;
    const bool connected =
        tcp.Connect(slot, model_.entry(slot).ip, settings_.devicePort, Budget(settings_.reconnectConnectMs)) ==
        kTransportOk;
    if (connected) monitor_.Reconnected(slot);
    return connected;
}

std::optional<IdentifyReply> DeviceExchange::Identify(LinkKind kind, DeviceSlot slot, bool learn) {
    if (!EnterExchange()) return std::nullopt;
    const LinkState::Exchanging exchanging(link_);
    if (learn) link_.deviceChanged[SlotIndex(slot)] = false;
    monitor_.BeginExchange(slot);
    std::optional<std::vector<std::uint8_t>> last;
    std::optional<std::vector<std::uint8_t>> agreed;
    bool failedOnce = false;
    bool resend = false;  // the next frame repeats one that got no answer
    for (int attempt = 0; attempt < kIdentifyAttempts && !agreed; ++attempt) {
        std::optional<std::vector<std::uint8_t>> reply = IdentifyOnce(kind, slot, learn, std::exchange(resend, false));
        if (!reply) {
            if (failedOnce || DeadlinePassed() || !RenewIdentifyLink(kind, slot)) break;
            failedOnce = true;
            resend = true;
        } else if (last && *last == *reply) {
            agreed = std::move(reply);
        } else {
            last = std::move(reply);
        }
    }
    if (!agreed) return std::nullopt;
    std::optional<IdentifyReply> id = DecodeIdentify(*agreed);
    if (id && learn) link_.deviceAddress[SlotIndex(slot)] = id->address;
    return id;
}

std::optional<IdentifyReply> DeviceExchange::IdentifyDevice(DeviceSlot slot) {
    return Identify(model_.entry(slot).isUsb() ? LinkKind::Usb : LinkKind::Tcp, slot, true);
}

std::optional<IdentifyReply> DeviceExchange::IdentifySerialDevice() {
    if (!transport_.serial().IsOpen()) return std::nullopt;
    return Identify(LinkKind::Usb, 0, false);
}

std::optional<IdentifyReply> DeviceExchange::FindSerialDevice(DeviceSlot slot) { return FindSerial(slot, true); }

std::optional<IdentifyReply> DeviceExchange::FindSerialDevice() { return FindSerial(0, false); }

std::optional<IdentifyReply> DeviceExchange::FindSerial(DeviceSlot slot, bool learn) {
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
