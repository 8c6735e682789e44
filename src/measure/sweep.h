#pragma once
// The measurement signal: an exponential (logarithmic) sine sweep and its
// inverse filter, and the two files that hold them (the data folder's
// TS/SW.wav and TS/ISW.wav).
//
// The sweep: 5 Hz to 24 kHz in 5 s at 48000 Hz, peak 0.5 (-6 dBFS, so that
// a card's output stage and reconstruction filter stay linear), a half-Hann
// fade-in of 100 ms (5 Hz to about 6 Hz) and a fade-out of 5 ms (the last
// 1/80 octave). Every octave gets the same time (0.41 s), so the spectrum
// falls 3 dB per octave like pink noise: the low end, where rooms are noisy,
// gets the most energy.
//
// The inverse filter is the regularised spectral inverse of the sweep times a
// second-order Butterworth high-pass at 5 Hz (minimum phase, so it adds no
// ringing before an arrival; -0.007 dB at 25 Hz, 2 degrees of phase at
// 200 Hz). sweep (*) inverse is then a unit impulse through that high-pass at
// InverseSweepDelay(): within 0.02 dB of unity from 20 Hz to 23.8 kHz, so a
// deconvolved impulse response keeps the system's gain, and single taps come
// back as single taps. Harmonic distortion products land before the impulse
// (the k-th harmonic 0.59 s x ln k earlier), where the impulse response is
// cut off.
//
// The files are 32-bit float WAV, mono, 48000 Hz. They are made when missing
// and read otherwise, so a user may put other sweeps there; a missing inverse
// is computed from whatever sweep file is present.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace zef::measure {

inline constexpr int kSweepSampleRate = 48000;

struct SweepDesign {
    double startHz = 5.0;
    double endHz = 24000.0;
    double seconds = 5.0;
    double peak = 0.5;
    double fadeInSeconds = 0.1;
    double fadeOutSeconds = 0.005;
    double highPassHz = 5.0;  // corner of the inverse filter's high-pass
};

// The sweep samples at kSweepSampleRate, rounded to float precision (what the
// file holds and the card plays).
std::vector<double> MakeSweep(const SweepDesign& design = {});

// Where sweep (*) inverse peaks for a sweep of `sweepLength` samples: the
// inverse filter's samples before the time-reversed sweep's start plus the
// sweep's length.
std::size_t InverseSweepDelay(std::size_t sweepLength);

// The inverse filter of `sweep` (any sweep, not only MakeSweep's), rounded to
// float precision: InverseSweepDelay() + 0.75 s samples long.
std::vector<double> MakeInverseSweep(std::span<const double> sweep, const SweepDesign& design = {});

// The sweep file at `path`: read when it exists, else made with MakeSweep()
// and written there (folder created). A file that exists but cannot be used
// (unreadable, not 48000 Hz, shorter than 0.1 s or longer than 60 s, silent
// or above full scale) is left alone and reported. "" on success, else a text
// for the user.
std::string LoadOrCreateSweep(const std::string& path, std::vector<double>& sweep);

// The inverse filter file at `path`: read when it exists, else computed from
// `sweep` and written there. Same checks as the sweep file. "" on success.
std::string LoadOrCreateInverseSweep(const std::string& path, std::span<const double> sweep,
                                     std::vector<double>& inverse);

}  // namespace zef::measure
