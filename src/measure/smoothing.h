#pragma once
// Fractional-octave smoothing of spectra held on linear frequency bins
// (bin k at k * binHz): each bin becomes the plain mean of the bins between
// k * 2^(-w/2) and k * 2^(+w/2), w the width in octaves, so a 1/6-octave
// smoothing averages everything within a twelfth of an octave either side.
// Bin 0 (DC) is kept as it is. Runs in O(n) with running sums.

#include <array>
#include <complex>
#include <span>

namespace zef::measure {

// Widths of the designer's smoothing-width index 0..4, in octaves.
inline constexpr std::array<double, 5> kSmoothingWidthsOctaves = {1.0 / 6, 1.0 / 5, 1.0 / 4, 1.0 / 3,
                                                                  1.0 / 2};

// `out` may not alias `in`; both have the same size.
void SmoothOctaveFraction(std::span<const double> in, double widthOctaves, std::span<double> out);
void SmoothOctaveFraction(std::span<const std::complex<double>> in, double widthOctaves,
                          std::span<std::complex<double>> out);

// Raises every value of `power` lying more than thresholdDb below the same
// bin of `reference` to reference * 10^(-thresholdDb / 10). Power values, not
// dB.
void LimitDips(std::span<double> power, std::span<const double> reference, double thresholdDb);

}  // namespace zef::measure
