#pragma once
// Arithmetic on third-octave band levels (dB).

#include <span>

#include "measure/analyser.h"

namespace zef::measure {

// The power average of several measurements (microphone positions): 10 log10
// of the mean of 10^(L/10) per band. Empty: all -200 dB.
BandSpectrum PowerAverage(std::span<const BandSpectrum> levels);

// Largest minus smallest level per band; zeros for fewer than two.
BandSpectrum Spread(std::span<const BandSpectrum> levels);

// `levels` minus `shape`, band by band: the levels as a fit towards that shape sees them.
BandSpectrum Relative(const BandSpectrum& levels, const BandSpectrum& shape);

}  // namespace zef::measure
