// The measurement plots' axes without painting: value <-> pixel, where the
// ticks go and how they read, the lines a curve is drawn with, and the
// pointer read-out.
#include "ui/plot_axes.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <limits>

#include "ui/graph_paths.h"

namespace zef {
namespace {

TEST(PlotAxes, PixelsAndValuesAreInverse) {
    const PlotAxis freq{20, 20000, true, "Hz"};
    EXPECT_DOUBLE_EQ(freq.ToPixel(20, 600), 0.0);
    EXPECT_DOUBLE_EQ(freq.ToPixel(20000, 600), 600.0);
    EXPECT_NEAR(freq.ToPixel(200, 600), 200.0, 1e-9);  // one decade of three
    const PlotAxis db{-30, 12, false, "dB"};
    EXPECT_DOUBLE_EQ(db.ToPixel(-9, 420), 210.0);
    for (double px : {0.0, 37.5, 300.0, 600.0}) {
        EXPECT_NEAR(freq.ToPixel(freq.FromPixel(px, 600), 600), px, 1e-9);
        EXPECT_NEAR(db.ToPixel(db.FromPixel(px, 600), 600), px, 1e-9);
    }
}

TEST(PlotAxes, TicksAndTheirLabels) {
    struct Case {
        PlotAxis axis;
        int maxTicks;
        std::vector<double> ticks;
        QStringList labels;
    };
    const Case cases[] = {
        {{20, 20000, true, "Hz"},
         10,
         {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000},
         {"20", "50", "100", "200", "500", "1k", "2k", "5k", "10k", "20k"}},
        {{-30, 12, false, "dB"}, 8, {-30, -20, -10, 0, 10}, {"-30", "-20", "-10", "0", "10"}},
        {{0, 8, false, "ms"}, 5, {0, 2, 4, 6, 8}, {"0", "2", "4", "6", "8"}},
        {{-0.12, 0.12, false, ""},
         6,
         {-0.1, -0.05, 0, 0.05, 0.1},
         {"-0.10", "-0.05", "0.00", "0.05", "0.10"}},
    };
    for (const Case& c : cases) {
        const std::vector<double> ticks = AxisTicks(c.axis, c.maxTicks);
        ASSERT_EQ(ticks.size(), c.ticks.size()) << c.axis.unit.toStdString();
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            EXPECT_NEAR(ticks[i], c.ticks[i], 1e-12);
            const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 0;
            EXPECT_EQ(TickLabel(c.axis, ticks[i], step), c.labels[static_cast<int>(i)]);
        }
    }
    EXPECT_TRUE(AxisTicks({5, 5, false, ""}, 5).empty());
}

TEST(PlotAxes, TickMarksArePlacedAndLabelledOnTheAxis) {
    const std::vector<AxisTick> db = AxisTickMarks({-30, 12, false, "dB"}, 8, 420);
    ASSERT_EQ(db.size(), 5u);
    EXPECT_DOUBLE_EQ(db[0].pixel, 0.0);
    EXPECT_DOUBLE_EQ(db[3].pixel, 300.0);
    EXPECT_EQ(db[3].label, "0");
    const std::vector<AxisTick> ms = AxisTickMarks({-0.12, 0.12, false, ""}, 6, 240);
    ASSERT_EQ(ms.size(), 5u);
    EXPECT_NEAR(ms[1].pixel, 70.0, 1e-9);
    EXPECT_EQ(ms[1].label, "-0.05");  // decimals of the step, not of the value
}

TEST(PlotAxes, CurveLinesSkipClampAndBreakAtWraps) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        PlotAxis x, y;
        std::vector<double> xs, ys;
        double wrapJump;
        std::vector<std::vector<dsp::PlotPoint>> lines;  // plot 100 x 50 pixels
    };
    const Case cases[] = {
        {"not a number left out",
         {0, 10, false, "ms"},
         {-1, 1, false, ""},
         {0, 5, 10},
         {-1, nan, 1},
         inf,
         {{{0, 50}, {100, 0}}}},
        {"0 Hz left out on a log axis",
         {10, 1000, true, "Hz"},
         {-1, 1, false, ""},
         {0, 10, 1000},
         {0, 0, 0},
         inf,
         {{{0, 25}, {100, 25}}}},
        {"held within 10 pixels",
         {0, 10, false, "ms"},
         {-1, 1, false, ""},
         {0, 10},
         {5, -5},
         inf,
         {{{0, -10}, {100, 60}}}},
        {"a wrap starts a new line",
         {0, 10, false, "ms"},
         {-180, 180, false, "Deg"},
         {0, 5, 10},
         {170, -170, -160},
         180,
         {{{0, 25 - 170.0 * 50 / 360}}, {{50, 25 + 170.0 * 50 / 360}, {100, 25 + 160.0 * 50 / 360}}}},
        {"shorter y", {0, 10, false, "ms"}, {-1, 1, false, ""}, {0, 5, 10}, {1}, inf, {{{0, 0}}}},
        {"nothing to draw", {0, 10, false, "ms"}, {-1, 1, false, ""}, {0, 5}, {nan, nan}, inf, {}},
    };
    for (const Case& c : cases) {
        const auto lines = CurveLines(c.xs, c.ys, c.x, c.y, 100, 50, c.wrapJump);
        ASSERT_EQ(lines.size(), c.lines.size()) << c.what;
        for (std::size_t l = 0; l < lines.size(); ++l) {
            ASSERT_EQ(lines[l].size(), c.lines[l].size()) << c.what;
            for (std::size_t i = 0; i < lines[l].size(); ++i) {
                EXPECT_NEAR(lines[l][i].x, c.lines[l][i].x, 1e-9) << c.what;
                EXPECT_NEAR(lines[l][i].y, c.lines[l][i].y, 1e-9) << c.what;
            }
        }
    }
}

TEST(PlotAxes, PointerReadout) {
    EXPECT_EQ(PointerReadout({20, 20000, true, "Hz"}, 1250.4, {-30, 12, false, "dB"}, -3.46),
              "1250 Hz; -3.5 dB");
    EXPECT_EQ(PointerReadout({0, 8, false, "ms"}, 2.5, {-1, 1, false, ""}, 0.26), "2.50 ms; 0.3");
}

}  // namespace
}  // namespace zef
