#pragma once
// Measures of a designed FIR and of its combination with a loudspeaker,
// computed independently of the designer (plain DFT sums, long double).

#include <span>
#include <vector>

namespace zef::test {

// The response of `h` (48000 Hz) at `hz`: magnitude in dB and phase in
// radians (wrapped).
struct Point {
    double hz;
    double db;
    double phase;
};
std::vector<Point> ResponseAt(std::span<const double> h, std::span<const double> hz);

// `count` frequencies spaced evenly in log-frequency from `low` to `high`.
std::vector<double> LogFrequencies(double low, double high, int count);

// The RMS deviation (radians) of the phase of `h` from the best pure delay
// over [low, high] Hz, on log-spaced points: the unwrapped phase minus
// -2 pi f tau, with tau fitted and the constant held at the nearest multiple
// of 2 pi.
double PhaseDeviationFromDelayRms(std::span<const double> h, double low, double high);

// Magnitude in dB at `hz`, power-averaged over 1/6 octave around each point.
std::vector<double> SixthOctaveMagnitudeDb(std::span<const double> h, std::span<const double> hz);

std::vector<double> Convolve(std::span<const double> a, std::span<const double> b);

// Largest magnitude (dB) of `h` over 4096 points from 0 to 24 kHz.
double PeakGainDb(std::span<const double> h);

}  // namespace zef::test
