#include "measure/ir_views.h"

#include <algorithm>
#include <cmath>

namespace zef::measure {

std::size_t IrViewTransformLength(std::size_t irLength) {
    return GoodFftSize(std::max<std::size_t>(irLength, 65536));
}

std::vector<double> LogFrequencies(double lowHz, double highHz, double perOctave) {
    std::vector<double> f;
    for (int i = 0;; ++i) {
        const double hz = lowHz * std::exp2(i / perOctave);
        if (hz > highHz * (1.0 + 1e-12)) break;
        f.push_back(hz);
    }
    return f;
}

std::vector<double> SmoothedMagnitudeDb(std::span<const std::complex<double>> spectrum, std::size_t n,
                                        double sampleRate, std::span<const double> frequencies,
                                        double octaves) {
    // Prefix sums of the power make each average O(1).
    std::vector<double> prefix(spectrum.size() + 1, 0.0);
    for (std::size_t k = 0; k < spectrum.size(); ++k) prefix[k + 1] = prefix[k] + std::norm(spectrum[k]);
    const double binHz = sampleRate / static_cast<double>(n);
    const double last = static_cast<double>(spectrum.size() - 1);
    const double half = std::exp2(octaves / 2.0);
    std::vector<double> db;
    db.reserve(frequencies.size());
    for (double f : frequencies) {
        const double lo = std::clamp(std::ceil(f / half / binHz), 0.0, last);
        const double hi = std::clamp(std::floor(f * half / binHz), 0.0, last);
        double power;
        if (hi >= lo) {
            const auto a = static_cast<std::size_t>(lo);
            const auto b = static_cast<std::size_t>(hi);
            power = (prefix[b + 1] - prefix[a]) / static_cast<double>(b - a + 1);
        } else {
            const double x = std::clamp(f / binHz, 0.0, last);
            const auto a = static_cast<std::size_t>(std::floor(x));
            const std::size_t b = std::min(a + 1, spectrum.size() - 1);
            const double t = x - static_cast<double>(a);
            power = (1.0 - t) * std::norm(spectrum[a]) + t * std::norm(spectrum[b]);
        }
        db.push_back(power > 0.0 ? std::max(kMagnitudeFloorDb, 10.0 * std::log10(power)) : kMagnitudeFloorDb);
    }
    return db;
}

IrViews ComputeIrViews(std::span<const double> ir, std::size_t preDelay, double sampleRate, RealFft& fft) {
    IrViews v;
    v.timeMs.resize(ir.size());
    v.timeValues.assign(ir.begin(), ir.end());
    for (std::size_t i = 0; i < ir.size(); ++i)
        v.timeMs[i] = (static_cast<double>(i) - static_cast<double>(preDelay)) * 1000.0 / sampleRate;
    fft.Load(ir);
    fft.Forward();
    v.frequencyHz =
        LogFrequencies(kPlotLowestHz, std::min(kPlotHighestHz, sampleRate / 2.0), kPlotPointsPerOctave);
    v.magnitudeDb =
        SmoothedMagnitudeDb(fft.spectrum(), fft.size(), sampleRate, v.frequencyHz, kPlotSmoothingOctaves);
    return v;
}

IrViews ComputeIrViews(std::span<const double> ir, std::size_t preDelay, double sampleRate) {
    RealFft fft(IrViewTransformLength(ir.size()));
    return ComputeIrViews(ir, preDelay, sampleRate, fft);
}

}  // namespace zef::measure
