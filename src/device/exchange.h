#pragma once
// The command exchange as the rest of the program sees it. Senders, the
// device-state reader, presets and files talk to devices only through this
// interface; DeviceExchange implements it over USB serial and TCP.

#include <cstdint>
#include <span>
#include <vector>

#include "device/link_state.h"
#include "model/slots.h"
#include "protocol/frame.h"
#include "protocol/replies.h"

namespace zef {

// How one exchange ended.
enum class Outcome : std::uint8_t {
    Replied,  // the device answered; the reply passed its checks
    Skipped,  // nothing was sent: sends suppressed, or the slot is off-line
    Failed,   // the link failed; the slot is off-line now
};

// The result of one exchange, carrying its own reply: nothing else holds it.
class ExchangeResult {
public:
    ExchangeResult() = default;
    static ExchangeResult Skipped() { return ExchangeResult(Outcome::Skipped, {}); }
    static ExchangeResult Failed() { return ExchangeResult(Outcome::Failed, {}); }
    static ExchangeResult Replied(std::vector<std::uint8_t> reply) {
        return ExchangeResult(Outcome::Replied, std::move(reply));
    }

    Outcome outcome() const { return outcome_; }
    bool replied() const { return outcome_ == Outcome::Replied; }
    bool skipped() const { return outcome_ == Outcome::Skipped; }
    bool failed() const { return outcome_ == Outcome::Failed; }
    // The status of a command whose answer nobody reads: a skipped send
    // counts as sent (an off-line device is brought up to date later).
    Status status() const { return failed() ? kFailed : kOk; }
    // The whole reply; empty unless replied().
    std::span<const std::uint8_t> reply() const { return reply_; }

private:
    ExchangeResult(Outcome outcome, std::vector<std::uint8_t> reply)
        : outcome_(outcome), reply_(std::move(reply)) {}

    Outcome outcome_ = Outcome::Failed;
    std::vector<std::uint8_t> reply_;
};

// Whether a failed exchange tells the user ("Communication Error").
enum class Reporting : std::uint8_t { Tell, Quiet };

class Exchange {
public:
    virtual ~Exchange() = default;

    // One exchange with the device in `slot`: builds the frame, sends it,
    // waits for the reply the command implies and checks it. Skipped while
    // sends are suppressed (LinkState::sendsSuppressed; with Reporting::Tell
    // also nestedSendsSuppressed) or the slot is off-line. A failure has taken the
    // slot off-line and, with Reporting::Tell, told the user.
    virtual ExchangeResult Transact(DeviceSlot slot, const Request& request, Reporting reporting) = 0;

    // Link state shared with the exchange (flags, addresses).
    virtual LinkState& link() = 0;

    // A command whose reply nobody reads; 0 = replied or skipped, -1 = failed.
    Status SendCommandFrame(DeviceSlot slot, std::uint8_t command, const CommandParams& p) {
        return Transact(slot, Request{command, p, {}}, Reporting::Tell).status();
    }
    Status SendCommandFrameQuiet(DeviceSlot slot, std::uint8_t command, const CommandParams& p) {
        return Transact(slot, Request{command, p, {}}, Reporting::Quiet).status();
    }
};

}  // namespace zef
