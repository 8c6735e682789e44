#pragma once
// Deconvolution of sweep recordings and the alignment of the impulse
// response they give.
//
// A recording r of the sweep played through a system h is r = h (*) sweep +
// noise; r (*) inverse is then h through the inverse's band limits, delayed
// by ReferenceDelay() (where sweep (*) inverse peaks), with the harmonic
// distortion products before it. The full linear convolution is computed
// with one forward and one inverse real FFT of a length fixed at planning.

#include <complex>
#include <cstddef>
#include <span>
#include <vector>

#include "measure/real_fft.h"

namespace zef::measure {

class SweepDeconvolver {
public:
    // Plans for recordings of up to `maxRecording` samples. Planning thread
    // only (see real_fft.h); the other members may run on a worker.
    SweepDeconvolver(std::vector<double> sweep, std::vector<double> inverse, std::size_t maxRecording);

    // Transforms the inverse filter and measures sweep (*) inverse: where it
    // peaks and its median gain from 100 Hz to 10 kHz, which every
    // deconvolution is divided by (1 for this system's own files; any other
    // scaling of a user's inverse file is undone). Call once before Deconvolve.
    void Prepare();
    std::size_t ReferenceDelay() const { return referenceDelay_; }
    double InverseGain() const { return gain_; }

    // recording (*) inverse / InverseGain(), the full linear convolution
    // (recording.size() + inverse length - 1 samples). The view stays valid
    // until the next call. recording.size() <= maxRecording.
    std::span<const double> Deconvolve(std::span<const float> recording);

    std::size_t TransformLength() const { return fft_.size(); }
    std::span<const double> sweep() const { return sweep_; }

private:
    std::vector<double> sweep_;
    std::vector<double> inverse_;
    RealFft fft_;
    std::vector<std::complex<double>> inverseSpectrum_;  // divided by gain_ and the transform length
    std::size_t referenceDelay_ = 0;
    double gain_ = 1.0;
};

// The first arrival in h[from, to): the first peak that comes within 6 dB of
// the largest magnitude there (the first sample reaching half of it, then
// forward while the magnitude still grows). `from` when the range is empty or
// silent.
std::size_t FirstArrival(std::span<const double> h, std::size_t from, std::size_t to);

// The sample with the largest magnitude in h[from, to); `from` when empty.
std::size_t LargestPeak(std::span<const double> h, std::size_t from, std::size_t to);

// h[zero - preDelay, zero - preDelay + length), zero-filled where that runs
// outside h: an impulse response whose time zero is sample `preDelay`.
std::vector<double> CutImpulseResponse(std::span<const double> h, std::size_t zero, std::size_t preDelay,
                                       std::size_t length);

}  // namespace zef::measure
