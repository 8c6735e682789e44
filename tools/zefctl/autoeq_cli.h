#pragma once
// The automatic equaliser's sub-command, shared by its two halves: `autoeq
// fit` on numbers (commands_design.cpp) and `autoeq run` on a device
// (commands_autoeq.cpp).

#include "cli.h"
#include "measure/analyser.h"
#include "measure/autoeq_fit.h"

namespace zefctl {

// --max-gain 1..6 (dB, default 6; --max-boost / --max-cut set each side) and
// --bands MIN-MAX (0..29, default all).
zef::measure::AutoEqRange AutoEqRangeOptions(const Context& ctx);

// The 30 filters and the predicted residual per band, as text or --json.
// The fit was made to `levels` minus the target's `shape` (zeros: flat);
// `levels` is the power average of `positions` when several were measured.
void PrintAutoEqFit(Context& ctx, const zef::measure::AutoEqFit& fit, const zef::BandSpectrum& levels,
                    const zef::measure::AutoEqRange& range, const zef::BandSpectrum& shape,
                    const std::vector<zef::BandSpectrum>& positions = {});

// --target as band levels: the shape the fit aims at (zeros when flat).
zef::BandSpectrum TargetShapeOption(const Context& ctx);

// autoeq run HOST OUTPUT ...
int AutoEqRun(Context& ctx);

}  // namespace zefctl
