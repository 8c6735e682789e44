#pragma once
// What the measurement pages draw of an impulse response: the time plot and
// a smoothed magnitude plot.
//
// Time plot: one point per sample, x in ms with 0 at the response's time zero
// (its pre-delay), y the sample values.
// Frequency plot: 1/48-octave points from 10 Hz to 24 kHz (539 points), y
// the magnitude in dB (0 dB = unity gain) of the whole response, power-
// averaged over 1/24 octave around each point.

#include <complex>
#include <cstddef>
#include <span>
#include <vector>

#include "measure/real_fft.h"

namespace zef::measure {

struct IrViews {
    std::vector<double> timeMs;
    std::vector<double> timeValues;
    std::vector<double> frequencyHz;
    std::vector<double> magnitudeDb;
};

inline constexpr double kPlotLowestHz = 10.0;
inline constexpr double kPlotHighestHz = 24000.0;
inline constexpr double kPlotPointsPerOctave = 48.0;
inline constexpr double kPlotSmoothingOctaves = 1.0 / 24.0;
// Magnitudes below this read as this (a silent response, a zero bin).
inline constexpr double kMagnitudeFloorDb = -200.0;

// The transform length ComputeIrViews needs for `irLength` samples: at least
// 65536, so that 1/24 octave at 10 Hz still spans a few bins.
std::size_t IrViewTransformLength(std::size_t irLength);

// The plots of `ir` whose time zero is sample `preDelay` at `sampleRate`.
// `fft` is a transform of IrViewTransformLength(ir.size()) or longer.
IrViews ComputeIrViews(std::span<const double> ir, std::size_t preDelay, double sampleRate, RealFft& fft);

// The same, planning its own transform (planning thread only).
IrViews ComputeIrViews(std::span<const double> ir, std::size_t preDelay, double sampleRate);

// Log-spaced frequencies: `perOctave` points per octave from `lowHz` while
// not above `highHz`.
std::vector<double> LogFrequencies(double lowHz, double highHz, double perOctave);

// Fractional-octave smoothing: for each of `frequencies`, 10 log10 of the mean
// of |X(k)|^2 over the bins within `octaves` octaves centred on it (the
// nearest bin's value, interpolated, when none falls inside), never below
// kMagnitudeFloorDb. `spectrum` holds bins 0..n/2 of an n-point transform at
// `sampleRate`.
std::vector<double> SmoothedMagnitudeDb(std::span<const std::complex<double>> spectrum, std::size_t n,
                                        double sampleRate, std::span<const double> frequencies,
                                        double octaves);

}  // namespace zef::measure
