// The clock drift between a card's output and input, read off the loopback
// reference: a sweep recorded by an input clock ppm fast.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "measure/clock_drift.h"
#include "measure/sweep.h"

namespace zef::measure {
namespace {

// `sweep` played from sample `start`, recorded by an input clock `ppm` fast:
// input sample n is the output's signal at n / (1 + ppm 1e-6), by cubic interpolation.
std::vector<float> Recorded(const std::vector<double>& sweep, std::size_t start, double ppm) {
    std::vector<double> played(start, 0.0);
    played.insert(played.end(), sweep.begin(), sweep.end());
    played.resize(played.size() + 48000, 0.0);
    std::vector<float> input;
    for (double t = 1;; t += 1.0 / (1.0 + ppm * 1e-6)) {
        const auto i = static_cast<std::size_t>(t);
        if (i + 2 >= played.size()) break;
        const double f = t - static_cast<double>(i);
        const double p0 = played[i - 1], p1 = played[i], p2 = played[i + 1], p3 = played[i + 2];
        input.push_back(static_cast<float>(
            p1 + 0.5 * f * (p2 - p0 + f * (2 * p0 - 5 * p1 + 4 * p2 - p3 + f * (3 * (p1 - p2) + p3 - p0)))));
    }
    return input;
}

TEST(ClockDrift, IsReadOffTheReferenceWithinHalfAPpmOrAFifthOfAPercent) {
    const std::vector<double> sweep = MakeSweep();
    for (const double ppm : {0.0, 5.0, -20.0, 100.0, 500.0}) {
        const std::vector<float> reference = Recorded(sweep, 12000, ppm);
        const std::optional<double> drift = EstimateClockDriftPpm(reference, sweep, 12000);
        ASSERT_TRUE(drift) << ppm;
        EXPECT_NEAR(*drift, ppm, std::max(0.5, 0.002 * std::fabs(ppm))) << ppm;
    }
}

TEST(ClockDrift, NoSweepNoEstimate) {
    const std::vector<double> sweep = MakeSweep();
    std::vector<float> silence(sweep.size() + 60000, 0.0f);
    EXPECT_FALSE(EstimateClockDriftPpm(silence, sweep, 12000));
    std::vector<float> shortRecording(1000, 0.1f);
    EXPECT_FALSE(EstimateClockDriftPpm(shortRecording, sweep, 12000));
}

}  // namespace
}  // namespace zef::measure
