#pragma once
// Options the measuring sub-commands share: the calibration of the
// microphone chain and the target curve.

#include "cli.h"
#include "files/frequency_curve.h"
#include "measure/calibration.h"

namespace zefctl {

// --mic-cal FILE and --card-cal FILE (frequency curves); empty when neither is given.
zef::measure::Calibration CalibrationOptions(const Context& ctx);

// --target FILE (a frequency curve) or --target tilt:DB (dB per octave through
// 1 kHz); flat when absent.
zef::FrequencyCurve TargetOption(const Context& ctx);

}  // namespace zefctl
