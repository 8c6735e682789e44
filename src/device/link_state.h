#pragma once
// Program-wide state of the device link, shared by the exchange, the
// device-state reader, the timers and the windows: what each device last
// said about itself (its address, whether it changed by itself), and three
// conditions that are only ever set for the length of a scope:
//   exchanging      an exchange runs (the exchange's own guard);
//   recovering      the reconnect work runs or a failed exchange closes down;
//   sends suppressed  windows are being filled from the model: parameter
//                   sends are skipped (and, in the nested form, only those
//                   that would tell the user of a failure).
// Timer handlers ask idle() before they start an exchange: the exchange waits
// for its reply inside a local event loop, so a timer can fire during one.

#include <array>
#include <cstdint>

#include "model/slots.h"

namespace zef {

// Sets a flag for the lifetime of the guard and restores its previous value.
class FlagGuard {
public:
    FlagGuard(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
    ~FlagGuard() { flag_ = saved_; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
    bool saved_;
};

class LinkState {
public:
    std::array<std::uint8_t, kSlotCount> deviceAddress{};  // learned from identify reply byte 2
    std::array<bool, kSlotCount> deviceChanged{};          // a reply's address byte differed
    std::uint16_t deviceChangeBits = 0;  // reply byte 2 AND 0x60 of the last mismatching reply
    // Requests whose reply failed its checks or never came, counted per slot
    // from the start: each may have reached the device altered (the link has
    // no checksum) and been acted on as another request. A confirmation that
    // sees this count move checks the whole device, not only what it wrote.
    std::array<std::uint32_t, kSlotCount> doubtfulRequests{};
    // doubtfulRequests as it stood when a check of the whole device last
    // found it as expected (device/readback.h).
    std::array<std::uint32_t, kSlotCount> doubtsSettled{};
    // The device closed this program's connection while it was idle (another
    // client took the device's only connection): the slot went off-line and
    // is not reconnected until the user connects it again.
    std::array<bool, kSlotCount> connectionTaken{};
    std::int16_t serialPortNumber = 0;   // port n of "COM"n used for USB devices

    // No exchange runs and no reconnect work: a timer may start an exchange.
    bool idle() const { return !exchanging_ && !recovering_; }
    bool exchanging() const { return exchanging_; }
    bool recovering() const { return recovering_; }
    bool sendsSuppressed() const { return suppressed_; }
    bool nestedSendsSuppressed() const { return nestedSuppressed_; }

    // Each guard sets its condition for its lifetime and restores the
    // previous state when it ends, so guards nest.
    class Exchanging;
    class Recovering;
    class SuppressSends;
    class SuppressNestedSends;

private:
    bool exchanging_ = false;
    bool recovering_ = false;
    bool suppressed_ = false;
    bool nestedSuppressed_ = false;
};

class LinkState::Exchanging : private FlagGuard {
public:
    explicit Exchanging(LinkState& link) : FlagGuard(link.exchanging_, true) {}
};

class LinkState::Recovering : private FlagGuard {
public:
    explicit Recovering(LinkState& link) : FlagGuard(link.recovering_, true) {}
};

class LinkState::SuppressSends : private FlagGuard {
public:
    explicit SuppressSends(LinkState& link) : FlagGuard(link.suppressed_, true) {}
};

class LinkState::SuppressNestedSends : private FlagGuard {
public:
    explicit SuppressNestedSends(LinkState& link) : FlagGuard(link.nestedSuppressed_, true) {}
};

}  // namespace zef
