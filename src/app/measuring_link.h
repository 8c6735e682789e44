#pragma once
// The device side of the measuring windows: the measuring state of
// device/measuring_state.h sent to one device slot through the measuring
// context's exchange, and the analyser's spectra brought to the window thread.

#include <QObject>

#include "app/measure_context.h"
#include "device/measuring_state.h"
#include "measure/card_analyser.h"
#include "model/slots.h"

namespace zef {

// What a band shows before its first spectrum.
inline constexpr double kSilentBandDb = -100.0;

// The analyser: generator on at `noiseLevel`, the other output muted; the
// output's EQ and the dynamics as the user set them.
MeasuringSetup AnalyserSetup(ChannelCode output, int noiseLevel);
// The automatic equaliser: generator, other output muted, dynamics off and the
// output's EQ as `eq` says (bypassed to measure, active to verify).
MeasuringSetup AutoEqSetup(ChannelCode output, int noiseLevel, EqDuringMeasurement eq);

// Enter / leave the state on `slot`.
Status EnterMeasuring(const MeasureContext& context, DeviceSlot slot, const MeasuringSetup& setup);
Status LeaveMeasuring(const MeasureContext& context, DeviceSlot slot, const MeasuringSetup& setup);
// The generator command of the state alone (a level change while measuring).
Status SendGenerator(const MeasureContext& context, DeviceSlot slot, const MeasuringSetup& setup);

// Runs each posted task on `context`'s thread, from its event loop.
measure::CardAnalyser::Poster PosterFor(QObject& context);

}  // namespace zef
