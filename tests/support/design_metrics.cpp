#include "design_metrics.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace zef::test {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

// X(f) = sum h[n] e^(-2 pi i f n / 48000), the phasor advanced by one
// multiplication per sample (long double keeps the drift far below 1e-12).
std::complex<long double> Dft(std::span<const double> h, double hz) {
    const std::complex<long double> step = std::polar(1.0L, -2 * kPi * hz / 48000.0L);
    std::complex<long double> phasor = 1;
    std::complex<long double> sum = 0;
    for (double v : h) {
        sum += static_cast<long double>(v) * phasor;
        phasor *= step;
    }
    return sum;
}

}  // namespace

std::vector<Point> ResponseAt(std::span<const double> h, std::span<const double> hz) {
    std::vector<Point> out;
    for (double f : hz) {
        const auto x = Dft(h, f);
        out.push_back(
            {f, static_cast<double>(20 * std::log10(std::abs(x))), static_cast<double>(std::arg(x))});
    }
    return out;
}

std::vector<double> LogFrequencies(double low, double high, int count) {
    std::vector<double> hz(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        hz[static_cast<std::size_t>(i)] = low * std::pow(high / low, i / (count - 1.0));
    return hz;
}

double PhaseDeviationFromDelayRms(std::span<const double> h, double low, double high) {
    // Dense enough that neighbouring points never differ by pi.
    const std::vector<double> hz = LogFrequencies(low, high, 2000);
    const std::vector<Point> r = ResponseAt(h, hz);
    std::vector<double> phase(r.size());
    phase[0] = r[0].phase;
    for (std::size_t i = 1; i < r.size(); ++i) {
        double d = r[i].phase - r[i - 1].phase;
        d -= 2 * std::numbers::pi * std::round(d / (2 * std::numbers::pi));
        phase[i] = phase[i - 1] + d;
    }
    // Least squares of phase = a f + c, then c held at a multiple of 2 pi.
    const double n = static_cast<double>(hz.size());
    double sf = 0, sp = 0, sff = 0, sfp = 0;
    for (std::size_t i = 0; i < hz.size(); ++i) {
        sf += hz[i];
        sp += phase[i];
        sff += hz[i] * hz[i];
        sfp += hz[i] * phase[i];
    }
    const double a = (n * sfp - sf * sp) / (n * sff - sf * sf);
    const double c = (sp - a * sf) / n;
    const double c2 = 2 * std::numbers::pi * std::round(c / (2 * std::numbers::pi));
    const double a2 = (sfp - c2 * sf) / sff;
    double sum = 0;
    for (std::size_t i = 0; i < hz.size(); ++i) {
        const double d = phase[i] - (a2 * hz[i] + c2);
        sum += d * d;
    }
    return std::sqrt(sum / n);
}

std::vector<double> SixthOctaveMagnitudeDb(std::span<const double> h, std::span<const double> hz) {
    std::vector<double> out;
    for (double f : hz) {
        const std::vector<double> inner =
            LogFrequencies(f * std::exp2(-1.0 / 12), f * std::exp2(1.0 / 12), 24);
        double power = 0;
        for (const Point& p : ResponseAt(h, inner)) power += std::pow(10.0, p.db / 10);
        out.push_back(10 * std::log10(power / static_cast<double>(inner.size())));
    }
    return out;
}

std::vector<double> Convolve(std::span<const double> a, std::span<const double> b) {
    if (a.empty() || b.empty()) return {};
    std::vector<double> out(a.size() + b.size() - 1, 0.0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == 0) continue;
        for (std::size_t j = 0; j < b.size(); ++j) out[i + j] += a[i] * b[j];
    }
    return out;
}

double PeakGainDb(std::span<const double> h) {
    double peak = -400;
    for (int i = 0; i <= 4096; ++i) {
        const auto x = Dft(h, 24000.0 * i / 4096);
        peak = std::max(peak, static_cast<double>(20 * std::log10(std::abs(x))));
    }
    return peak;
}

}  // namespace zef::test
