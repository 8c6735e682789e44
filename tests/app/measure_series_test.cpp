// A series of sweeps at several microphone positions: what comes after each
// sweep, what a position's response is, and the texts the window shows.
#include "app/measure_series.h"

#include <gtest/gtest.h>

#include <cmath>

#include "measure/sweep_analysis.h"

namespace zef::wizard {
namespace {

using Next = MeasureSeries::Next;

std::vector<double> Constant(double v, std::size_t n = 4096) { return std::vector<double>(n, v); }

TEST(MeasureSeries, EachSweepSaysWhatComesNext) {
    struct Case {
        int positions, sweeps;
        std::vector<Next> expected;  // one per Take
    };
    const Case cases[] = {
        {1, 1, {Next::Done}},
        {1, 3, {Next::Sweep, Next::Sweep, Next::Done}},
        {3, 1, {Next::Move, Next::Move, Next::Done}},
        {2, 2, {Next::Sweep, Next::Move, Next::Sweep, Next::Done}},
        {0, 0, {Next::Done}},     // clamped up to one of each
        {9, 1, std::vector<Next>(7, Next::Move)},  // clamped to eight positions
    };
    for (const Case& c : cases) {
        MeasureSeries s;
        s.Begin(c.positions, c.sweeps);
        std::vector<Next> got;
        for (std::size_t k = 0; k < c.expected.size(); ++k) got.push_back(s.Take(Constant(1.0)));
        EXPECT_EQ(got, c.expected) << c.positions << " positions, " << c.sweeps << " sweeps";
    }
    MeasureSeries eight;
    eight.Begin(9, 1);
    for (int k = 0; k < 7; ++k) eight.Take(Constant(1.0));
    EXPECT_EQ(eight.Take(Constant(1.0)), Next::Done);
    EXPECT_EQ(eight.positions().size(), 8u);
}

TEST(MeasureSeries, APositionIsTheMeanOfItsSweepsOverTheShortest) {
    MeasureSeries s;
    s.Begin(2, 3);
    s.Take(Constant(1.0, 10));
    s.Take(Constant(2.0, 8));
    EXPECT_EQ(s.Take(Constant(6.0, 12)), Next::Move);
    s.Take(Constant(-1.0));
    s.Take(Constant(-1.0));
    EXPECT_EQ(s.Take(Constant(-4.0)), Next::Done);
    ASSERT_EQ(s.positions().size(), 2u);
    EXPECT_EQ(s.positions()[0], Constant(3.0, 8));
    EXPECT_EQ(s.positions()[1], Constant(-2.0));
    // Begin forgets the last series.
    s.Begin(1, 1);
    EXPECT_TRUE(s.positions().empty());
    EXPECT_EQ(s.position(), 1);
}

TEST(MeasureSeries, TheSpreadIsThatOfThePositionsThirdOctaveLevels) {
    // Two impulses 6 dB apart: every band differs by 6 dB.
    std::vector<double> a(8192, 0.0), b(8192, 0.0);
    a[measure::kPreDelaySamples] = 1.0;
    b[measure::kPreDelaySamples] = 0.5;
    MeasureSeries s;
    s.Begin(2, 1);
    s.Take(a);
    s.Take(b);
    const BandSpectrum spread = s.Spread();
    for (std::size_t band = 0; band < kAnalyserBandCount; ++band)
        EXPECT_NEAR(spread[band], 20 * std::log10(2.0), 0.01) << "band " << band;
}

TEST(MeasureSeries, TheTextsNameThePositionAndTheSweep) {
    MeasureSeries s;
    s.Begin(1, 1);
    EXPECT_EQ(s.ProgressText(), "");
    s.Begin(1, 4);
    s.Take(Constant(0));
    EXPECT_EQ(s.ProgressText(), "Sweep 2 of 4");
    s.Begin(3, 2);
    s.Take(Constant(0));
    s.Take(Constant(0));
    EXPECT_EQ(s.ProgressText(), "Position 2 of 3, sweep 1 of 2");
    EXPECT_EQ(s.MoveText().rfind("Position 1 of 3 is measured. Move the microphone to position 2, then press OK", 0),
              0u)
        << s.MoveText();
    EXPECT_EQ(s.AwaitingMoveText(), "Waiting for the microphone at position 2 of 3");
}

}  // namespace
}  // namespace zef::wizard
