#pragma once
// How the windows hear that the model of a device changed under them (a
// device read, a recalled preset, a change the device made by itself). The
// device-state reader and the preset code emit these events while
// LinkState::sendsSuppressed() holds, after the records and EditorValues hold
// the new values and the response observer was told; a listener only sets
// its controls from the model and redraws. Any number of windows listen.

#include <string>

#include "base/signal.h"
#include "model/slots.h"
#include "model/update_groups.h"

namespace zef {

struct RefreshEvents {
    // Incremental update: one event per group whose bytes changed.
    Signal<DeviceSlot, ParamGroup> groupRefreshed;
    // Whole-device refresh (another preset runs, a recall): every
    // device-level control, then every channel-level control and the graph.
    Signal<DeviceSlot> deviceLevelRefreshed;
    Signal<DeviceSlot> channelLevelRefreshed;
    // The output EQ/FIR editor's controls.
    Signal<DeviceSlot> outputEditorRefreshed;
    // The device list row of the slot (name, network, standby).
    Signal<DeviceSlot> listEntryChanged;
    // An output's (0..1) FIR was read again from the device into the model.
    Signal<DeviceSlot, int> firReread;
    // The device's memory was read into the model again (an update after a
    // change of its own, a whole read, a FIR read again): what the model
    // holds may now differ from what the editor last wrote.
    Signal<DeviceSlot> memoryReread;
    // The channel editor's status line.
    Signal<DeviceSlot, std::string> statusText;
};

}  // namespace zef
