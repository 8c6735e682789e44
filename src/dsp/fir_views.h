#pragma once
// What the FIR import window draws, as pure functions: the group delay of a
// phase series, the vertical range of each view, the frequency axis
// (logarithmic over three decades from 20 Hz, or linear from 0 to 20 kHz),
// the runs of segments that pass the phase threshold, and the pointer
// read-out. The widgets only paint what these compute.
//
// Group delay: tau = -d(phi)/d(omega) of the unwrapped phase, in ms. For bin
// k with neighbours k-1 and k+1 (one-sided at both ends):
//   tau_k = -(phi[k+1] - phi[k-1]) / (360 * (f[k+1] - f[k-1])) * 1000
// with phi in degrees and f in Hz. A pure delay of n samples at 48 kHz gives
// n / 48 ms at every bin.

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "dsp/graph.h"

namespace zef::fir {

// The three views, in the order of their option buttons.
enum class FirView { GroupDelay = 0, Magnitude = 1, Phase = 2 };
inline constexpr std::array<const char*, 3> kFirViewNames = {"Group Delay", "Mag", "Phase"};

// The phase ranges, in the order of their combo entries (degrees).
inline constexpr std::array<const char*, 3> kPhaseRangeTexts = {"-500 to 100", "-5K  to  1K", "-50k  to 10K"};

// Phase threshold in dBFS: -80..-40; the slider runs 0..40 with
// position = -40 - value.
inline constexpr double kThresholdLowDb = -80.0;
inline constexpr double kThresholdHighDb = -40.0;
inline constexpr int kThresholdSliderMax = 40;
double ClampThreshold(double dbfs);
int ThresholdSliderPosition(double dbfs);
double ThresholdFromSlider(int position);

// tau in ms per bin (see above); `phaseDeg` and `hz` have the same length.
// Fewer than two points give zeros.
std::vector<double> GroupDelayMs(std::span<const double> phaseDeg, std::span<const double> hz);

// A view's vertical range: bottom and top value, the step between labelled
// grid lines, and the unit text of its labels.
struct ValueRange {
    double bottom = 0.0;
    double top = 0.0;
    double step = 1.0;
    const char* unit = "";
};
// Magnitude: -90..+10 dB; group delay: -2..+10, labelled "ms/Hz"; phase: the combo's range
// `phaseRange` 0..2.
ValueRange ViewRange(FirView view, int phaseRange);

// The plot mapping of a box of width x height.
struct FirPlotMapping {
    double width = 0.0;
    double height = 0.0;
    bool logarithmic = true;
    ValueRange range;

    // Lowest frequency on the axis: 20 Hz (log) or 0 Hz (linear); the highest
    // is 20 kHz.
    double lowHz() const;
    double x(double hz) const;
    double y(double value) const;
    double frequencyAt(double x) const;
};

// Grid lines: frequencies of the vertical lines on the axis (log: 20, 30 ...
// 90, 100, 200 ... 20k; linear: every 2 kHz) and values of the horizontal
// lines (every range step from bottom to top).
std::vector<double> FrequencyLines(bool logarithmic);
std::vector<double> ValueLines(const ValueRange& range);

// The polylines of one series over the bins (bin k at hz[k]). Bins below the
// axis' lowest frequency only start the pen. With `magnitudeDb` given (same
// length), the segment between bins k-1 and k is drawn only when both
// magnitudes are at or above `thresholdDb`; every run of drawn segments
// becomes one polyline of at least two points.
std::vector<std::vector<dsp::PlotPoint>> SeriesPolylines(std::span<const double> values,
                                                         std::span<const double> hz,
                                                         const FirPlotMapping& mapping,
                                                         std::span<const double> magnitudeDb = {},
                                                         double thresholdDb = 0.0);

// The bin whose frequency is nearest to `hz` on a grid of `binHz` spacing,
// within 0..bins-1.
std::size_t NearestBin(double hz, double binHz, std::size_t bins);

// The read-out beside the pointer: the value with its unit ("dB; ",
// "Deg; ", "ms; ") then the frequency and "Hz", both to one decimal in the
// locale's number format: "-3.5dB; 1000Hz".
std::string FirReadout(FirView view, double value, double hz, bool decimalComma);

}  // namespace zef::fir
