#pragma once
// The measuring state: what an amplifier does while a microphone listens to
// its own pink noise (the automatic equaliser, the real-time analyser).
//
// The state is sent as ordinary commands built from a copy of the device's
// model with the measuring values in it; the model itself keeps the user's
// values, so leaving the state is sending the same commands built from the
// model. Entering: the other output muted (command 3), then, when asked, the
// measured output's EQ bypass (6), compressor (7) and dynamic filter (28) and
// both inputs' noise gates (10), and last the generator on at its level
// (13, selector 0) so that nothing plays before the rest is in place.
// Leaving sends the generator first, so it is silent before anything else
// comes back.

#include <cstdint>
#include <vector>

#include "device/exchange.h"
#include "model/commands.h"
#include "model/device_model.h"

namespace zef {

enum class EqDuringMeasurement {
    Bypassed,  // measuring the room as it is (the fit's input)
    Active,    // the output's EQ plays (the command line's before/after comparison)
    AsItIs,    // the analyser: the user's own setting
};

struct MeasuringSetup {
    ChannelCode output = kOutput1;  // the output being measured
    std::uint8_t noiseLevel = 80;   // generator level code, heard as code - 80 dBu
    EqDuringMeasurement eq = EqDuringMeasurement::Bypassed;
    bool dynamicsOff = true;  // gates, compressor and dynamic filter off
};

// `user` with the measuring values of `setup` in it.
DeviceModel MeasuringModel(const DeviceModel& user, const MeasuringSetup& setup);

// The commands of the groups the state touches, built from `state`, in the
// order of entering (generator last).
std::vector<Command> MeasuringCommands(const DeviceModel& state, const MeasuringSetup& setup);

// Sends the state, built from the device's model `user`, to the device in
// `device`; the first failed send ends it and is returned. The model is not changed.
Status EnterMeasuringState(Exchange& exchange, DeviceSlot device, const DeviceModel& user,
                           const MeasuringSetup& setup);
// Sends the user's values from the model again (generator first). Every
// command is tried even after a failure; the result is the first failure.
Status LeaveMeasuringState(Exchange& exchange, DeviceSlot device, const DeviceModel& user,
                           const MeasuringSetup& setup);
// The generator command of the state alone (a level change while measuring).
Status SendMeasuringGenerator(Exchange& exchange, DeviceSlot device, const DeviceModel& user,
                              const MeasuringSetup& setup);

}  // namespace zef
