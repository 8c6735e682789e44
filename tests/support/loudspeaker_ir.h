#pragma once
// Anechoic impulse responses of a two-way loudspeaker at 48000 Hz, built from
// textbook (bilinear) sections, independent of the project's own filter code:
//   woofer:  2nd-order Butterworth high-pass at 45 Hz (the box), then the
//            4th-order Linkwitz-Riley low-pass of the crossover
//   tweeter: the 4th-order Linkwitz-Riley high-pass of the crossover
// Both drivers time-aligned and in phase, so the sum is flat in magnitude
// (apart from the box) and carries the crossover's all-pass phase rotation.
// With ripple, three peaking sections add +-3 dB of response ripple.

#include <vector>

namespace zef::test {

struct LoudspeakerOptions {
    double crossoverHz = 2000;
    double arrivalMs = 2.0;  // time of flight before the direct sound
    double gain = 0.5;       // level of the pass band
    bool ripple = false;     // +3 dB at 700 Hz, -3 dB at 3.5 kHz, +3 dB at 10 kHz
    int length = 8192;       // samples
};

std::vector<double> TwoWayLoudspeakerIr(const LoudspeakerOptions& options = {});

// A pure delay: `length` samples, all zero but `delay`, which holds `gain`.
std::vector<double> PureDelayIr(int delay, double gain = 0.5, int length = 4096);

}  // namespace zef::test
