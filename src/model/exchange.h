#pragma once
// The command exchange as the model sees it. Senders, the device-state reader,
// presets and files talk to devices only through this interface; the link
// library implements it over USB serial and TCP.

#include <array>
#include <cstdint>

#include "model/link_state.h"
#include "model/slots.h"

namespace zef {

// p1..p8 of a command frame.
using CommandParams = std::array<std::uint8_t, 8>;

class Exchange {
public:
    virtual ~Exchange() = default;

    // One exchange with the device in `slot`: builds the frame from `command`
    // and `p`, sends it, waits for the reply of the length the command implies
    // and copies it to LinkState::replyBuffer. Returns 0 on success, -1 on
    // failure (after telling the user and taking the slot off-line). Returns 0
    // without sending while sends are suppressed or the slot is off-line.
    // For command 21 the payload is taken from LinkState::blockPayload.
    virtual Status SendCommandFrame(DeviceSlot slot, std::uint8_t command, const CommandParams& p) = 0;

    // As SendCommandFrame, but never shows a message and ignores
    // LinkState::nestedSendSuppressed.
    virtual Status SendCommandFrameQuiet(DeviceSlot slot, std::uint8_t command, const CommandParams& p) = 0;

    // Link state shared with the exchange (reply buffer, block payload, flags).
    virtual LinkState& link() = 0;
};

}  // namespace zef
