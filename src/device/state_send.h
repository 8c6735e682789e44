#pragma once
// Bringing a device from the state its model holds to another state of the
// same device (model/state_diff.h): only what differs is sent, through the
// parameter writer as any edit is — the parameters as one batch (each
// distinct transmission once, linked partners following), then each FIR
// that differs with the FIR writer. The model holds the target's values
// afterwards, also when a send failed (as after any failed edit); the
// writer's Confirm reads back what was written.

#include "device/parameter_writer.h"
#include "model/state_diff.h"

namespace zef {

struct StateSend {
    Status status = kOk;  // the first failed send, or kOk
    int parameters = 0;   // parameters that differed
    int firs = 0;         // FIRs that differed
};

StateSend SendState(ParameterWriter& writer, DeviceSlot device, const DeviceModel& target);

}  // namespace zef
