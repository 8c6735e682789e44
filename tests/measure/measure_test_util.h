#pragma once
// Helpers of the measurement tests: synthetic rooms made of taps, recordings
// of the sweep through them, and checks of a measured impulse response.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

namespace zef::test {

struct Tap {
    std::size_t delay;  // samples
    double gain;
};
using Taps = std::vector<Tap>;

inline std::vector<double> RoomOf(const Taps& taps) {
    std::size_t length = 1;
    for (const Tap& t : taps) length = std::max(length, t.delay + 1);
    std::vector<double> room(length, 0.0);
    for (const Tap& t : taps) room[t.delay] += t.gain;
    return room;
}

// What a microphone `latency` samples behind the output records of `signal`
// (played from sample `start`) through `taps`, `length` samples long.
inline std::vector<float> RecordThrough(std::span<const double> signal, std::size_t start, const Taps& taps,
                                        std::size_t latency, std::size_t length) {
    std::vector<double> mix(length, 0.0);
    for (const Tap& t : taps) {
        const std::size_t offset = start + latency + t.delay;
        for (std::size_t i = 0; i < signal.size() && offset + i < length; ++i)
            mix[offset + i] += t.gain * signal[i];
    }
    return {mix.begin(), mix.end()};
}

// Every tap of `taps` at zero + (delay - taps[0].delay) within 1 % of its gain,
// and every other sample below 0.3 % of the largest tap.
inline void ExpectTaps(std::span<const double> ir, std::size_t zero, const Taps& taps) {
    double largest = 0.0;
    std::vector<bool> isTap(ir.size(), false);
    for (const Tap& t : taps) {
        const std::size_t at = zero + t.delay - taps[0].delay;
        ASSERT_LT(at, ir.size());
        EXPECT_NEAR(ir[at], t.gain, 0.01 * std::abs(t.gain)) << "tap at " << t.delay;
        isTap[at] = true;
        largest = std::max(largest, std::abs(t.gain));
    }
    double worst = 0.0;
    std::size_t worstAt = 0;
    for (std::size_t i = 0; i < ir.size(); ++i) {
        if (!isTap[i] && std::abs(ir[i]) > worst) {
            worst = std::abs(ir[i]);
            worstAt = i;
        }
    }
    EXPECT_LT(worst, 0.003 * largest) << "at sample " << worstAt;
}

}  // namespace zef::test
