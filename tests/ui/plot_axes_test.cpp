// The measurement plots' axes without painting: value <-> pixel, where the
// ticks go and how they read, and the pointer read-out.
#include "ui/plot_axes.h"

#include <gtest/gtest.h>

#include <QStringList>

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

TEST(PlotAxes, PointerReadout) {
    EXPECT_EQ(PointerReadout({20, 20000, true, "Hz"}, 1250.4, {-30, 12, false, "dB"}, -3.46),
              "1250 Hz; -3.5 dB");
    EXPECT_EQ(PointerReadout({0, 8, false, "ms"}, 2.5, {-1, 1, false, ""}, 0.26), "2.50 ms; 0.3");
}

}  // namespace
}  // namespace zef
