#pragma once
// DeviceExchange: the command exchange with one device at a time.
//
// An exchange turns a request (protocol/frame.h) into a frame, sends it over
// the slot's link — the program's serial port "COM"n for a USB device, the
// slot's TCP connection otherwise — waits for the reply of the length the
// command implies, checks its shape against the request (protocol/replies.h)
// and hands it back in the result. A reply that fails its checks counts as
// no reply.
//
// Lost links: a failed send is repeated once (TCP). A failed receive over USB
// sends the whole frame again; a second failure ends the exchange. A failed
// receive over TCP starts the reconnect work: after a first pause of 500 ms
// the connection is made anew (3000 ms time-out) and the frame replayed; if
// that fails the slot is marked off-line and 2000 ms later the same is tried
// once more.
//
// Late replies: a device that answers after the time-out still sends its
// reply, and a reply to a memory read carries no address, so a late reply of
// the same length would pass every check as the answer to the next read.
// After a failed receive a link is therefore never trusted as it is:
//   TCP  the connection is dropped; the replay (and anything after) goes out
//        on a new connection, where no old reply can arrive.
//   USB  the serial line is marked unsynchronised (it stays so across closing
//        and opening the port, for that port number). Before the next frame goes out, an identify
//        is sent and everything the line delivers is discarded up to that
//        identify's own reply (checked against the device's unique ID): the
//        device answers in order, so whatever it owed came before. The wait
//        is bounded (ReplyTimeouts::resync); a line that does not
//        resynchronise fails the exchange.
// A failed identify over TCP closes the connection for the same reason.
//
// Identify is retried like every exchange: a failed one is sent again once, on
// a new connection (TCP, after the reconnect work's first pause) or after
// resynchronising the line (USB). Its reply carries no echo and no checksum,
// so it is trusted only when two replies in a row are the same 30 bytes: a
// bit flipped in the unique ID, the name or the address never becomes the
// device's identity.
//
// Over TCP every exchange that
// got its answer is followed by one lone 0x00 byte, which the device ignores.
// An exchange that fails for good takes the slot off-line (wentOffline),
// reports it (communicationError, unless quiet) and closes the link.
//
// Device changes: every reply carries the device's address in byte 2. A
// device that has changed by itself (front panel, preset recall, FIR change)
// answers with change marks OR-ed into it; the exchange notices the mismatch
// with the learned address and sets LinkState::deviceChanged for the slot and
// deviceChangeBits to the FIR marks (0x20 output 1, 0x40 output 2). The
// closing command 15 clears the slot's flag again.
//
// Exchanges are synchronous and strictly sequential. Waiting runs the event
// loop for timers and repaints, so a timer handler could try to start a
// second exchange: every handler checks LinkState::idle() first, and an
// exchange started while another runs is a programming error — reported,
// and refused (failed, nothing sent, no state touched).

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "base/signal.h"
#include "device/exchange.h"
#include "device/link_monitor.h"
#include "device/link_state.h"
#include "model/device_model.h"
#include "transport/transport.h"

namespace zef {

// Which link a reply is awaited on; only identify's time-out depends on it.
enum class LinkKind { Tcp, Usb };

// Reply time-outs in ms. The defaults are the device's own; tests shorten them.
struct ReplyTimeouts {
    int memory = 10000;            // 20, 21, 23, 24, 25, 29: memory reads, writes, presets, FIR
    int statusPoll = 2000;         // 22
    int close = 2000;              // 15
    int identifyTcp = 6000;        // 0 over TCP
    int identifyUsb = 50;          // 0 over USB (the transport adds the line time)
    int other = 3000;              // parameter commands
    int replayActivateFir = 3000;  // 29 when replayed by the reconnect work
    int resync = 6000;             // the identify that resynchronises a serial line
};

// The time-out of the reply to `command`. `replay` selects the reconnect
// work's variant, where command 29 waits only as long as a parameter command.
int ReplyTimeoutMs(std::uint8_t command, LinkKind link, const ReplyTimeouts& timeouts, bool replay = false);

// Identify frames one identify may send: two that agree, one failure and
// one reply that disagreed.
inline constexpr int kIdentifyAttempts = 4;

struct LinkSettings {
    std::uint16_t devicePort = kDefaultDevicePort;  // TCP port of the devices
    std::string configFolder = ".";                 // where init.cfg lives
    ReplyTimeouts replies;
    int reconnectFirstTickMs = 500;  // the reconnect work starts after this
    int reconnectWaitMs = 2000;      // pause between a failed replay and the new connection
    int reconnectConnectMs = 3000;   // time-out of the new connection
};

class DeviceExchange final : public Exchange {
public:
    // Everything is held by reference and must outlive the exchange: the
    // device list entries (on-line flag, interface, IP address) come from
    // `model`, the flags and addresses live in `link`.
    DeviceExchange(Model& model, LinkState& link, Transport& transport, LinkSettings settings = {});

    // One exchange (see Exchange::Transact). Fails without any event when
    // the serial port cannot be opened; the slot then stays as it was. A
    // block write longer than 65 bytes is refused.
    ExchangeResult Transact(DeviceSlot slot, const Request& request, Reporting reporting) override;

    LinkState& link() override { return link_; }

    // Identifies the device on the slot's link, on-line or not: sends the
    // identify frame and waits for its 30-byte reply (6000 ms over TCP,
    // 50 ms over USB, opening the serial port first if needed), until two
    // replies in a row agree (see above; at most kIdentifyAttempts frames,
    // one failure retried). nullopt on any other outcome. An agreed reply
    // gives the slot its address even when the answer is not genuine
    // (IdentifyReply::genuine). No event but `retrying`, no trailing 0x00.
    std::optional<IdentifyReply> IdentifyDevice(DeviceSlot slot);

    // Identifies whatever answers on the serial port that is open now; no
    // slot, no address learned.
    std::optional<IdentifyReply> IdentifySerialDevice();

    // Tries serial ports 1..64 in turn: closes the port, opens "COM"n at 9600
    // baud and identifies (on behalf of `slot`, learning its address, or
    // without a slot). On the first genuine answer the port stays open,
    // serialPortNumber is n, init.cfg is rewritten with that port number (its
    // IP range kept) and the reply is returned. nullopt when no port
    // answered; the port is then closed.
    std::optional<IdentifyReply> FindSerialDevice(DeviceSlot slot);
    std::optional<IdentifyReply> FindSerialDevice();

    // The device file of the first serial port the system refused to open
    // for lack of permission in the last serial search, when that search
    // found no device (or, outside a search, at the last attempt to open the
    // port); "" when none was.
    // Lets the user be told how to get access instead of "not found".
    const std::string& serialAccessDenied() const { return serialAccessDenied_; }

    // A failure took the slot off-line (its on-line indicator is stale).
    Signal<DeviceSlot> wentOffline;
    // A failure the user is to be told about ("Communication Error").
    Signal<DeviceSlot> communicationError;
    // The device had closed the connection before a request went out (it
    // serves one connection and another client has taken it): the slot is
    // off-line, LinkState::connectionTaken is set, nothing reconnects (that
    // would take the connection back from the other client) and no
    // communicationError is emitted. Told whatever the reporting.
    Signal<DeviceSlot> connectionTaken;
    // The reconnect work started (true) or ended (false); the user can do
    // nothing else meanwhile.
    Signal<bool> reconnecting;

    // A retry outside the reconnect work: over USB the frame goes out again
    // after a failed receive; an identify is sent again on either link.
    Signal<DeviceSlot> retrying;

    // Overall deadline: every wait of the link (reply time-outs, the
    // resynchronisation, pauses and connects of the reconnect work, identify)
    // is cut to the time left before `deadline`, and after it an exchange
    // fails without waiting. nullopt (the default) sets no deadline.
    using Clock = std::chrono::steady_clock;
    void SetDeadline(std::optional<Clock::time_point> deadline) { deadline_ = deadline; }
    bool DeadlinePassed() const { return deadline_ && Clock::now() >= *deadline_; }
    std::optional<Clock::time_point> Deadline() const { return deadline_; }
    // `ms`, cut to the time left before the deadline (0 once it has passed).
    int Budget(int ms) const;

    // True while the serial line may still deliver a reply that came too late.
    bool serialUnsynchronised() const { return SerialStale(); }

    // What the link did, per slot: counters, round trips, the traffic log.
    LinkMonitor& monitor() { return monitor_; }
    const LinkMonitor& monitor() const { return monitor_; }

    const LinkSettings& settings() const { return settings_; }
    LinkSettings& settings() { return settings_; }
    Transport& transport() { return transport_; }
    const Model& model() const { return model_; }

private:
    bool EnterExchange();
    bool OpenSerialIfClosed();
    // Receives and checks the reply to `request` on the slot's link.
    std::optional<std::vector<std::uint8_t>> Receive(DeviceSlot slot, bool usb, const Request& request,
                                                     int timeoutMs, std::size_t sentBytes);
    // Discards serial input up to the reply to a fresh identify from the
    // device with `uniqueId` ("" = any genuine device); the reply, or nullopt.
    // The bytes skipped on the way count as late replies of `slot`.
    std::optional<std::vector<std::uint8_t>> ScanForIdentify(DeviceSlot slot, const std::string& uniqueId,
                                                             int timeoutMs);
    bool SyncSerial(DeviceSlot slot);
    // The mark belongs to the port that failed: another port number is a
    // different line.
    bool SerialStale() const;
    void MarkSerialStale(bool stale);
    void NoteAddress(DeviceSlot slot, std::uint8_t command, std::uint8_t address);
    ExchangeResult Fail(DeviceSlot slot, Reporting reporting);
    ExchangeResult Taken(DeviceSlot slot);
    // Closes the slot's connection; what arrived on it since the last time-out was a late reply.
    void DropTcp(DeviceSlot slot);
    std::optional<std::vector<std::uint8_t>> Reconnect(DeviceSlot slot, const Request& request,
                                                       const Bytes& frame);
    std::optional<std::vector<std::uint8_t>> Replay(DeviceSlot slot, const Request& request, const Bytes& frame);
    std::optional<IdentifyReply> Identify(LinkKind kind, DeviceSlot slot, bool learn);
    // One identify frame and its reply, no retry.
    // `again`: it repeats a frame that got no answer (a retry).
    std::optional<std::vector<std::uint8_t>> IdentifyOnce(LinkKind kind, DeviceSlot slot, bool learn, bool again);
    // After a failed identify over TCP: the reconnect work's pause and a new
    // connection. False when none could be made.
    bool RenewIdentifyLink(LinkKind kind, DeviceSlot slot);
    std::optional<IdentifyReply> FindSerial(DeviceSlot slot, bool learn);
    // Opens serial port `number`, noting a refusal for lack of permission.
    int OpenSerial(int number);

    Model& model_;
    LinkState& link_;
    Transport& transport_;
    LinkSettings settings_;
    std::string serialAccessDenied_;
    std::optional<Clock::time_point> deadline_;
    std::int16_t staleSerialPort_ = 0;  // the serial port that may still deliver late replies
    std::size_t unreadAtTimeout_ = 0;   // bytes already on the connection when the last reply timed out
    LinkMonitor monitor_;
};

}  // namespace zef
