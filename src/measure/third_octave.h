#pragma once
// Third-octave bands and their filters.
//
// The 30 bands run from 25 Hz to 20 kHz; band i has the exact base-10 centre
// fm = 1000 x 10^((i - 16) / 10) Hz and edges fm x 10^(+-1/20). Each band is
// an eighth-order Butterworth band-pass (four biquads, bilinear transform with
// pre-warped edges) that is 3 dB down at its edges and exactly 0 dB at fm.
// Run at a sample rate where fm is at most 0.215 of it, that shape meets the
// class 1 acceptance limits of IEC 61260-1 everywhere with at least 1.7 dB to
// spare (the sixth-order shape leaves less than 1 dB at the far skirts, and
// fails them near the Nyquist frequency, where the bilinear transform widens
// the low skirt). The analyser (third_octave_bank.h) halves the sample rate
// once per octave with the half-band low-pass below.

#include <array>
#include <complex>
#include <cstddef>
#include <vector>

namespace zef::measure {

inline constexpr std::size_t kThirdOctaveBands = 30;

// The labels the band lists show, in Hz.
inline constexpr std::array<int, kThirdOctaveBands> kBandLabelsHz = {
    25,  31,   40,   50,   63,   80,   100,  125,  160,  200,  250,  315,   400,   500,   630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

// The exact centre of band 0..29 in Hz.
double BandCentreHz(std::size_t band);

// Relative attenuation limits of a class 1 third-octave filter at the
// normalised frequency omega = f / fm (IEC 61260-1 table, its breakpoints
// scaled to a third of an octave, interpolated linearly in dB over log
// frequency): the attenuation relative to the one at fm must lie in
// [minDb, maxDb]. maxDb is +infinity outside the band.
struct MaskLimits {
    double minDb;
    double maxDb;
};
MaskLimits ThirdOctaveClass1Limits(double omega);

// b0 + b1 z^-1 + b2 z^-2 over 1 + a1 z^-1 + a2 z^-2.
struct Biquad {
    double b0, b1, b2, a1, a2;
};
// A Butterworth band-pass of order 2 x sections: one biquad per section.
inline constexpr std::size_t kMaxBandSections = 6;
struct BandPass {
    std::array<Biquad, kMaxBandSections> sections{};
    std::size_t count = 0;
};

// The band filter for a band centred on `centreHz` at `sampleRate`, of order
// 2 x `sections` (1..kMaxBandSections); the band's upper edge must lie below
// the Nyquist frequency.
BandPass DesignBandPass(double centreHz, double sampleRate, std::size_t sections = 4);

// The half-band decimation low-pass for halving a sample rate fs: flat
// (+-0.0005 dB) to 0.121 fs, at least 90 dB down from 0.379 fs, so that
// nothing folds into the octave below 0.121 fs. Odd length, symmetric, every
// second tap zero except the middle one.
std::vector<double> DesignHalfBand();

// Frequency responses at `hz` for a sample rate `sampleRate`.
std::complex<double> Response(const Biquad& s, double hz, double sampleRate);
std::complex<double> Response(const BandPass& f, double hz, double sampleRate);
std::complex<double> FirResponse(const std::vector<double>& taps, double hz, double sampleRate);

}  // namespace zef::measure
