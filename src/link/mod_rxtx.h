#pragma once
// ModRxTx: the command exchange with one device at a time.
//
// An exchange turns a command code and p1..p8 into a frame (command_frame.h),
// sends it over the slot's link — the program's serial port "COM"n for a USB
// device, the slot's TCP connection otherwise — waits for the reply of the
// length the command implies and keeps it in LinkState::replyBuffer.
//
// Lost links: a failed send is repeated once (TCP). A failed receive over USB
// sends the whole frame again; a second failure ends the exchange. A failed
// receive over TCP opens the reconnect window: after a first tick of 500 ms
// the frame is replayed on the same connection; if that fails the slot is
// marked off-line, 2000 ms later the connection is made anew (3000 ms
// time-out) and the frame replayed once more. Over TCP every exchange that
// got its answer is followed by one lone 0x00 byte, which the device ignores.
// An exchange that fails for good takes the slot off-line, tells the user
// ("Communication Error", unless quiet) and closes the link.
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
// second exchange: every handler checks LinkState::linkIdle first, and an
// exchange started while another runs is a programming error — it aborts a
// debug build and is refused (status -1, nothing sent, no state touched) in
// a release build.

#include <cstdint>
#include <functional>
#include <string>

#include "link/command_frame.h"
#include "link/reconnect_presenter.h"
#include "model/device_model.h"
#include "model/exchange.h"
#include "model/link_state.h"
#include "platform/dialogs.h"
#include "platform/transport.h"

namespace zef {

inline constexpr const char* kCommErrorTitle = "Communication Error";
inline constexpr const char* kCommErrorText = "Connection will be closed.\r\nCommand Timeout Expired.";

struct LinkSettings {
    std::uint16_t devicePort = kDefaultDevicePort;  // TCP port of the devices
    std::string configFolder = ".";                 // where init.cfg lives
    ReplyTimeouts replies;
    int reconnectFirstTickMs = 500;  // the reconnect window starts its work after this
    int reconnectWaitMs = 2000;      // pause between a failed replay and the new connection
    int reconnectConnectMs = 3000;   // time-out of the new connection
};

class ModRxTx final : public Exchange {
public:
    // Everything is held by reference and must outlive the exchange: the
    // device list entries (on-line flag, interface, IP address) come from
    // `model`, the flags, addresses and buffers live in `link`.
    ModRxTx(Model& model, LinkState& link, Transport& transport, Dialogs& dialogs,
            ReconnectPresenter& reconnect, LinkSettings settings = {});

    // One exchange; 0 = the reply arrived (for identify: and it was genuine),
    // -1 = failure. Sends nothing and returns 0 while sends are suppressed
    // (sendSuppressed or nestedSendSuppressed) or the slot is off-line.
    // Returns -1 without a message when the serial port cannot be opened;
    // the slot then stays as it was. Command 21 takes its p3 payload bytes
    // from LinkState::blockPayload; p3 above 65 is refused.
    Status SendCommandFrame(DeviceSlot slot, std::uint8_t command, const CommandParams& p) override;

    // The same without any message, and not held back by nestedSendSuppressed.
    Status SendCommandFrameQuiet(DeviceSlot slot, std::uint8_t command, const CommandParams& p) override;

    LinkState& link() override { return link_; }

    // Identifies the device on the slot's link, on-line or not: sends the
    // identify frame and waits for its 30-byte reply (6000 ms over TCP,
    // 50 ms over USB, opening the serial port first if needed). Any failure
    // gives false. A reply that arrived is kept in replyBuffer and its byte 2
    // becomes the slot's address even when the answer is not genuine; true
    // exactly when reply byte 4 is 0x21. No message, no trailing 0x00.
    bool IdentifyDevice(DeviceSlot slot);

    // Identifies whatever answers on the serial port that is open now; no
    // slot, no address learned; the reply is kept in replyBuffer.
    bool IdentifySerialDevice();

    // Tries serial ports 1..64 in turn: closes the port, opens "COM"n at 9600
    // baud and identifies (on behalf of `slot`, learning its address, or
    // without a slot). On the first answer the port stays open,
    // serialPortNumber is n, init.cfg is rewritten with that port number (its
    // IP range kept) and the result is true. False when no port answered;
    // the port is then closed.
    bool FindSerialDevice(DeviceSlot slot);
    bool FindSerialDevice();

    // Called with the slot whenever a failing exchange takes it off-line, so
    // that its on-line indicator can be redrawn.
    void SetOnlineIndicatorHook(std::function<void(DeviceSlot)> hook) { onlineHook_ = std::move(hook); }

    const LinkSettings& settings() const { return settings_; }
    LinkSettings& settings() { return settings_; }
    Transport& transport() { return transport_; }

private:
    Status Exchange(DeviceSlot slot, std::uint8_t command, const CommandParams& p, bool quiet);
    bool EnterExchange();
    bool OpenSerialIfClosed();
    Bytes Frame(DeviceSlot slot, std::uint8_t command, const CommandParams& p);
    Status StoreReply(DeviceSlot slot, std::uint8_t command, const Bytes& reply);
    Status Fail(DeviceSlot slot, bool quiet);
    bool Identify(LinkKind kind, DeviceSlot slot, bool learn);
    bool FindSerial(DeviceSlot slot, bool learn);
    void RunReconnectWindow();
    bool Replay();

    Model& model_;
    LinkState& link_;
    Transport& transport_;
    Dialogs& dialogs_;
    ReconnectPresenter& reconnect_;
    LinkSettings settings_;
    std::function<void(DeviceSlot)> onlineHook_;
};

}  // namespace zef
