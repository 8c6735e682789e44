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

// The generator level control moved to `v` (0..80, dB = v - 80): the level is
// kept in the model, so that leaving a measuring state restores the chosen
// level rather than an old one, and command 13 goes out at once — with the
// measuring state's generator (on) when `measuring` is given, otherwise with
// the generator as the model holds it, so a level change never switches the
// noise on by itself.
Status ChangeNoiseLevel(const MeasureContext& context, DeviceSlot slot, int v, const MeasuringSetup* measuring);

// Runs each posted task on `context`'s thread, from its event loop.
measure::CardAnalyser::Poster PosterFor(QObject& context);

}  // namespace zef
