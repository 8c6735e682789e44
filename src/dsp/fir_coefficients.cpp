#include "dsp/fir_coefficients.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/fir.h"

namespace zef::fir {

using dsp::kDegreesPerRadian;

std::array<std::uint8_t, 3> QuantiseCoefficient(double c) {
    const std::uint32_t word = dsp::CoefficientToTap(c);
    return {static_cast<std::uint8_t>(word >> 16 & 0xFF), static_cast<std::uint8_t>(word >> 8 & 0xFF),
            static_cast<std::uint8_t>(word & 0xFF)};
}

FirImage QuantiseFir(std::span<const double> coefficients) {
    FirTapWords taps{};
    const std::size_t n = std::min(coefficients.size(), kFirTapCount);
    for (std::size_t t = 0; t < n; ++t) taps[t] = dsp::CoefficientToTap(coefficients[t]);
    return FirImageFromTaps(taps);
}

std::size_t PeakTapIndex(std::span<const double> coefficients) {
    std::size_t peak = 0;
    for (std::size_t i = 1; i < coefficients.size(); ++i)
        if (std::fabs(coefficients[i]) > std::fabs(coefficients[peak])) peak = i;
    return peak;
}

double FirLatencyMs(std::span<const double> coefficients) {
    return static_cast<double>(PeakTapIndex(coefficients)) * kSamplePeriodMs;
}

double LatencyPhaseDeg(double frequencyHz, double latencyMs) {
    const double radians = -(frequencyHz * std::numbers::pi * (latencyMs / 20.8 * 1000.0) / 24000.0);
    return radians * kDegreesPerRadian;
}

std::vector<double> WrapPhaseSeries(std::span<const double> phaseDeg) {
    std::vector<double> out(phaseDeg.size(), 0.0);
    for (std::size_t k = 1; k < phaseDeg.size(); ++k) {
        double v = phaseDeg[k] - phaseDeg[k - 1] + out[k - 1];
        if (v > 180.0) {
            v -= 360.0;
        } else if (v < -180.0) {
            v += 360.0;
        }
        out[k] = v;
    }
    return out;
}

std::vector<double> UnwrapRadians(std::span<const double> phaseRad) {
    constexpr double pi = std::numbers::pi;
    std::vector<double> out(phaseRad.begin(), phaseRad.end());
    double correction = 0.0;
    for (std::size_t k = 1; k < phaseRad.size(); ++k) {
        const double d = phaseRad[k] - phaseRad[k - 1];
        // (d + pi) modulo 2 pi with a non-negative remainder, then back by pi.
        double m = std::fmod(d + pi, 2.0 * pi);
        if (m < 0.0) m += 2.0 * pi;
        double wrapped = m - pi;
        if (wrapped == -pi && d > 0.0) wrapped = pi;
        if (std::fabs(d) >= pi) correction += wrapped - d;
        out[k] = phaseRad[k] + correction;
    }
    return out;
}

std::vector<double> UnwrapPhaseDeg(std::span<const double> phaseDeg) {
    std::vector<double> rad(phaseDeg.size());
    std::transform(phaseDeg.begin(), phaseDeg.end(), rad.begin(),
                   [](double d) { return d / kDegreesPerRadian; });
    std::vector<double> out = UnwrapRadians(rad);
    for (double& v : out) v *= kDegreesPerRadian;
    return out;
}

FirPhaseSeries BuildPhaseSeries(std::span<const double> phaseDeg, double latencyMs,
                                const dsp::FrequencyGrid& grid) {
    const std::size_t n = std::min(phaseDeg.size(), grid.hz.size());
    std::vector<double> noLatency(n);
    for (std::size_t k = 0; k < n; ++k) noLatency[k] = phaseDeg[k] - LatencyPhaseDeg(grid[k], latencyMs);
    phaseDeg = phaseDeg.first(n);
    FirPhaseSeries s;
    s.wrapped = WrapPhaseSeries(phaseDeg);
    s.wrappedNoLatency = WrapPhaseSeries(noLatency);
    s.unwrapped = UnwrapPhaseDeg(phaseDeg);
    s.unwrappedNoLatency = UnwrapPhaseDeg(noLatency);
    return s;
}

FirAnalysis AnalyseFir(std::span<const double> coefficients, std::span<const double> magnitudeDb,
                       std::span<const double> phaseRad, const dsp::FrequencyGrid& grid) {
    FirAnalysis a;
    a.magnitudeDb.assign(magnitudeDb.begin(), magnitudeDb.begin() + std::min(magnitudeDb.size(), kFirBins));
    const std::size_t n = std::min(phaseRad.size(), kFirBins);
    a.phaseDeg.resize(n);
    for (std::size_t k = 0; k < n; ++k) a.phaseDeg[k] = phaseRad[k] * kDegreesPerRadian;
    a.latencyMs = FirLatencyMs(coefficients);
    a.series = BuildPhaseSeries(a.phaseDeg, a.latencyMs, grid);
    return a;
}

std::optional<FirAnalysis> AnalyseFir(std::span<const double> coefficients,
                                      dsp::ResponseCalculator& calculator, const dsp::FrequencyGrid& grid) {
    if (calculator.compute(coefficients, dsp::kTransformLength, dsp::kSampleRate) != kOk) return std::nullopt;
    if (calculator.magnitudeDb().size() < kFirBins || calculator.phase().size() < kFirBins)
        return std::nullopt;
    return AnalyseFir(coefficients, calculator.magnitudeDb(), calculator.phase(), grid);
}

}  // namespace zef::fir
