#pragma once
// The transforms of the FIR designer: one real FFT length (real_fft.h) with
// vectors in and out, and the minimum phase of a magnitude response. Plans
// are made in the constructor; FFTW's planner is not thread-safe, so make
// these on one thread (the designer's owner's).

#include <complex>
#include <span>
#include <vector>

#include "measure/real_fft.h"

namespace zef::measure {

using Spectrum = std::vector<std::complex<double>>;  // bins 0 .. n/2

// A real transform of one length with a vector interface, normalised
// inverse included.
class DesignFft {
public:
    explicit DesignFft(int length);

    int length() const { return static_cast<int>(fft_.size()); }
    int bins() const { return static_cast<int>(fft_.bins()); }

    // X[k] = sum x[n] e^(-2 pi i k n / N); `signal` is zero-padded (or cut) to N.
    Spectrum Forward(std::span<const double> signal);
    // x[n] = (1/N) sum X[k] e^(2 pi i k n / N) for the Hermitian spectrum whose
    // bins 0 .. N/2 are `spectrum` (the imaginary parts of bins 0 and N/2 are
    // ignored). N samples.
    std::vector<double> Inverse(std::span<const std::complex<double>> spectrum);

private:
    RealFft fft_;
};

// The minimum phase (radians, bins 0 .. N/2) of the magnitude whose natural
// logarithm per bin is `logMagnitude` (N/2 + 1 values), by the folded real
// cepstrum.
std::vector<double> MinimumPhase(std::span<const double> logMagnitude, DesignFft& fft);

// exp(logMagnitude + i * MinimumPhase(logMagnitude)).
Spectrum MinimumPhaseSpectrum(std::span<const double> logMagnitude, DesignFft& fft);

}  // namespace zef::measure
