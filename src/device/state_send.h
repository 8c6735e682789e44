#pragma once
// Bringing a device from the state its model holds to another state of the
// same device (model/state_diff.h): only what differs is sent, through the
// parameter writer as any edit is — the parameters as one batch (each
// distinct transmission once, linked partners following), then each FIR
// that differs with the FIR writer. The model holds the target's values
// afterwards, also when a send failed (as after any failed edit); the
// writer's Confirm reads back what was written.

#include "device/parameter_writer.h"
#include "device/readback.h"
#include "model/state_diff.h"

namespace zef {

struct StateSend {
    Status status = kOk;  // the first failed send, or kOk
    int parameters = 0;   // parameters that differed
    int firs = 0;         // FIRs that differed
};

StateSend SendState(ParameterWriter& writer, DeviceSlot device, const DeviceModel& target);

// A difference sent as SendState sends one: its parameter values as one
// batch, then each listed output's FIR as `firSource` holds it. The first
// failed send, or kOk.
Status SendDiff(ParameterWriter& writer, DeviceSlot device, const StateDiff& diff, const DeviceModel& firSource);

// A state loaded into a device (a project's, a file's): what the device
// holds afterwards. `loaded`'s editable device state (DS 205..217), preset,
// FIRs and EQ target over `device`'s own identity, firmware and network
// settings; EditorValues follow the result.
DeviceModel LoadedState(const DeviceModel& device, const DeviceModel& loaded);

// SendState checked before and after, as a whole load is: a target with an
// illegal value is refused before anything is sent; what was sent is read
// back (the writer's Confirm); then any other editable byte that still
// differs (the preset's and channels' names, which no parameter names) is
// written from the target and read back too. Unless refused, the model
// holds `target` afterwards.
struct VerifiedStateSend {
    StateSend sent;
    WriteReport report;  // Refused, Failed (sent.status), or the read-back's outcome
};
VerifiedStateSend SendStateVerified(ParameterWriter& writer, DeviceSlot device, const DeviceModel& target);

}  // namespace zef
