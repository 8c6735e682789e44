#include "measure/fir_design_fft.h"

#include "base/check.h"

#include <algorithm>

namespace zef::measure {

DesignFft::DesignFft(int length) : fft_(static_cast<std::size_t>(std::max(length, 2))) {}

Spectrum DesignFft::Forward(std::span<const double> signal) {
    fft_.Load(signal.first(std::min(signal.size(), fft_.size())));
    fft_.Forward();
    const auto bins = fft_.spectrum();
    return Spectrum(bins.begin(), bins.end());
}

std::vector<double> DesignFft::Inverse(std::span<const std::complex<double>> spectrum) {
    const auto bins = fft_.spectrum();
    if (!ZEF_CHECK(spectrum.size() == bins.size())) return std::vector<double>(fft_.size(), 0.0);
    std::copy(spectrum.begin(), spectrum.end(), bins.begin());
    bins.front().imag(0);
    bins.back().imag(0);
    fft_.Inverse();
    const auto time = fft_.time();
    std::vector<double> out(time.begin(), time.end());
    const double scale = 1.0 / static_cast<double>(out.size());
    for (double& v : out) v *= scale;
    return out;
}

std::vector<double> MinimumPhase(std::span<const double> logMagnitude, DesignFft& fft) {
    const std::size_t bins = static_cast<std::size_t>(fft.bins());
    if (!ZEF_CHECK(logMagnitude.size() == bins)) return std::vector<double>(bins, 0.0);
    Spectrum log(bins);
    for (std::size_t k = 0; k < bins; ++k) log[k] = logMagnitude[k];
    // The real cepstrum is even; folding its negative quefrencies onto the
    // positive ones makes the causal cepstrum of the minimum-phase system.
    std::vector<double> cepstrum = fft.Inverse(log);
    const std::size_t n = cepstrum.size();
    for (std::size_t i = 1; i < n / 2; ++i) cepstrum[i] *= 2;
    std::fill(cepstrum.begin() + static_cast<std::ptrdiff_t>(n / 2 + 1), cepstrum.end(), 0.0);
    const Spectrum folded = fft.Forward(cepstrum);
    std::vector<double> phase(bins);
    for (std::size_t k = 0; k < bins; ++k) phase[k] = folded[k].imag();
    return phase;
}

Spectrum MinimumPhaseSpectrum(std::span<const double> logMagnitude, DesignFft& fft) {
    const std::vector<double> phase = MinimumPhase(logMagnitude, fft);
    Spectrum out(phase.size());
    for (std::size_t k = 0; k < out.size(); ++k) out[k] = std::polar(std::exp(logMagnitude[k]), phase[k]);
    return out;
}

}  // namespace zef::measure
