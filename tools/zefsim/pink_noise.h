#pragma once
// The amplifier's internal noise generator: pink noise (-3 dB per octave) from a fixed seed,
// scaled to a given RMS level.

#include <cstddef>
#include <cstdint>
#include <random>

namespace zefsim {

class PinkNoise {
public:
    explicit PinkNoise(std::uint32_t seed = 0x5A4546);

    // Fills `out` with noise of RMS `rms` (over a long run).
    void generate(double* out, std::size_t n, double rms);

private:
    PinkNoise(std::uint32_t seed, double unitScale);
    double next();

    std::mt19937 random_;
    std::normal_distribution<double> white_{0.0, 1.0};
    double b_[7] = {};
    double unitScale_ = 1.0;  // makes next() unit RMS
};

}  // namespace zefsim
