#include "measure/fir_design_fft.h"

#include <fftw3.h>

#include <algorithm>
#include <cassert>
#include <new>

namespace zef::measure {

struct RealFft::Plans {
    explicit Plans(int n)
        : real(fftw_alloc_real(static_cast<std::size_t>(n))),
          complex(fftw_alloc_complex(static_cast<std::size_t>(n / 2 + 1))),
          forward(fftw_plan_dft_r2c_1d(n, real, complex, FFTW_ESTIMATE)),
          inverse(fftw_plan_dft_c2r_1d(n, complex, real, FFTW_ESTIMATE)) {}
    ~Plans() {
        if (forward) fftw_destroy_plan(forward);
        if (inverse) fftw_destroy_plan(inverse);
        fftw_free(complex);
        fftw_free(real);
    }
    double* real;
    fftw_complex* complex;
    fftw_plan forward;
    fftw_plan inverse;
};

RealFft::RealFft(int length) : n_(length), plans_(new Plans(length)) {
    if (!plans_->real || !plans_->complex || !plans_->forward || !plans_->inverse) {
        delete plans_;
        throw std::bad_alloc();
    }
}

RealFft::~RealFft() { delete plans_; }

Spectrum RealFft::Forward(std::span<const double> signal) {
    const std::size_t n = static_cast<std::size_t>(n_);
    const std::size_t used = std::min(signal.size(), n);
    std::copy_n(signal.begin(), used, plans_->real);
    std::fill(plans_->real + used, plans_->real + n, 0.0);
    fftw_execute(plans_->forward);
    Spectrum out(static_cast<std::size_t>(bins()));
    for (std::size_t k = 0; k < out.size(); ++k) out[k] = {plans_->complex[k][0], plans_->complex[k][1]};
    return out;
}

std::vector<double> RealFft::Inverse(std::span<const std::complex<double>> spectrum) {
    assert(spectrum.size() == static_cast<std::size_t>(bins()));
    for (std::size_t k = 0; k < spectrum.size(); ++k) {
        plans_->complex[k][0] = spectrum[k].real();
        plans_->complex[k][1] = spectrum[k].imag();
    }
    plans_->complex[0][1] = 0;
    plans_->complex[spectrum.size() - 1][1] = 0;
    fftw_execute(plans_->inverse);  // c2r overwrites its input; it is refilled on every call
    std::vector<double> out(plans_->real, plans_->real + n_);
    const double scale = 1.0 / n_;
    for (double& v : out) v *= scale;
    return out;
}

std::vector<double> MinimumPhase(std::span<const double> logMagnitude, RealFft& fft) {
    const std::size_t bins = static_cast<std::size_t>(fft.bins());
    assert(logMagnitude.size() == bins);
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

Spectrum MinimumPhaseSpectrum(std::span<const double> logMagnitude, RealFft& fft) {
    const std::vector<double> phase = MinimumPhase(logMagnitude, fft);
    Spectrum out(phase.size());
    for (std::size_t k = 0; k < out.size(); ++k) out[k] = std::polar(std::exp(logMagnitude[k]), phase[k]);
    return out;
}

}  // namespace zef::measure
