#pragma once
// The display frequency grid shared by every response curve: point k lies at
// k * 48000 / 16384 Hz, k = 0..6826 (0 Hz .. 19998.05 Hz in steps of
// 2.9296875 Hz). Point 0 (0 Hz) is never drawn and every filter reads 0 dB
// there.

#include <array>
#include <cstddef>

#include "model/slots.h"

namespace zef::dsp {

inline constexpr double kSampleRate = 48000.0;
inline constexpr int kTransformLength = 16384;
inline constexpr std::size_t kGridPoints = 6827;
inline constexpr double kGridStepHz = kSampleRate / kTransformLength;  // 2.9296875, exact

// The value a response point takes when its arithmetic fails (a logarithm of
// zero or of a negative number); also the floor of FIR magnitudes.
inline constexpr double kFaultDb = -200.0;

// One response curve in dB (or degrees for phase), one value per grid point.
using Curve = std::array<double, kGridPoints>;

// The grid frequencies in Hz, single precision (every value is exact in float).
struct FrequencyGrid {
    std::array<float, kGridPoints> hz{};

    // k * 48000 / 16384 for every point.
    static FrequencyGrid Nominal();
    double operator[](std::size_t k) const { return hz[k]; }
    bool operator==(const FrequencyGrid&) const = default;
};

// sin^2(pi f / 48000): the frequency term of the section magnitude. Both the
// per-point evaluation and the grid tables compute it here so that they agree
// bit for bit.
double SinSquaredTerm(double frequencyHz);

// Per-grid tables the curve evaluation reads instead of calling sin per point.
struct GridTables {
    explicit GridTables(const FrequencyGrid& grid);

    std::array<double, kGridPoints> hz{};   // the grid in double precision
    std::array<double, kGridPoints> phi{};  // SinSquaredTerm(hz[k])
};

class ResponseCalculator;

// Start-up fill of the grid: has `calculator` transform a 384-tap unit impulse
// (length 16384 at 48000 Hz) and takes the first 6827 entries of its
// frequency array. kFailed, and `grid` untouched, when the calculator fails,
// delivers fewer points, or delivers any point other than k * 48000 / 16384.
Status FillFrequencyGrid(ResponseCalculator& calculator, FrequencyGrid& grid);

}  // namespace zef::dsp
