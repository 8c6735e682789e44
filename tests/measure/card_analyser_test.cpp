// The real-time analyser through a fake card: spectra reach the owner's
// thread, in both delivery styles, and never after Stop.

#include "measure/card_analyser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <deque>
#include <mutex>
#include <thread>

#include "fake_card.h"
#include "measure/third_octave.h"

namespace zef::measure {
namespace {

using test::FakeAudioSystem;

// The owner's event queue: the poster appends tasks, the test thread runs them.
struct TaskQueue {
    std::mutex mutex;
    std::deque<std::function<void()>> tasks;

    CardAnalyser::Poster Poster() {
        return [this](std::function<void()> task) {
            std::lock_guard lock(mutex);
            tasks.push_back(std::move(task));
        };
    }
    std::size_t RunAll() {
        std::deque<std::function<void()>> taken;
        {
            std::lock_guard lock(mutex);
            taken.swap(tasks);
        }
        for (auto& t : taken) t();
        return taken.size();
    }
};

// Runs `step` every 2 ms until `done`; false after 20 s.
template <typename Step, typename Done>
bool Pump(Step step, Done done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        step();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

TEST(CardAnalyser, PostedSpectraArriveOnTheOwnersThreadWithTheToneInItsBand) {
    // A 1 kHz tone at half scale: -6 dB in the 1 kHz band once the fast
    // average has settled (60 spectra = 3 s of audio). The card runs at 20
    // times real time, well within what the analyser keeps up with, so no
    // samples are lost.
    FakeAudioSystem card({.room = {0.0}, .toneHz = 1000.0, .toneAmplitude = 0.5, .speed = 20.0});
    TaskQueue queue;
    CardAnalyser analyser(card, queue.Poster());
    std::vector<BandSpectrum> spectra;
    const auto owner = std::this_thread::get_id();
    analyser.SetSpectrumHandler([&](const BandSpectrum& s) {
        EXPECT_EQ(std::this_thread::get_id(), owner);
        spectra.push_back(s);
    });
    ASSERT_EQ(analyser.Start(0, 0), "");
    EXPECT_TRUE(analyser.IsRunning());
    ASSERT_TRUE(Pump([&] { queue.RunAll(); }, [&] { return spectra.size() >= 60; }));
    analyser.Stop();
    EXPECT_FALSE(analyser.IsRunning());

    const BandSpectrum& last = spectra.back();
    EXPECT_NEAR(last[16], -6.02, 0.1);
    EXPECT_LT(last[15], last[16] - 13.0);
    EXPECT_LT(last[17], last[16] - 13.0);
    EXPECT_EQ(analyser.Overruns(), 0u);
}

TEST(CardAnalyser, NothingIsDeliveredAfterStopOrAfterTheAnalyserIsGone) {
    FakeAudioSystem card({.toneHz = 100.0, .toneAmplitude = 0.1});
    TaskQueue queue;
    int delivered = 0;
    {
        CardAnalyser analyser(card, queue.Poster());
        analyser.SetSpectrumHandler([&](const BandSpectrum&) { ++delivered; });
        ASSERT_EQ(analyser.Start(0, 0), "");
        ASSERT_TRUE(Pump([] {},
                         [&] {
                             std::lock_guard lock(queue.mutex);
                             return !queue.tasks.empty();
                         }));
        analyser.Stop();
        queue.RunAll();  // posted before Stop, run after it
        EXPECT_EQ(delivered, 0);

        ASSERT_EQ(analyser.Start(0, 0), "");
        ASSERT_TRUE(Pump([] {},
                         [&] {
                             std::lock_guard lock(queue.mutex);
                             return !queue.tasks.empty();
                         }));
    }
    queue.RunAll();  // posted while running, run after the analyser is gone
    EXPECT_EQ(delivered, 0);
}

TEST(CardAnalyser, WithoutAPosterTheOwnerCollectsSpectraItself) {
    FakeAudioSystem card({.toneHz = 10000.0, .toneAmplitude = 0.1, .speed = 20.0});
    CardAnalyser analyser(card);
    BandSpectrum last{};
    std::size_t count = 0;
    analyser.SetSpectrumHandler([&](const BandSpectrum& s) {
        last = s;
        ++count;
    });
    analyser.SetAveraging(BandAveraging::Slow);
    ASSERT_EQ(analyser.Start(0, 0), "");
    ASSERT_TRUE(Pump([&] { analyser.DeliverPending(); }, [&] { return count >= 120; }));
    analyser.Stop();
    EXPECT_EQ(analyser.DeliverPending(), 0u);
    EXPECT_NEAR(last[26], -20.0, 0.1);
}

TEST(CardAnalyser, BadInputsAndDeadCardsAreReported) {
    FakeAudioSystem card({.failAfterFrames = 48000});
    CardAnalyser analyser(card);
    EXPECT_NE(analyser.Start(0, 2), "");
    EXPECT_NE(analyser.Start(1, 0), "");
    EXPECT_FALSE(analyser.IsRunning());
    ASSERT_EQ(analyser.Start(0, 0), "");
    ASSERT_TRUE(Pump([] {}, [&] { return !analyser.IsRunning(); }));
    EXPECT_NE(analyser.Error().find("unplugged"), std::string::npos);
}

}  // namespace
}  // namespace zef::measure
