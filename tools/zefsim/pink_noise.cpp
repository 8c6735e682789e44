#include "pink_noise.h"

#include <cmath>

namespace zefsim {

// White noise through a sum of one-pole low-passes whose corners are spread so that the sum
// falls by 3 dB per octave (within about 0.05 dB from 10 Hz to the top of the band).
double PinkNoise::next() {
    const double w = white_(random_);
    b_[0] = 0.99886 * b_[0] + w * 0.0555179;
    b_[1] = 0.99332 * b_[1] + w * 0.0750759;
    b_[2] = 0.96900 * b_[2] + w * 0.1538520;
    b_[3] = 0.86650 * b_[3] + w * 0.3104856;
    b_[4] = 0.55000 * b_[4] + w * 0.5329522;
    b_[5] = -0.7616 * b_[5] - w * 0.0168980;
    const double pink = b_[0] + b_[1] + b_[2] + b_[3] + b_[4] + b_[5] + b_[6] + w * 0.5362;
    b_[6] = w * 0.115926;
    return pink * unitScale_;
}

PinkNoise::PinkNoise(std::uint32_t seed) : random_(seed) {
    // The filter's gain, measured once on a long run from a fixed seed (the slowest pole
    // settled first): the same number every time.
    static const double unit = [] {
        PinkNoise probe(0x5A4546, 1.0);
        for (int i = 0; i < 1 << 14; ++i) probe.next();
        double power = 0;
        constexpr int kRun = 1 << 18;
        for (int i = 0; i < kRun; ++i) {
            const double v = probe.next();
            power += v * v;
        }
        return 1.0 / std::sqrt(power / kRun);
    }();
    unitScale_ = unit;
}

PinkNoise::PinkNoise(std::uint32_t seed, double unitScale) : random_(seed), unitScale_(unitScale) {}

void PinkNoise::generate(double* out, std::size_t n, double rms) {
    for (std::size_t i = 0; i < n; ++i) out[i] = next() * rms;
}

}  // namespace zefsim
