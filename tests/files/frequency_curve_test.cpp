// Frequency curves as text: what a calibration or target file may hold, the
// errors that name the line, interpolation and the round trip.
#include <gtest/gtest.h>

#include "files/frequency_curve.h"

namespace zef {
namespace {

TEST(FrequencyCurve, ReadsTheCommonCalibrationLayouts) {
    const char* text =
        "\"Sens Factor =-1.25dB, AGain =18dB, SERNO: 7001234\"\n"
        "* Freq(Hz)  SPL(dB)\n"
        "# another comment\n"
        "\n"
        "20\t-1.5\r\n"
        "  100 , 0.25\n"
        "1000;0\n";
    FrequencyCurve c;
    ASSERT_EQ(ParseFrequencyCurve(text, "mic.txt", c), "");
    ASSERT_EQ(c.points.size(), 3u);
    EXPECT_DOUBLE_EQ(c.points[1].hz, 100);
    EXPECT_DOUBLE_EQ(c.points[1].db, 0.25);
    EXPECT_FALSE(c.hasPhase);
    ASSERT_TRUE(c.sensitivityDb);
    EXPECT_DOUBLE_EQ(*c.sensitivityDb, -1.25);

    FrequencyCurve p;
    ASSERT_EQ(ParseFrequencyCurve("10 1 -90\n20 2 45.5\n", "r.txt", p), "");
    EXPECT_TRUE(p.hasPhase);
    EXPECT_DOUBLE_EQ(p.points[1].phaseDeg, 45.5);
}

TEST(FrequencyCurve, BadFilesNameTheLine) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"20 1\n30 x\n", "c.txt line 2: \"x\" is not a number"},
        {"20 1\n20 2\n", "c.txt line 2: the frequencies must rise (20 Hz follows 20 Hz)"},
        {"* only words\n", "c.txt: no \"frequency dB\" lines"},
        {"20 1 0\n30 1\n", "c.txt line 2: no phase where the lines before have one"},
        {"20 1\n30 1 5\n", "c.txt line 2: a phase where the lines before have none"},
        {"0 1\n", "c.txt line 1: the frequency must be above 0 Hz"},
        {"20 1 2 3\n", "c.txt line 1: expected \"frequency dB\" or \"frequency dB phase\", found \"20 1 2 3\""},
        {"20 1.5.3\n", "c.txt line 1: \"1.5.3\" is not a number"},
    };
    for (const auto& c : cases) {
        FrequencyCurve curve;
        curve.points = {{1, 2, 3}};
        const std::string e = ParseFrequencyCurve(c.text, "c.txt", curve);
        EXPECT_EQ(e.rfind(c.error, 0), 0u) << e;
        EXPECT_EQ(curve.points.size(), 1u) << "a refused file leaves the curve alone";
    }
}

TEST(FrequencyCurve, InterpolatesOnALogAxisAndHoldsItsEnds) {
    FrequencyCurve c;
    c.points = {{100, 0, 0}, {400, 6, 90}};
    const struct {
        double hz, db, phase;
    } cases[] = {{50, 0, 0}, {100, 0, 0}, {200, 3, 45}, {400, 6, 90}, {1000, 6, 90}};
    for (const auto& k : cases) {
        EXPECT_NEAR(c.DbAt(k.hz), k.db, 1e-12) << k.hz;
        EXPECT_NEAR(c.PhaseDegAt(k.hz), k.phase, 1e-12) << k.hz;
    }
    EXPECT_NEAR(TiltCurve(-1.0).DbAt(250), 2.0, 1e-12);
    EXPECT_NEAR(TiltCurve(-1.0).DbAt(4000), -2.0, 1e-12);
}

TEST(FrequencyCurve, TextReadsBackAsTheSameCurve) {
    FrequencyCurve c;
    c.hasPhase = true;
    c.sensitivityDb = -0.5;
    c.points = {{10.1454533, -24.8272, 32.185}, {20000, 1.5, -179.25}};
    FrequencyCurve back;
    ASSERT_EQ(ParseFrequencyCurve(FrequencyCurveText(c, "two lines\nof comment"), "t", back), "");
    ASSERT_EQ(back.points.size(), 2u);
    EXPECT_DOUBLE_EQ(back.points[0].hz, 10.1454533);
    EXPECT_DOUBLE_EQ(back.points[0].db, -24.8272);
    EXPECT_DOUBLE_EQ(back.points[1].phaseDeg, -179.25);
    EXPECT_EQ(back.sensitivityDb, -0.5);
}

}  // namespace
}  // namespace zef
