#pragma once
// From imported coefficients to what the device stores and what the import
// window draws: the 24-bit device image, the FIR latency and the four phase
// series (wrapped / unwrapped, with / without the latency's pure delay).
//
// Quantisation: c * 2^21 rounded to the nearest integer, exact halves to the
// even neighbour, as a 24-bit two's-complement word, most significant byte
// first. -1.0 -> E0 00 00, 0.5 -> 10 00 00, 2^-21 -> 00 00 01. The words
// cover -4 .. +4 - 2^-21.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "dsp/grid.h"
#include "dsp/response_calculator.h"
#include "model/fir_image.h"

namespace zef::fir {

inline constexpr std::size_t kFirBins = dsp::kGridPoints;  // bins 0..6826 of the 16384-point transform
inline constexpr double kSamplePeriodMs = 0.0208;          // one tap at 48 kHz, as the device counts it

// The three device bytes of one coefficient (dsp::CoefficientToTap, MSB
// first). A value that rounds up to +4 is held at the largest word, 7F FF FF,
// rather than wrapping to -4.
std::array<std::uint8_t, 3> QuantiseCoefficient(double c);

// The 1152-byte device image of up to 384 coefficients; taps from
// coefficients.size() to 383 are zero.
FirImage QuantiseFir(std::span<const double> coefficients);

// Index of the coefficient with the largest magnitude (the first on ties); 0
// for an empty list.
std::size_t PeakTapIndex(std::span<const double> coefficients);

// FIR latency in ms: PeakTapIndex * 0.0208.
double FirLatencyMs(std::span<const double> coefficients);

// Phase in degrees of a pure delay of latencyMs / 0.0208 samples at 48 kHz:
// -(f * pi * (latencyMs / 20.8 * 1000) / 24000) radians.
double LatencyPhaseDeg(double frequencyHz, double latencyMs);

// out[0] = 0; out[k] = p[k] - p[k-1] + out[k-1], then -360 above 180 or +360
// below -180. Degrees in, degrees out.
std::vector<double> WrapPhaseSeries(std::span<const double> phaseDeg);

// The standard unwrap of a phase in radians: each step between neighbours
// that is pi or more in size is brought into [-pi, pi) (a step of exactly
// +pi stays +pi) and the corrections accumulate; element 0 is unchanged.
std::vector<double> UnwrapRadians(std::span<const double> phaseRad);

// UnwrapRadians of a phase given in degrees, result in degrees.
std::vector<double> UnwrapPhaseDeg(std::span<const double> phaseDeg);

struct FirPhaseSeries {
    std::vector<double> wrapped;           // with latency
    std::vector<double> wrappedNoLatency;  // phase minus the latency phase
    std::vector<double> unwrapped;
    std::vector<double> unwrappedNoLatency;
};

// The four series of a phase (degrees per bin) for a FIR of the given
// latency; the latency phase of bin k is taken at grid.hz[k].
FirPhaseSeries BuildPhaseSeries(std::span<const double> phaseDeg, double latencyMs,
                                const dsp::FrequencyGrid& grid);

// Everything the import window shows about a loaded FIR.
struct FirAnalysis {
    std::vector<double> magnitudeDb;  // kFirBins values
    std::vector<double> phaseDeg;     // as delivered, wrapped
    double latencyMs = 0.0;
    FirPhaseSeries series;
};

// Builds the analysis from the response calculator's output for bins
// 0..6826: magnitude in dB and phase in radians (longer inputs are cut).
FirAnalysis AnalyseFir(std::span<const double> coefficients, std::span<const double> magnitudeDb,
                       std::span<const double> phaseRad, const dsp::FrequencyGrid& grid);

// Has `calculator` transform the coefficients (16384 points at 48 kHz) and
// builds the analysis; nullopt when the calculator fails.
std::optional<FirAnalysis> AnalyseFir(std::span<const double> coefficients,
                                      dsp::ResponseCalculator& calculator, const dsp::FrequencyGrid& grid);

}  // namespace zef::fir
