// The measurement engine through a fake sound card whose room, latency and
// noise are known: states, progress, the impulse response, warnings and
// failures as the measurement pages see them.

#include "measure/sweep_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "fake_card.h"
#include "measure/sweep.h"
#include "audio/wav_file.h"
#include "measure_test_util.h"
#include "temp_folder.h"

namespace zef::measure {
namespace {

using State = MeasurementEngine::State;
using test::FakeAudioSystem;
using test::FakeCardSetup;
using test::Taps;

constexpr int kDecayMs = 100;
constexpr std::size_t kDecay = kSweepSampleRate * kDecayMs / 1000;

class EngineTest : public ::testing::Test {
protected:
    test::TempFolder folder;
    std::string sw = folder.file("TS/SW.wav");
    std::string isw = folder.file("TS/ISW.wav");

    // Polls like the window's timer until `done` holds; false after 60 s.
    template <typename Done>
    static bool PollUntil(Done done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!done()) {
            if (std::chrono::steady_clock::now() > limit) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    // Runs one measurement; the progress seen on the way is in `progress`.
    static bool Measure(SweepMeasurementEngine& engine, const std::string& sweep, const std::string& inverse,
                        std::vector<int>* progress = nullptr) {
        int rate = 0;
        if (engine.SweepMeasurement(sweep, inverse, rate, kDecayMs, 0, 0, 0) != "") return false;
        EXPECT_EQ(rate, kSweepSampleRate);
        return PollUntil([&] {
            if (progress) progress->push_back(engine.Progress());
            return engine.MeasurementState() == State::Done;
        });
    }
};

TEST_F(EngineTest, LatencyIsRemovedForAnyCardLatency) {
    struct Case {
        std::size_t latency;
        bool reference;
    };
    const Taps room = {{60, 0.7}, {61, -0.2}, {900, 0.25}, {3000, -0.1}};
    for (const Case c : {Case{128, false}, Case{240, true}, Case{9600, false}, Case{23000, true}}) {
        SCOPED_TRACE("latency " + std::to_string(c.latency) + (c.reference ? " with reference" : ""));
        FakeAudioSystem card({.room = test::RoomOf(room), .latency = c.latency});
        SweepMeasurementEngine engine(card);
        engine.SetReferenceInput(c.reference ? 1 : -1);
        std::vector<int> progress;
        ASSERT_TRUE(Measure(engine, sw, isw, &progress));
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(engine.Progress(), 100);

        std::vector<double> ir;
        ASSERT_EQ(engine.ComputeImpulseResponse(kSweepSampleRate, ir), 0);
        ASSERT_EQ(ir.size(), kPreDelaySamples + kDecay);
        // Aligned on the arrival, the first tap is at the pre-delay; aligned
        // on the loopback, the 60 samples of flight time stay.
        test::ExpectTaps(ir, kPreDelaySamples + (c.reference ? 60 : 0), room);
        EXPECT_EQ(engine.ImpulseResponse(), ir);
        EXPECT_EQ(engine.TimePlotY(), ir);
        EXPECT_DOUBLE_EQ(engine.TimePlotX()[kPreDelaySamples], 0.0);
        EXPECT_EQ(engine.FrequencyPlotX().size(), engine.FrequencyPlotY().size());
        EXPECT_TRUE(engine.Warnings().empty());
        EXPECT_EQ(engine.Error(), "");
    }
}

TEST_F(EngineTest, SweepFilesArePlayedAsFoundAndMadeWhenMissing) {
    FakeAudioSystem card({.room = {0.0, 0.0, 0.5}, .latency = 512});
    SweepMeasurementEngine engine(card);
    ASSERT_TRUE(Measure(engine, sw, isw));
    ASSERT_TRUE(std::filesystem::exists(sw) && std::filesystem::exists(isw));
    const std::vector<double> builtIn = MakeSweep();
    std::vector<float> played = card.played();
    ASSERT_GE(played.size(), kPreRollSamples + builtIn.size());
    for (std::size_t i = 0; i < builtIn.size(); i += 997)
        ASSERT_EQ(played[kPreRollSamples + i], static_cast<float>(builtIn[i])) << i;

    // A user's sweep replaces ours; its inverse is then made from it.
    const std::vector<double> own =
        MakeSweep({.startHz = 15.0, .endHz = 24000.0, .seconds = 2.0, .peak = 0.3});
    ASSERT_EQ(audio::WriteWavAtomic(sw, own, kSweepSampleRate), "");
    std::filesystem::remove(isw);
    ASSERT_TRUE(Measure(engine, sw, isw));
    played = card.played();
    for (std::size_t i = 0; i < kPreRollSamples; ++i) ASSERT_EQ(played[i], 0.0f);
    for (std::size_t i = 0; i < own.size(); ++i)
        ASSERT_EQ(played[kPreRollSamples + i], static_cast<float>(own[i]));
    std::vector<double> ir;
    ASSERT_EQ(engine.ComputeImpulseResponse(kSweepSampleRate, ir), 0);
    EXPECT_NEAR(ir[kPreDelaySamples], 0.5, 0.01);
    std::vector<double> stored;
    ASSERT_EQ(LoadOrCreateSweep(sw, stored), "");
    EXPECT_EQ(stored, own);
}

TEST_F(EngineTest, RefusesWhatTheCardCannotDoAndPlaysNothing) {
    FakeAudioSystem card({});
    SweepMeasurementEngine engine(card);
    struct Case {
        const char* name;
        int decayMs, device, output, input, reference;
    };
    const Case cases[] = {
        {"no such card", kDecayMs, 1, 0, 0, -1},          {"no such output", kDecayMs, 0, 2, 0, -1},
        {"no such input", kDecayMs, 0, 0, 2, -1},         {"no such reference", kDecayMs, 0, 0, 0, 5},
        {"reference is the input", kDecayMs, 0, 0, 0, 0}, {"decay out of range", -1, 0, 0, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine.SetReferenceInput(c.reference);
        int rate = 0;
        EXPECT_NE(engine.SweepMeasurement(sw, isw, rate, c.decayMs, c.device, c.output, c.input), "");
        EXPECT_EQ(engine.MeasurementState(), State::Idle);
    }
    int rate = 0;
    EXPECT_NE(engine.MicTest(sw, rate, 0, 2, 0), "");
    EXPECT_EQ(engine.MicTestRunning(), 0);
    EXPECT_TRUE(card.played().empty());
}

TEST_F(EngineTest, MicTestPlaysTheSweepAndTracksThePeak) {
    FakeAudioSystem card({.room = {0.8}, .latency = 256});
    SweepMeasurementEngine engine(card);
    int rate = 0;
    ASSERT_EQ(engine.MicTest(sw, rate, 0, 0, 0), "");
    EXPECT_EQ(rate, kSweepSampleRate);
    ASSERT_TRUE(PollUntil([&] { return engine.MicTestRunning() == 0; }));
    EXPECT_EQ(engine.Progress(), 100);
    EXPECT_NEAR(engine.PeakValue(), 0.4, 0.005);
    EXPECT_EQ(engine.MeasurementState(), State::Idle);
    EXPECT_EQ(engine.Error(), "");
    const std::vector<double> sweep = MakeSweep();
    ASSERT_GE(card.played().size(), sweep.size());
    EXPECT_EQ(card.played()[sweep.size() / 2], static_cast<float>(sweep[sweep.size() / 2]));
}

TEST_F(EngineTest, OneRunAtATimeAndLeavingMidRunDoesNotHang) {
    FakeAudioSystem card({.speed = 1.0});
    auto engine = std::make_unique<SweepMeasurementEngine>(card);
    int rate = 0;
    ASSERT_EQ(engine->SweepMeasurement(sw, isw, rate, kDecayMs, 0, 0, 0), "");
    EXPECT_EQ(engine->MeasurementState(), State::Recording);
    EXPECT_NE(engine->MicTest(sw, rate, 0, 0, 0), "");
    EXPECT_NE(engine->SweepMeasurement(sw, isw, rate, kDecayMs, 0, 0, 0), "");
    EXPECT_LT(engine->Progress(), 50);
    engine.reset();  // the window closes mid-measurement
    EXPECT_EQ(card.opened(), 1);
}

TEST_F(EngineTest, StopReleasesTheCardSoTheNextRunStarts) {
    // Real-time card: a run is still going when the window gives up on it.
    for (const bool micTest : {true, false}) {
        SCOPED_TRACE(micTest ? "mic test" : "measurement");
        FakeAudioSystem card({.speed = 1.0});
        SweepMeasurementEngine engine(card);
        int rate = 0;
        ASSERT_EQ(micTest ? engine.MicTest(sw, rate, 0, 0, 0) : engine.SweepMeasurement(sw, isw, rate, kDecayMs, 0, 0, 0),
                  "");
        EXPECT_NE(engine.MicTest(sw, rate, 0, 0, 0), "");  // one run at a time
        engine.Stop();
        EXPECT_EQ(engine.MicTestRunning(), 0);
        EXPECT_NE(engine.MeasurementState(), State::Recording);
        std::vector<double> ir;
        EXPECT_NE(engine.ComputeImpulseResponse(kSweepSampleRate, ir), 0);  // nothing to fetch
        ASSERT_EQ(engine.MicTest(sw, rate, 0, 0, 0), "");
        EXPECT_EQ(engine.MicTestRunning(), 1);
        engine.Stop();
        ASSERT_EQ(engine.SweepMeasurement(sw, isw, rate, kDecayMs, 0, 0, 0), "");
        EXPECT_EQ(card.opened(), 3);
    }
}

TEST_F(EngineTest, ClippingReachesTheWarnings) {
    FakeAudioSystem card({.room = {2.5}, .latency = 256});
    SweepMeasurementEngine engine(card);
    ASSERT_TRUE(Measure(engine, sw, isw));
    std::vector<double> ir;
    EXPECT_EQ(engine.ComputeImpulseResponse(kSweepSampleRate, ir), 0);
    ASSERT_FALSE(engine.Warnings().empty());
    EXPECT_NE(engine.Warnings().front().find("clipped"), std::string::npos);
    EXPECT_GE(engine.PeakValue(), 1.0);
}

TEST_F(EngineTest, ACardThatDiesEndsTheRunWithAnError) {
    FakeAudioSystem card({.latency = 256, .failAfterFrames = kSweepSampleRate});
    SweepMeasurementEngine engine(card);
    ASSERT_TRUE(Measure(engine, sw, isw));
    std::vector<double> ir{1.0};
    EXPECT_EQ(engine.ComputeImpulseResponse(kSweepSampleRate, ir), -1);
    EXPECT_NE(engine.Error().find("unplugged"), std::string::npos) << engine.Error();
    EXPECT_EQ(engine.LastResult()->impulseResponse.size(), 0u);

    // The engine is usable again once the card is back.
    card.setup().failAfterFrames = 0;
    ASSERT_TRUE(Measure(engine, sw, isw));
    EXPECT_EQ(engine.ComputeImpulseResponse(kSweepSampleRate, ir), 0);
    EXPECT_EQ(engine.Error(), "");
}

TEST_F(EngineTest, ALoadedResponseIsViewedWhenNoMeasurementIsFresh) {
    FakeAudioSystem card({});
    SweepMeasurementEngine engine(card);
    std::vector<double> loaded(kPreDelaySamples + 1000, 0.0);
    loaded[kPreDelaySamples] = 0.5;
    EXPECT_EQ(engine.ComputeImpulseResponse(44100, loaded), -1);
    ASSERT_EQ(engine.ComputeImpulseResponse(kSweepSampleRate, loaded), 0);
    EXPECT_EQ(engine.TimePlotY(), loaded);
    EXPECT_NEAR(engine.FrequencyPlotY()[200], -6.0206, 1e-3);
    std::vector<double> empty;
    EXPECT_EQ(engine.ComputeImpulseResponse(kSweepSampleRate, empty), -1);
}

}  // namespace
}  // namespace zef::measure
