// Deconvolution, alignment and quality warnings of sweep recordings, without
// a sound card: recordings are made by convolving the sweep with known taps.

#include "measure/sweep_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>

#include "measure/sweep.h"
#include "measure_test_util.h"

namespace zef::measure {
namespace {

using test::Taps;

constexpr std::size_t kDecay = 4800;  // 100 ms

class SweepAnalysisTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sweep_ = new std::vector<double>(MakeSweep());
        SweepTiming timing{sweep_->size(), kDecay};
        analysis_ = new SweepAnalysis(*sweep_, MakeInverseSweep(*sweep_), timing);
        analysis_->Prepare();
    }
    static void TearDownTestSuite() {
        delete analysis_;
        delete sweep_;
    }

    static SweepRecording Recording(const Taps& taps, std::size_t latency) {
        SweepRecording r;
        r.input = test::RecordThrough(*sweep_, kPreRollSamples, taps, latency,
                                      analysis_->timing().RecordingLength());
        return r;
    }

    static std::vector<double>* sweep_;
    static SweepAnalysis* analysis_;
};
std::vector<double>* SweepAnalysisTest::sweep_ = nullptr;
SweepAnalysis* SweepAnalysisTest::analysis_ = nullptr;

TEST_F(SweepAnalysisTest, SyntheticRoomIsRecoveredTapForTapAtThePreDelay) {
    struct Case {
        Taps taps;
        std::size_t latency;
        bool reference;
    };
    const Case cases[] = {
        {{{0, 0.5}}, 0, false},
        {{{0, 0.8}, {37, -0.3}, {1200, 0.2}, {4000, -0.05}}, 240, false},
        // A reflection louder than the direct sound: time zero is still the first arrival.
        {{{0, 0.4}, {45, -0.6}, {46, 0.2}}, 4800, false},
        {{{150, 0.6}, {151, 0.4}, {900, -0.6}}, 9600, false},
        // Taps after a time of flight of 150 samples: with a loopback
        // reference the flight time stays in the response.
        {{{150, 0.6}, {700, -0.25}}, 23000, true},
        {{{10, -0.7}, {2000, 0.35}}, 1, true},
        // Card latencies of 1.5 s and 2 s, far beyond the first half second.
        {{{0, 0.8}, {300, 0.3}}, 72000, false},
        {{{120, 0.6}, {500, -0.2}}, 72000, true},
        {{{0, 0.5}, {40, 0.45}}, 96000, false},
        {{{60, 0.7}}, 96000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("latency " + std::to_string(c.latency) + (c.reference ? " with reference" : ""));
        SweepRecording r = Recording(c.taps, c.latency);
        if (c.reference)
            r.reference =
                test::RecordThrough(*sweep_, kPreRollSamples, {{0, 1.0}}, c.latency, r.input.size());
        const SweepResult result = analysis_->Analyse(r);
        ASSERT_EQ(result.impulseResponse.size(), kPreDelaySamples + kDecay);
        EXPECT_EQ(result.alignedByReference, c.reference);
        const std::size_t zero = kPreDelaySamples + (c.reference ? c.taps[0].delay : 0);
        test::ExpectTaps(result.impulseResponse, zero, c.taps);
        const double expectedDelay = static_cast<double>(c.latency + (c.reference ? 0 : c.taps[0].delay));
        EXPECT_NEAR(result.delaySeconds * kSweepSampleRate, expectedDelay, 0.5);
        EXPECT_TRUE(result.warnings.empty()) << result.warnings.front();
    }
}

TEST_F(SweepAnalysisTest, HarmonicDistortionProductsAreCutAway) {
    // A loudspeaker with 10 % second-order distortion: the deconvolution puts
    // its products 0.41 s before the linear response, outside what is kept.
    SweepRecording r = Recording({{0, 1.0}}, 480);
    for (float& x : r.input) x = x + 0.2f * x * x;
    const SweepResult result = analysis_->Analyse(r);
    test::ExpectTaps(result.impulseResponse, kPreDelaySamples, {{0, 1.0}});

    // The products are there in the full deconvolution, where expected.
    const std::span<const double> h = analysis_->deconvolver().Deconvolve(r.input);
    const auto linear = analysis_->deconvolver().ReferenceDelay() + kPreRollSamples + 480;
    const auto harmonic = static_cast<std::size_t>(
        static_cast<double>(linear) - 5.0 / std::log(24000.0 / 5.0) * std::log(2.0) * kSweepSampleRate);
    EXPECT_GT(std::abs(h[LargestPeak(h, harmonic - 480, harmonic + 480)]), 0.01);
}

TEST_F(SweepAnalysisTest, UntrustworthyRecordingsGiveTheirWarnings) {
    struct Case {
        const char* name;
        double gain;
        double noise;
        const char* expected;  // "" for no warning
        double dc = 0.0;
    };
    const Case cases[] = {
        {"clean", 1.0, 1e-4, ""},
        {"clipped", 3.0, 1e-4, "clipped"},
        {"hot", 1.9, 1e-4, "headroom"},
        {"noise floor", 0.002, 0.01, "background noise"},
        {"silent", 0.0, 0.0, "No signal"},
        // A DC offset far above the noise is neither noise nor signal.
        {"dc offset", 1.0, 1e-4, "", 0.2},
    };
    std::mt19937 random(7);
    std::normal_distribution<double> normal;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SweepRecording r = Recording({{0, c.gain}}, 300);
        for (float& x : r.input)
            x = static_cast<float>(std::clamp(static_cast<double>(x) + c.dc + c.noise * normal(random), -1.0, 1.0));
        const SweepResult result = analysis_->Analyse(r);
        if (*c.expected == '\0') {
            EXPECT_TRUE(result.warnings.empty()) << result.warnings.front();
        } else {
            ASSERT_FALSE(result.warnings.empty());
            EXPECT_NE(result.warnings.front().find(c.expected), std::string::npos) << result.warnings.front();
        }
    }
}

// One sample that is not a number is an error, never an all-NaN "success".
TEST_F(SweepAnalysisTest, NonFiniteSamplesAreAnError) {
    for (const float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        for (const bool inReference : {false, true}) {
            SweepRecording r = Recording({{0, 0.5}}, 300);
            if (inReference) r.reference = Recording({{0, 1.0}}, 300).input;
            (inReference ? r.reference : r.input)[50000] = bad;
            const SweepResult result = analysis_->Analyse(r);
            EXPECT_NE(result.error.find("1 samples that are not numbers"), std::string::npos) << result.error;
            EXPECT_TRUE(result.impulseResponse.empty());
        }
    }
}

TEST_F(SweepAnalysisTest, ASilentReferenceFallsBackToTheArrivalWithAWarning) {
    SweepRecording r = Recording({{200, 0.5}}, 1000);
    r.reference.assign(r.input.size(), 0.0f);
    const SweepResult result = analysis_->Analyse(r);
    EXPECT_FALSE(result.alignedByReference);
    test::ExpectTaps(result.impulseResponse, kPreDelaySamples, {{200, 0.5}});
    ASSERT_FALSE(result.warnings.empty());
    EXPECT_NE(result.warnings.back().find("reference"), std::string::npos);
}

TEST(IrViews, UnitImpulseReadsZeroDecibelsAndTimeZeroAtThePreDelay) {
    std::vector<double> ir(kPreDelaySamples + 2400, 0.0);
    ir[kPreDelaySamples] = 1.0;
    const IrViews v = ComputeIrViews(ir, kPreDelaySamples, kSweepSampleRate);
    ASSERT_EQ(v.timeMs.size(), ir.size());
    EXPECT_DOUBLE_EQ(v.timeMs[kPreDelaySamples], 0.0);
    EXPECT_DOUBLE_EQ(v.timeMs[kPreDelaySamples + 48], 1.0);
    ASSERT_EQ(v.frequencyHz.size(), v.magnitudeDb.size());
    EXPECT_DOUBLE_EQ(v.frequencyHz.front(), 10.0);
    EXPECT_LE(v.frequencyHz.back(), 24000.0);
    for (double db : v.magnitudeDb) EXPECT_NEAR(db, 0.0, 1e-9);

    // A comb (two equal taps) averages to +3 dB over a 1/24 octave that spans
    // many of its notches.
    ir[kPreDelaySamples + 2000] = 1.0;
    const IrViews comb = ComputeIrViews(ir, kPreDelaySamples, kSweepSampleRate);
    EXPECT_NEAR(comb.magnitudeDb.back(), 10.0 * std::log10(2.0), 0.2);
}

}  // namespace
}  // namespace zef::measure
