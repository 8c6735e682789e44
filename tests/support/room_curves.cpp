#include "room_curves.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace zef::test {

namespace {

constexpr double kBandHz[kAnalyserBandCount] = {
    25,  31,   40,   50,   63,   80,   100,  125,  160,  200,  250,  315,   400,   500,   630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

class Uniform {
public:
    explicit Uniform(std::uint32_t seed) : rng_(seed) {}
    // In [low, high).
    double operator()(double low, double high) { return low + (high - low) * (rng_() / 4294967296.0); }
    int Int(int low, int high) { return std::min(high, low + static_cast<int>((*this)(0, high - low + 1))); }

private:
    std::mt19937 rng_;
};

}  // namespace

std::vector<RoomCurve> RandomRoomCurves(std::uint32_t seed, int count) {
    Uniform u(seed);
    std::vector<RoomCurve> curves;
    for (int i = 0; i < count; ++i) {
        RoomCurve c;
        c.maxGainHalfDb = 2 * u.Int(1, 6);
        if (i % 2) {
            c.minBand = u.Int(0, 8);
            c.maxBand = u.Int(20, 29);
        }
        const double tilt = u(-1.5, 1.0);  // dB per octave
        const int bumps = u.Int(2, 6);
        double centre[6], width[6], height[6];
        for (int j = 0; j < bumps; ++j) {
            centre[j] = u(std::log2(20.0), std::log2(20000.0));
            width[j] = u(0.35, 1.5);  // octaves (standard deviation)
            height[j] = u(-8.0, 8.0);
        }
        for (std::size_t b = 0; b < kAnalyserBandCount; ++b) {
            const double x = std::log2(kBandHz[b]);
            double v = tilt * (x - std::log2(1000.0));
            for (int j = 0; j < bumps; ++j) {
                const double d = (x - centre[j]) / width[j];
                v += height[j] * std::exp(-0.5 * d * d);
            }
            c.levelsDb[b] = v;
        }
        double sum = 0;
        for (int b = c.minBand; b <= c.maxBand; ++b) sum += c.levelsDb[static_cast<std::size_t>(b)];
        const double mean = sum / (c.maxBand - c.minBand + 1);
        double worst = 0;
        for (int b = c.minBand; b <= c.maxBand; ++b)
            worst = std::max(worst, std::fabs(c.levelsDb[static_cast<std::size_t>(b)] - mean));
        // Scale the deviations to fill 60..100 % of the allowed correction.
        const double scale = worst > 0 ? u(0.6, 1.0) * (c.maxGainHalfDb / 2.0) / worst : 0.0;
        const double offset = u(-70.0, -40.0);  // an analyser's dBFS band levels
        for (double& v : c.levelsDb) v = offset + (v - mean) * scale;
        curves.push_back(c);
    }
    return curves;
}

}  // namespace zef::test
