#include "dsp/curves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "dsp/response_calculator.h"
#include "dsp_test_util.h"

namespace zef::dsp {
namespace {

// The grid evaluation must give the per-point numbers: the same 0 Hz and
// fault points exactly, the finite ones within 1e-9 dB.
void ExpectSameCurve(const Curve& fast, const Curve& reference, const std::string& what) {
    int finite = 0;
    for (std::size_t k = 0; k < kGridPoints; ++k) {
        if (k == 0 || reference[k] == kFaultDb || fast[k] == kFaultDb) {
            ASSERT_EQ(fast[k], reference[k]) << what << " at k=" << k;
            continue;
        }
        ASSERT_NEAR(fast[k], reference[k], 1e-9) << what << " at k=" << k;
        ++finite;
    }
    EXPECT_GT(finite, 0) << what;
}

class CurvesTest : public ::testing::Test {
protected:
    GridTables tables{FrequencyGrid::Nominal()};
};

TEST_F(CurvesTest, GridEvaluationMatchesPerPointForRandomBands) {
    std::mt19937 rng(99);
    Curve fast;
    Curve reference;
    for (int trial = 0; trial < 240; ++trial) {
        const BandSetting b = test::RandomBand(rng, trial % 6);
        BandCurveDb(b, tables, fast);
        BandCurveDbReference(b, tables, reference);
        if (b.gainDb == 0 && b.type <= 2) continue;  // unity: all zeros, nothing finite to compare
        ExpectSameCurve(fast, reference,
                        "band type " + std::to_string(b.type) + " trial " + std::to_string(trial));
    }
}

TEST_F(CurvesTest, GridEvaluationMatchesPerPointForRandomCrossovers) {
    std::mt19937 rng(5);
    Curve fast;
    Curve reference;
    for (int trial = 0; trial < 120; ++trial) {
        const CrossoverSetting x = test::RandomCrossover(rng);
        CrossoverCurveDb(x, tables, fast);
        CrossoverCurveDbReference(x, tables, reference);
        ExpectSameCurve(fast, reference, "slope " + std::to_string(x.slopeCode));
    }
}

TEST_F(CurvesTest, FaultPointsAndTheirNeighboursMatch) {
    Curve fast;
    Curve reference;
    // Notches on grid points, including the last points that the vector loop leaves over.
    for (int k : {128, 1024, 4096, 6825}) {
        BandSetting notch{5, k * kGridStepHz, 3.0, 0.0, 0.0};
        BandCurveDb(notch, tables, fast);
        BandCurveDbReference(notch, tables, reference);
        EXPECT_EQ(fast[static_cast<std::size_t>(k)], kFaultDb);
        ExpectSameCurve(fast, reference, "notch");
    }
    // A pole pair on the unit circle at 12 kHz: denominator faults.
    SectionCurveDb({0, -1, 1, 0, 0}, tables, fast);
    SectionCurveDbReference({0, -1, 1, 0, 0}, tables, reference);
    EXPECT_EQ(fast[4096], kFaultDb);
    ExpectSameCurve(fast, reference, "pole");
}

TEST_F(CurvesTest, FlatBandsAndZeroHertz) {
    Curve out;
    out.fill(7.0);
    BandCurveDb({6, 1000, 1, 12, 0}, tables, out);
    for (double v : out) ASSERT_EQ(v, 0.0);
    out.fill(7.0);
    BandCurveDb({0, 1000, 1, 12, 1.0}, tables, out);  // bypassed
    for (double v : out) ASSERT_EQ(v, 0.0);
    BandCurveDb({3, 1000, 0.7, 0, 0}, tables, out);  // high-pass: a zero at DC, yet 0 dB at point 0
    EXPECT_EQ(out[0], 0.0);
    EXPECT_LT(out[1], -90.0);
    CrossoverCurveDb({0, true, 1000}, tables, out);  // "Bypass"
    for (double v : out) ASSERT_EQ(v, 0.0);
}

TEST(FrequencyGrid, NominalPointsAreExact) {
    const FrequencyGrid grid = FrequencyGrid::Nominal();
    EXPECT_EQ(grid[0], 0.0);
    EXPECT_EQ(grid[1], 2.9296875);
    EXPECT_EQ(grid[6826], 19998.046875);
    for (std::size_t k = 0; k < kGridPoints; ++k) ASSERT_EQ(grid[k], k * 48000.0 / 16384.0);
}

TEST(FrequencyGrid, FilledFromTheFftwCalculator) {
    FftwResponseCalculator calculator;
    FrequencyGrid grid;
    ASSERT_EQ(FillFrequencyGrid(calculator, grid), kOk);
    EXPECT_EQ(grid, FrequencyGrid::Nominal());
}

// A calculator with scripted results.
class ScriptedCalculator : public ResponseCalculator {
public:
    Status status = kOk;
    std::vector<double> magnitude, phaseValues, frequencyValues;
    int calls = 0;

    Status compute(std::span<const double>, int, double) override {
        ++calls;
        return status;
    }
    std::span<const double> magnitudeDb() const override { return magnitude; }
    std::span<const double> phase() const override { return phaseValues; }
    std::span<const double> frequencies() const override { return frequencyValues; }
};

TEST(FrequencyGrid, RejectsAFailingOrShortCalculatorAndKeepsTheGrid) {
    FrequencyGrid grid = FrequencyGrid::Nominal();
    grid.hz[5] = 123.0f;  // marker: must stay
    ScriptedCalculator failing;
    failing.status = kFailed;
    EXPECT_EQ(FillFrequencyGrid(failing, grid), kFailed);
    ScriptedCalculator shortResult;
    shortResult.frequencyValues.assign(6826, 0.0);
    EXPECT_EQ(FillFrequencyGrid(shortResult, grid), kFailed);
    EXPECT_EQ(grid.hz[5], 123.0f);
}

TEST(FrequencyGridDeathTest, AWrongFrequencyArrayIsAProgrammingError) {
    ScriptedCalculator wrong;
    for (int k = 0; k < 8193; ++k) wrong.frequencyValues.push_back(k * 44100.0 / 16384.0);
    FrequencyGrid grid = FrequencyGrid::Nominal();
    EXPECT_DEBUG_DEATH(EXPECT_EQ(FillFrequencyGrid(wrong, grid), kFailed), "k \\* 48000");
    EXPECT_EQ(grid, FrequencyGrid::Nominal());
}

}  // namespace
}  // namespace zef::dsp
