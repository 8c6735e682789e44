#include "dsp/graph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dsp_test_util.h"

namespace zef::dsp {
namespace {

constexpr double kW = 600.0;
constexpr double kH = 360.0;

TEST(GraphGeometry, FlatCurveHeightFollowsZoomAndShift) {
    for (int z = 0; z < kZoomLevels; ++z) {
        for (int s = 0; s < kShiftSteps; ++s) {
            const GraphMapping m = GraphMapping::Editor(kW, kH, z, s);
            // One shift step moves the curve up by one label step, a sixth of the height.
            EXPECT_NEAR(m.y(0.0), kH / 2 - s * kH / 6, 1e-9) << z << " " << s;
            EXPECT_NEAR(m.y(ZoomRangeDb(z) - s * ZoomRangeDb(z) / 3), 0.0, 1e-9);  // top edge
        }
    }
    const GraphMapping flat = GraphMapping::Editor(kW, kH, 0, 0);
    EXPECT_EQ(flat.y(0.0), kH / 2);
    EXPECT_NEAR(GraphMapping::Editor(kW, kH, 0, 1).y(0.0), flat.y(5.0), 1e-9);  // 5 dB higher
    EXPECT_EQ(flat.y(15.0), 0.0);
    EXPECT_EQ(flat.y(-15.0), kH);
}

TEST(GraphGeometry, ThreeDecadesAcrossTheWidth) {
    const GraphMapping m = GraphMapping::Editor(kW, kH, 2, 3);
    EXPECT_EQ(m.x(20.0), 0.0);
    EXPECT_NEAR(m.x(200.0), kW / 3, 1e-9);
    EXPECT_NEAR(m.x(20000.0), kW, 1e-9);
    for (double f : {20.0, 63.0, 1000.0, 19900.0}) EXPECT_NEAR(m.frequencyAt(m.x(f)), f, 1e-9 * f);
    for (double db : {-75.0, -3.5, 0.0, 12.0}) EXPECT_NEAR(m.dbAt(m.y(db)), db, 1e-9);
}

TEST(GraphGeometry, GridLines) {
    const auto lines = GridLineFrequencies();
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(lines.front(), 20.0);
    EXPECT_EQ(lines.back(), 19900.0);
    const GraphMapping m = GraphMapping::Editor(kW, kH, 0, 0);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i] < 60 || lines[i] > 90) << lines[i];
        EXPECT_GE(m.x(lines[i]), 0.0);
        EXPECT_LT(m.x(lines[i]), kW);
        if (i > 0) {
            EXPECT_GT(lines[i], lines[i - 1]);
        }
    }
    const auto rows = HorizontalGridLines(kH);
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_NEAR(rows[i], kH * (i + 1) / 12, 1e-9);
}

TEST(AmplitudeLabels, Examples) {
    using L = std::array<std::string, 7>;
    EXPECT_EQ(AmplitudeLabels(0, 0), (L{"+15", "+10", " +5", " 0", " -5", "-10", "-15"}));
    EXPECT_EQ(AmplitudeLabels(3, 5), (L{"-40", "-60", "-80", "-100", "-120", "-140", "-160"}));
    EXPECT_EQ(AmplitudeLabels(1, 2), (L{"+10", " 0", "-10", "-20", "-30", "-40", "-50"}));
}

TEST(AmplitudeLabels, TextFormat) {
    struct Case {
        int value;
        const char* text;
    };
    const Case cases[] = {{0, " 0"},   {5, " +5"},   {-5, " -5"}, {9, " +9"},
                          {10, "+10"}, {-15, "-15"}, {60, "+60"}, {-100, "-100"}};
    for (const auto& c : cases) EXPECT_EQ(AmplitudeLabelText(c.value), c.text);
}

TEST(AmplitudeLabels, EveryLabelNamesTheLevelItStandsAt) {
    for (int z = 0; z < kZoomLevels; ++z) {
        for (int s = 0; s < kShiftSteps; ++s) {
            const GraphMapping m = GraphMapping::Editor(kW, kH, z, s);
            const auto& labels = AmplitudeLabels(z, s);
            for (int row = 0; row < kAmplitudeLabels; ++row) {
                const double level = m.dbAt(AmplitudeLabelY(row, kH));
                EXPECT_EQ(std::stoi(labels[static_cast<std::size_t>(row)]), std::lround(level))
                    << z << " " << s << " " << row;
                EXPECT_NEAR(level, std::lround(level), 1e-9);
            }
        }
    }
    EXPECT_EQ(AmplitudeLabelY(0, kH), 0.0);
    EXPECT_EQ(AmplitudeLabelY(6, kH), kH);
}

TEST(CurvePolyline, StartsBelow20HzAndDrawsEveryPointAbove) {
    const FrequencyGrid grid = FrequencyGrid::Nominal();
    Curve curve;
    for (std::size_t k = 0; k < kGridPoints; ++k) curve[k] = std::sin(k * 0.01) * 10;
    const GraphMapping m = GraphMapping::Editor(kW, kH, 1, 2);
    const auto points = CurvePolyline(grid, curve, m);
    // Point 6 (17.6 Hz) places the pen; points 7 (20.5 Hz) .. 6826 are drawn.
    ASSERT_EQ(points.size(), kGridPoints - 6);
    EXPECT_LT(points[0].x, 0.0);
    EXPECT_GE(points[1].x, 0.0);
    EXPECT_EQ(points[0], (PlotPoint{m.x(grid[6]), m.y(curve[6])}));
    EXPECT_EQ(points.back(), (PlotPoint{m.x(grid[6826]), m.y(curve[6826])}));
}

TEST(ViewAll, OutputCurvesAddTheChosenInputs) {
    ResponseStore store;
    DeviceModel device;
    test::FillDistinctDevice(device);
    UpdateAllResponses(store, device, 1);
    const DeviceResponses& r = store.device(1);
    struct Case {
        int group;
        InputAddition addition;
        bool l, r;
    };
    const Case cases[] = {
        {2, InputAddition::None, false, false},     {2, InputAddition::InputL, true, false},
        {2, InputAddition::InputR, false, true},    {2, InputAddition::BothInputs, true, true},
        {3, InputAddition::BothInputs, true, true}, {4, InputAddition::BothInputs, false, false},
        {0, InputAddition::InputR, false, false},
    };
    Curve out;
    for (const auto& c : cases) {
        ViewAllCurve(r, c.group, c.addition, out);
        for (std::size_t k = 1; k < kGridPoints; k += 41) {
            const double want =
                r.group(c.group)[k] + (c.l ? r.group(0)[k] : 0.0) + (c.r ? r.group(1)[k] : 0.0);
            ASSERT_NEAR(out[k], want, 1e-12) << c.group << " " << static_cast<int>(c.addition);
        }
    }
    EXPECT_EQ(GraphMapping::ViewAll(kW, kH).y(30.0), 0.0);
    EXPECT_EQ(GraphMapping::ViewAll(kW, kH).y(-30.0), kH);
}

TEST(ViewAll, OptionCaptions) {
    const auto captions = ViewAllOptionCaptions("L", "R");
    EXPECT_EQ(captions, (std::array<std::string, 4>{"No Input", "+ L", "+ R", "+ L+R"}));
}

TEST(ViewAll, CursorReading) {
    const double w = 300.0;
    const double h = 300.0;  // 5 pixels per dB
    struct Case {
        double x, y;
        bool comma;
        const char* text;
    };
    const Case cases[] = {
        {100.0 * std::log10(50.0), 132.5, false, "3.5dB; 1000Hz"},
        {100.0 * std::log10(50.0), 132.5, true, "3,5dB; 1000Hz"},
        {-40.0, -10.0, false, "30dB; 20Hz"},  // limited to the picture
        {400.0, 999.0, false, "-30dB; 20000Hz"},
        {150.0, 150.2, false, "0dB; 632.5Hz"},  // no "-0"
        {10.0, 200.0, false, "-10dB; 25.2Hz"},
    };
    for (const auto& c : cases) EXPECT_EQ(ViewAllCursorReading(c.x, c.y, w, h, c.comma).text, c.text);
    const CursorReading reading = ViewAllCursorReading(100.0 * std::log10(50.0), 132.5, w, h, false);
    EXPECT_EQ(reading.gainDb, 3.5);
    EXPECT_EQ(reading.frequencyHz, 1000.0);
}

TEST(Groups, TablesAndBandOwnership) {
    EXPECT_EQ(GroupOfBand(0), 0);
    EXPECT_EQ(GroupOfBand(3), 0);
    EXPECT_EQ(GroupOfBand(4), 1);
    EXPECT_EQ(GroupOfBand(8), 2);
    EXPECT_EQ(GroupOfBand(37), 2);
    EXPECT_EQ(GroupOfBand(38), 3);
    EXPECT_EQ(GroupOfBand(67), 3);
    EXPECT_EQ(GroupOfBand(68), 4);
    EXPECT_EQ(GroupOfBand(83), 4);
    int bands = 0;
    for (const auto& g : kGroupInfo) bands += g.bandCount;
    EXPECT_EQ(bands, kBands);
    EXPECT_EQ(kGroupInfo[4].name, "SM");
    EXPECT_EQ(kGroupInfo[2].colour, (Rgb{255, 0, 255}));
    EXPECT_EQ(GroupOfCrossover(1), 2);
    EXPECT_EQ(GroupOfCrossover(2), 3);
}

}  // namespace
}  // namespace zef::dsp
