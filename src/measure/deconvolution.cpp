#include "measure/deconvolution.h"

#include <algorithm>
#include <cmath>

#include "measure/sweep.h"

namespace zef::measure {

SweepDeconvolver::SweepDeconvolver(std::vector<double> sweep, std::vector<double> inverse,
                                   std::size_t maxRecording)
    : sweep_(std::move(sweep)),
      inverse_(std::move(inverse)),
      fft_(GoodFftSize(std::max(maxRecording, sweep_.size()) + inverse_.size())) {}

void SweepDeconvolver::Prepare() {
    const std::size_t n = fft_.size();
    fft_.Load(inverse_);
    fft_.Forward();
    inverseSpectrum_.assign(fft_.spectrum().begin(), fft_.spectrum().end());

    // sweep (*) inverse: its in-band gain and where it peaks.
    fft_.Load(sweep_);
    fft_.Forward();
    auto spectrum = fft_.spectrum();
    const double binHz = static_cast<double>(kSweepSampleRate) / static_cast<double>(n);
    std::vector<double> gains;
    for (std::size_t k = 0; k < spectrum.size(); ++k) {
        spectrum[k] *= inverseSpectrum_[k];
        const double hz = static_cast<double>(k) * binHz;
        if (hz >= 100.0 && hz <= 10000.0) gains.push_back(std::abs(spectrum[k]));
    }
    gain_ = 1.0;
    if (!gains.empty()) {
        const auto mid = gains.begin() + static_cast<std::ptrdiff_t>(gains.size() / 2);
        std::nth_element(gains.begin(), mid, gains.end());
        if (*mid > 0.0 && std::isfinite(*mid)) gain_ = *mid;
    }
    fft_.Inverse();
    const auto time = fft_.time();
    referenceDelay_ = LargestPeak(time, 0, sweep_.size() + inverse_.size() - 1);

    const double scale = 1.0 / (gain_ * static_cast<double>(n));
    for (auto& v : inverseSpectrum_) v *= scale;
}

std::span<const double> SweepDeconvolver::Deconvolve(std::span<const float> recording) {
    fft_.Load(recording);
    fft_.Forward();
    auto spectrum = fft_.spectrum();
    for (std::size_t k = 0; k < spectrum.size(); ++k) spectrum[k] *= inverseSpectrum_[k];
    fft_.Inverse();
    const std::size_t linear = std::min(fft_.size(), recording.size() + inverse_.size() - 1);
    return fft_.time().first(linear);
}

std::size_t LargestPeak(std::span<const double> h, std::size_t from, std::size_t to) {
    to = std::min(to, h.size());
    std::size_t best = from;
    double largest = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        if (std::abs(h[i]) > largest) {
            largest = std::abs(h[i]);
            best = i;
        }
    }
    return best;
}

std::size_t FirstArrival(std::span<const double> h, std::size_t from, std::size_t to) {
    to = std::min(to, h.size());
    if (from >= to) return from;
    const double half = 0.5 * std::abs(h[LargestPeak(h, from, to)]);
    if (!(half > 0.0)) return from;
    std::size_t i = from;
    while (std::abs(h[i]) < half) ++i;
    while (i + 1 < to && std::abs(h[i + 1]) > std::abs(h[i])) ++i;
    return i;
}

std::vector<double> CutImpulseResponse(std::span<const double> h, std::size_t zero, std::size_t preDelay,
                                       std::size_t length) {
    std::vector<double> ir(length, 0.0);
    const auto start = static_cast<std::ptrdiff_t>(zero) - static_cast<std::ptrdiff_t>(preDelay);
    for (std::size_t i = 0; i < length; ++i) {
        const std::ptrdiff_t j = start + static_cast<std::ptrdiff_t>(i);
        if (j >= 0 && j < static_cast<std::ptrdiff_t>(h.size())) ir[i] = h[static_cast<std::size_t>(j)];
    }
    return ir;
}

}  // namespace zef::measure
