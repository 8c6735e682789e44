#pragma once
// The output EQ mode switch (PI 116: 0 = 30-band EQ, otherwise 10-band EQ +
// FIR) without its windows: the question goes through the dialogs seam, and
// the editor window and the command sender are handed in.

#include <cstdint>
#include <functional>

#include "dsp/responses.h"
#include "model/device_model.h"
#include "app/dialogs.h"

namespace zef {

struct EqModeSwitchPorts {
    Dialogs& dialogs;
    // Closes the output EQ/FIR editor when it is open.
    std::function<void()> closeEditor;
    // Sends the stored mode to the device (command 31); returns its status.
    std::function<Status()> sendMode;
};

enum class EqModeSwitch {
    Unchanged,  // the mode was already set: nothing asked, nothing sent
    Declined,   // the user answered No
    Switched,   // stored, sent, both output groups re-summed
};

struct EqModeSwitchOutcome {
    EqModeSwitch result = EqModeSwitch::Unchanged;
    Status sendStatus = kOk;  // of the send, when Switched
};

// Switches the output EQ mode of `slot` to `mode`: if it equals PI 116 nothing
// happens; otherwise asks "Are you sure?" (title "Apply", Yes/No) and on Yes
// closes the editor, stores the mode, sends it and re-sums output groups 2
// and 3. A failed send leaves the model and the sums changed. The caller then
// redraws the selected output's curve and closes the mode window.
EqModeSwitchOutcome SetOutputEqMode(DeviceModel& device, dsp::ResponseStore& store, DeviceSlot slot,
                                    std::uint8_t mode, const EqModeSwitchPorts& ports);

}  // namespace zef
