// The lock-free ring and the bridge that carries a callback's samples to a worker thread.

#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <vector>

#include "audio/spsc_ring.h"
#include "audio/stream_bridge.h"

namespace zef::audio {
namespace {

std::vector<int> Pop(SpscRing<int>& ring, std::size_t n) {
    std::vector<int> out(n);
    out.resize(ring.Pop(out));
    return out;
}

TEST(SpscRing, KeepsOrderAcrossTheWrapAndRefusesWhatDoesNotFit) {
    SpscRing<int> ring(5);
    EXPECT_EQ(ring.Capacity(), 5u);
    const std::vector<int> a = {1, 2, 3, 4};
    EXPECT_EQ(ring.Push(a), 0u);
    EXPECT_EQ(Pop(ring, 3), (std::vector<int>{1, 2, 3}));
    // Write position near the end: the next push wraps.
    const std::vector<int> b = {5, 6, 7, 8, 9, 10};
    EXPECT_EQ(ring.Push(b), 2u);  // room for four: 9 and 10 are refused
    EXPECT_EQ(ring.Size(), 5u);
    EXPECT_EQ(ring.Push(std::vector<int>{11}), 1u);  // full
    EXPECT_EQ(Pop(ring, 10), (std::vector<int>{4, 5, 6, 7, 8}));
    EXPECT_EQ(ring.Size(), 0u);
    EXPECT_EQ(Pop(ring, 1), std::vector<int>{});
}

TEST(SpscRing, TwoThreadsPassEveryValueOnceInOrder) {
    SpscRing<std::uint32_t> ring(97);  // odd size: pushes and pops straddle the wrap often
    constexpr std::uint32_t kCount = 2'000'000;
    std::thread producer([&] {
        std::uint32_t next = 0;
        std::vector<std::uint32_t> chunk;
        while (next < kCount) {
            chunk.clear();
            for (std::uint32_t i = 0; i < 1 + next % 13 && next + i < kCount; ++i) chunk.push_back(next + i);
            const std::size_t refused = ring.Push(chunk);
            next += std::uint32_t(chunk.size() - refused);
            if (refused) std::this_thread::yield();
        }
    });
    std::uint32_t expected = 0, outOfOrder = 0;
    std::vector<std::uint32_t> out(17);
    while (expected < kCount) {
        const std::size_t n = ring.Pop(out);
        for (std::size_t i = 0; i < n; ++i) outOfOrder += out[i] != expected++;
        if (n == 0) std::this_thread::yield();
    }
    producer.join();
    EXPECT_EQ(outOfOrder, 0u);
    EXPECT_EQ(expected, kCount);
    EXPECT_EQ(ring.Size(), 0u);
}

TEST(StreamBridge, CapturesWholeFramesAndCountsWhatDidNotFit) {
    StreamBridge bridge(2, 1, 4);  // 4 frames of 2 inputs
    Callback callback = bridge.MakeCallback();
    const std::vector<float> in = {1, 2, 3, 4, 5, 6};  // 3 frames
    std::vector<float> out(3);
    callback(in.data(), out.data(), 3);
    callback(in.data(), out.data(), 3);  // one frame fits, two are lost
    EXPECT_EQ(bridge.Overruns(), 2u);
    std::vector<float> taken(5 * 2);
    EXPECT_EQ(bridge.TakeCaptured(taken), 4u);
    EXPECT_EQ(std::vector<float>(taken.begin(), taken.begin() + 8),
              (std::vector<float>{1, 2, 3, 4, 5, 6, 1, 2}));
    EXPECT_EQ(bridge.TakeCaptured(taken), 0u);
}

TEST(StreamBridge, PlaysQueuedFramesThenSilenceCountingTheGap) {
    StreamBridge bridge(0, 2, 3);
    Callback callback = bridge.MakeCallback();
    std::vector<float> out(8, 9.0f);
    callback(nullptr, out.data(), 4);  // nothing queued yet: silence, not an underrun
    EXPECT_EQ(out, std::vector<float>(8, 0.0f));
    EXPECT_EQ(bridge.Underruns(), 0u);
    EXPECT_EQ(bridge.Queue(std::vector<float>{1, 2, 3, 4, 5, 6, 7, 8}), 3u);  // room for three frames
    EXPECT_EQ(bridge.QueuedFrames(), 3u);
    callback(nullptr, out.data(), 4);
    EXPECT_EQ(out, (std::vector<float>{1, 2, 3, 4, 5, 6, 0, 0}));
    EXPECT_EQ(bridge.Underruns(), 1u);
}

}  // namespace
}  // namespace zef::audio
