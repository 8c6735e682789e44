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

// How far levels stray from a shape (a target's; zeros: flat) at their own
// mean level, over bands minBand..maxBand — those marked in `only`, when given.
struct BandDeviation {
    double rms = 0;
    double largest = 0;
};
BandDeviation DeviationFromShape(const BandSpectrum& levels, const BandSpectrum& shape, int minBand, int maxBand,
                                 const std::array<bool, kAnalyserBandCount>* only = nullptr);

// `levels` minus `shape`, band by band: the levels as a fit towards that shape sees them.
BandSpectrum Relative(const BandSpectrum& levels, const BandSpectrum& shape);

}  // namespace zef::measure
