#include "measure/band_levels.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zef::measure {

BandSpectrum PowerAverage(std::span<const BandSpectrum> levels) {
    BandSpectrum average;
    average.fill(-200.0);
    if (levels.empty()) return average;
    for (std::size_t b = 0; b < average.size(); ++b) {
        double power = 0;
        for (const BandSpectrum& l : levels) power += std::pow(10.0, l[b] / 10.0);
        average[b] = power > 0 ? 10.0 * std::log10(power / static_cast<double>(levels.size())) : -200.0;
    }
    return average;
}

BandSpectrum Spread(std::span<const BandSpectrum> levels) {
    BandSpectrum spread{};
    if (levels.size() < 2) return spread;
    for (std::size_t b = 0; b < spread.size(); ++b) {
        const auto [low, high] = std::minmax_element(levels.begin(), levels.end(),
                                                     [b](const BandSpectrum& x, const BandSpectrum& y) { return x[b] < y[b]; });
        spread[b] = (*high)[b] - (*low)[b];
    }
    return spread;
}

BandDeviation DeviationFromShape(const BandSpectrum& levels, const BandSpectrum& shape, int minBand, int maxBand,
                                 const std::array<bool, kAnalyserBandCount>* only) {
    std::vector<double> used;
    for (int b = std::max(minBand, 0); b <= std::min<int>(maxBand, kAnalyserBandCount - 1); ++b) {
        const auto k = static_cast<std::size_t>(b);
        if (!only || (*only)[k]) used.push_back(levels[k] - shape[k]);
    }
    BandDeviation d;
    if (used.empty()) return d;
    double mean = 0;
    for (double v : used) mean += v;
    mean /= static_cast<double>(used.size());
    for (double v : used) {
        d.rms += (v - mean) * (v - mean);
        d.largest = std::max(d.largest, std::fabs(v - mean));
    }
    d.rms = std::sqrt(d.rms / static_cast<double>(used.size()));
    return d;
}

BandSpectrum Relative(const BandSpectrum& levels, const BandSpectrum& shape) {
    BandSpectrum r = levels;
    for (std::size_t b = 0; b < r.size(); ++b) r[b] -= shape[b];
    return r;
}

}  // namespace zef::measure
