#pragma once
// How the automatic equaliser's fit sees an equaliser: its magnitude at
// kAutoEqPointsPerBand points per band, spaced evenly in log-frequency over
// the band's edges fc * 2^(+-1/6), and the power average of those points
// per band. Shared by the fit's search and by every evaluation of a result.

#include <array>
#include <cmath>
#include <cstddef>

#include "measure/autoeq_fit.h"

namespace zef::measure {

inline constexpr std::size_t kAutoEqPoints = kAnalyserBandCount * kAutoEqPointsPerBand;
using AutoEqPointArray = std::array<double, kAutoEqPoints>;

// 10^(dB/10) = exp(kPowerPerDb * dB).
inline const double kPowerPerDb = std::log(10.0) / 10.0;

inline double GainDbOfCode(int code) { return code / 2.0 - 15.0; }

// A band's magnitude in dB at every point, as the display grid evaluates it
// (dsp::SectionCurveDb's kernel; dsp::BiquadMagnitudeDb where the kernel
// leaves a point undecided). `out` holds kAutoEqPoints values.
void BandResponseAtPoints(int type, double frequencyHz, double q, double gainDb, double* out);
void FilterResponseAtPoints(const AutoEqFilter& f, double* out);

// Power average per band of a response in dB per point, or held as power
// ratios per point.
BandSpectrum BandLevelsOfDb(const AutoEqPointArray& totalDb);
BandSpectrum BandLevelsOfPower(const AutoEqPointArray& power);

// Levels with every value that is not a number replaced by the mean of the
// others (0 when none is), the rest clamped to +-400 dB.
BandSpectrum SanitisedLevels(const BandSpectrum& levels);

}  // namespace zef::measure
