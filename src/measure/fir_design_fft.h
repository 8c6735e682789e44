#pragma once
// The transforms of the FIR designer: one real FFT length with its forward
// and inverse plans (FFTW, double precision), and the minimum phase of a
// magnitude response. Plans are made in the constructor; FFTW's planner is
// not thread-safe, so make these on one thread (the designer's owner's).

#include <complex>
#include <span>
#include <vector>

namespace zef::measure {

using Spectrum = std::vector<std::complex<double>>;  // bins 0 .. n/2

class RealFft {
public:
    explicit RealFft(int length);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    int length() const { return n_; }
    int bins() const { return n_ / 2 + 1; }

    // X[k] = sum x[n] e^(-2 pi i k n / N); `signal` is zero-padded (or cut) to N.
    Spectrum Forward(std::span<const double> signal);
    // x[n] = (1/N) sum X[k] e^(2 pi i k n / N) for the Hermitian spectrum whose
    // bins 0 .. N/2 are `spectrum` (the imaginary parts of bins 0 and N/2 are
    // ignored). N samples.
    std::vector<double> Inverse(std::span<const std::complex<double>> spectrum);

private:
    struct Plans;
    int n_;
    Plans* plans_;
};

// The minimum phase (radians, bins 0 .. N/2) of the magnitude whose natural
// logarithm per bin is `logMagnitude` (N/2 + 1 values), by the folded real
// cepstrum.
std::vector<double> MinimumPhase(std::span<const double> logMagnitude, RealFft& fft);

// exp(logMagnitude + i * MinimumPhase(logMagnitude)).
Spectrum MinimumPhaseSpectrum(std::span<const double> logMagnitude, RealFft& fft);

}  // namespace zef::measure
