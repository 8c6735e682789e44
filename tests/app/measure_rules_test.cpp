// The measuring windows' value rules: what the band, gain and level controls
// show for a value, the deviation figure, and the curves the wizard draws.
#include "app/measure_rules.h"

#include <gtest/gtest.h>

#include <cmath>

#include "dsp/grid.h"
#include "measure/autoeq_fit.h"

namespace zef {
namespace {

TEST(MeasureRules, ControlTextsAndCodes) {
    struct Case {
        int band;
        const char* item;
    };
    for (const Case& c : {Case{0, "25 Hz"}, Case{29, "20000 Hz"}, Case{16, "1000 Hz"}, Case{-1, "25 Hz"}})
        EXPECT_EQ(BandRangeItem(c.band), c.item) << c.band;

    struct Gain {
        int code;
        double db;
    };
    for (const Gain& g : {Gain{30, 0.0}, Gain{0, -15.0}, Gain{60, 15.0}, Gain{31, 0.5}})
        EXPECT_DOUBLE_EQ(FilterGainDb(g.code), g.db) << g.code;

    struct Limit {
        int choice;
        int halfDb;
        const char* item;
    };
    for (const Limit& l : {Limit{0, 2, "+/- 1dB"}, Limit{5, 12, "+/- 6dB"}, Limit{2, 6, "+/- 3dB"}}) {
        EXPECT_EQ(MaxGainHalfDb(l.choice), l.halfDb) << l.choice;
        EXPECT_EQ(MaxGainItem(l.choice), l.item) << l.choice;
    }

    struct Level {
        int v;
        int dbu;
        double markerX;
    };
    for (const Level& l : {Level{80, 0, 1580}, Level{0, -80, 360}, Level{40, -40, 970}}) {
        EXPECT_EQ(NoiseLevelDbu(l.v), l.dbu) << l.v;
        EXPECT_EQ(NoiseLevelCode(l.dbu), l.v) << l.dbu;
        EXPECT_DOUBLE_EQ(NoiseMarkerX(l.v), l.markerX) << l.v;
    }
    EXPECT_EQ(NoiseLevelCode(12), 80);  // above 0 dBu is clamped
    EXPECT_EQ(MicLevelText(-12.34), "-12.3 dBFS");
    EXPECT_EQ(MicLevelText(-0.96), "-1.0 dBFS");
}

TEST(MeasureRules, DeviationCountsOnlyTheBandRange) {
    BandSpectrum levels{};
    levels.fill(-40);
    levels[0] = -10;  // far off, but outside bands 4..29
    levels[10] = -38;
    levels[11] = -42;
    const double mean = -40.0;
    const double expected = std::sqrt((std::pow(-38 - mean, 2) + std::pow(-42 - mean, 2)) / 26.0);
    EXPECT_NEAR(BandDeviationDb(levels, 4, 29), expected, 1e-12);
    EXPECT_NEAR(BandDeviationDb(levels, 29, 4), expected, 1e-12);  // either order
    EXPECT_GT(BandDeviationDb(levels, 0, 29), 5.0);
    // Judged over the bands marked: those left out of a fit do not count.
    std::array<bool, kAnalyserBandCount> only{};
    only.fill(true);
    for (std::size_t b = 0; b < 4; ++b) only[b] = false;
    EXPECT_NEAR(BandDeviationDb(levels, 0, 29, &only), expected, 1e-12);
    only.fill(false);
    EXPECT_EQ(BandDeviationDb(levels, 0, 29, &only), 0.0);
}

TEST(MeasureRules, OverallEqSumsTheAppliedBandsAndMeasuredCurvePassesTheBandLevels) {
    const dsp::FrequencyGrid grid = dsp::FrequencyGrid::Nominal();
    AutoEqResult r{};
    for (std::size_t k = 0; k < kAnalyserBandCount; ++k) {
        r.frequencyHz[k] = measure::kAutoEqBandHz[k];
        r.gainCode[k] = measure::kFlatGainCode;
        r.qIndex[k] = kEqQUnityCode;
    }
    r.gainCode[16] = 42;  // +6 dB at 1 kHz
    r.gainCode[2] = 0;    // -15 dB at 40 Hz, but outside the range below: flat
    const dsp::Curve eq = OverallEqCurve(grid, r, 4, 29);
    auto at = [&](const dsp::Curve& c, double hz) {
        return c[static_cast<std::size_t>(std::lround(hz * 16384 / 48000))];
    };
    EXPECT_NEAR(at(eq, 1000), 6.0, 0.1);
    EXPECT_NEAR(at(eq, 40), 0.0, 0.05);
    EXPECT_NEAR(at(eq, 10000), 0.0, 0.1);

    BandSpectrum levels{};
    for (std::size_t k = 0; k < kAnalyserBandCount; ++k) levels[k] = -40.0 + (k == 16 ? 6.0 : 0.0);
    const dsp::Curve measured = MeasuredCurve(grid, levels, 0, 29);
    const double mean = -40.0 + 6.0 / 30;
    EXPECT_NEAR(at(measured, 1000), 6.0 - (mean + 40.0), 0.05);
    EXPECT_NEAR(at(measured, 5000), 0.0 - (mean + 40.0), 0.05);
    EXPECT_NEAR(measured[1], -(mean + 40.0), 1e-9);  // held flat below 25 Hz
}

}  // namespace
}  // namespace zef
