#include "model/encodings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "model/locale.h"
#include "model/memory_map.h"
#include "model/tables.h"

namespace zef {
namespace {

const std::vector<Control> kAllControls = [] {
    std::vector<Control> all;
    for (int i = 0; i < kControlCount; ++i) all.push_back(static_cast<Control>(i));
    return all;
}();

template <typename T>
bool StrictlyIncreasing(const T& t) {
    return std::adjacent_find(t.begin(), t.end(), [](double a, double b) { return !(a < b); }) == t.end();
}

TEST(Tables, ValueTablesAreStrictlyMonotone) {
    EXPECT_TRUE(StrictlyIncreasing(kGateTimesA));
    EXPECT_TRUE(StrictlyIncreasing(kGateTimesB));
    EXPECT_TRUE(StrictlyIncreasing(kCompressorTimesA));
    EXPECT_TRUE(StrictlyIncreasing(kCompressorTimesB));
    EXPECT_TRUE(StrictlyIncreasing(kLimiterTimesA));
    EXPECT_TRUE(StrictlyIncreasing(kLimiterTimesB));
    EXPECT_TRUE(StrictlyIncreasing(kEqQ));
    std::vector<double> thresholds(kLimiterThresholds.rbegin(), kLimiterThresholds.rend());
    EXPECT_TRUE(StrictlyIncreasing(thresholds));
    EXPECT_EQ(kEqQ[kEqQUnityCode], 1.0);
}

TEST(Tables, GeneratedTenthsAreTheirDecimals) {
    // 0.3 must be the double nearest to 0.3, not 3 * 0.1.
    for (int k = 1; k <= static_cast<int>(kLimiterTimesA.size()); ++k) {
        std::string decimal = std::to_string(k / 10) + "." + std::to_string(k % 10);
        EXPECT_EQ(kLimiterTimesA[static_cast<std::size_t>(k - 1)], std::stod(decimal)) << decimal;
        if (k <= static_cast<int>(kCompressorTimesA.size())) {
            EXPECT_EQ(kCompressorTimesA[static_cast<std::size_t>(k - 1)], std::stod(decimal)) << decimal;
        }
    }
}

TEST(Tables, InverseMasksComplementTheMasks) {
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(kBitMasks[i], 1u << i);
        EXPECT_EQ(static_cast<std::uint8_t>(~kBitMasks[i]), kInverseBitMasks[i]);
    }
}

struct Extremes {
    Control control;
    int n;
    double atTop;     // position 1
    double atBottom;  // position N
};

TEST(ControlMapper, EndsOfEverySlider) {
    const Extremes cases[] = {
        {Control::ChannelGain, 145, 12, -60},    {Control::EqGain, 61, 15, -15},
        {Control::GateThreshold, 7, -50, -80},   {Control::GateTimeA, 26, 1000, 1},
        {Control::GateTimeB, 17, 1000, 30},      {Control::CompressorLevel, 151, 12, -18},
        {Control::CompressorRatio, 31, 32, 2},   {Control::CompressorValue, 101, 100, 0},
        {Control::CompressorTimeA, 30, 3, 0.1},  {Control::CompressorTimeB, 30, 200, 5},
        {Control::CompressorGain, 241, 12, -12}, {Control::LimiterThreshold, 151, 1.63, 50},
        {Control::LimiterTimeA, 50, 5, 0.1},     {Control::LimiterTimeB, 41, 900, 1},
        {Control::NoiseLevel, 81, 0, -80},       {Control::MaskingLevel, 81, 0, -80},
    };
    ASSERT_EQ(std::size(cases), kAllControls.size());
    for (const Extremes& c : cases) {
        const ControlMapper& m = MapperFor(c.control);
        SCOPED_TRACE(std::string(m.name()));
        EXPECT_EQ(m.count(), c.n);
        EXPECT_EQ(m.codeFromPosition(1), m.count() - 1);
        EXPECT_EQ(m.codeFromPosition(m.count()), 0);
        EXPECT_NEAR(m.valueFromPosition(1), c.atTop, 1e-12);
        EXPECT_NEAR(m.valueFromPosition(m.count()), c.atBottom, 1e-12);
    }
    EXPECT_EQ(MapperFor(Control::CompressorRatio).text(0, false), "2:1");
    EXPECT_EQ(MapperFor(Control::CompressorLevel).text(1, true), "-17,8");
}

TEST(ControlMapper, CodeValueAndPositionAreInversesOverTheWholeRange) {
    for (Control control : kAllControls) {
        const ControlMapper& m = MapperFor(control);
        SCOPED_TRACE(std::string(m.name()));
        for (int code = 0; code < m.count(); ++code) {
            const double v = m.valueFromCode(code);
            ASSERT_EQ(m.codeFromValue(v), code);
            ASSERT_EQ(m.codeFromPosition(m.positionFromCode(code)), code);
            ASSERT_EQ(m.positionFromValue(v), m.count() - code);
        }
        // Out-of-range values clamp to the ends.
        const double lo = std::min(m.valueFromCode(0), m.valueFromCode(m.maxCode()));
        const double hi = std::max(m.valueFromCode(0), m.valueFromCode(m.maxCode()));
        EXPECT_EQ(m.valueFromCode(m.codeFromValue(lo - 1000)), lo);
        EXPECT_EQ(m.valueFromCode(m.codeFromValue(hi + 1000)), hi);
    }
}

TEST(Snapping, TiesGoUpAndEndsClamp) {
    EXPECT_EQ(kGateTimesA[SnapToTable(7, kGateTimesA)], 5);
    EXPECT_EQ(kGateTimesA[SnapToTable(7.5, kGateTimesA)], 10);
    EXPECT_EQ(kGateTimesA[SnapToTable(0, kGateTimesA)], 1);
    EXPECT_EQ(SnapToTable(5000, kGateTimesA), static_cast<int>(kGateTimesA.size()) - 1);
    EXPECT_EQ(kCompressorTimesA[SnapToTable(0.15, kCompressorTimesA)], 0.2);  // decimal midpoint
    // Decreasing table: midpoint of 50 and 49.5 goes to the larger value.
    EXPECT_EQ(SnapToTable(49.75, kLimiterThresholds), 0);
    EXPECT_EQ(SnapToTable(0.5, kLimiterThresholds), 150);
    EXPECT_EQ(SnapToTable(99, kLimiterThresholds), 0);
    EXPECT_EQ(kLimiterThresholds[SnapToTable(3.52, kLimiterThresholds)], 3.5);

    struct StepCase {
        double (*snap)(double);
        double in, out;
    };
    const StepCase steps[] = {
        {SnapGateThreshold, -77.5, -75},
        {SnapGateThreshold, -77.6, -80},
        {SnapGateThreshold, -51, -50},
        {SnapToHalf, 0.25, 0.5},
        {SnapToHalf, -0.25, 0},
        {SnapToHalf, 0.24, 0},
        {SnapToTenth, 0.15, 0.2},
        {SnapToTenth, 0.34, 0.3},
        {SnapToTwo, 3, 4},
        {SnapToTwo, 2.9, 2},
        {SnapToTwo, -3, -2},
    };
    for (const StepCase& c : steps) EXPECT_DOUBLE_EQ(c.snap(c.in), c.out) << c.in;
    EXPECT_EQ(MapperFor(Control::ChannelGain).snap(15), 12);
    EXPECT_EQ(MapperFor(Control::ChannelGain).positionFromValue(15), 1);
}

TEST(SplitToBytes, BigEndianWithHalfEvenRounding) {
    AddressBytes scratch;
    scratch.bytes.fill(0x55);
    SplitToBytes(1000, 0, scratch);
    EXPECT_EQ(scratch.bytes[2], 0x03);
    EXPECT_EQ(scratch.bytes[3], 0xE8);
    EXPECT_EQ(scratch.low16(0), 1000);
    EXPECT_EQ(scratch.bytes[4], 0x55);

    struct Case {
        double in;
        std::uint32_t word;
    };
    for (const Case c : {Case{2.5, 2}, Case{3.5, 4}, Case{-1, 0xFFFFFFFF}, Case{0x12345678, 0x12345678},
                         Case{864.4999, 864}, Case{-2.5, 0xFFFFFFFE}}) {
        SplitToBytes(c.in, 27, scratch);
        const std::uint32_t got = std::uint32_t{scratch.bytes[27]} << 24 |
                                  std::uint32_t{scratch.bytes[28]} << 16 |
                                  std::uint32_t{scratch.bytes[29]} << 8 | scratch.bytes[30];
        EXPECT_EQ(got, c.word) << c.in;
    }
}

TEST(Encodings, Frequencies) {
    EXPECT_EQ(CrossoverFrequencyCode(80.9), 80);
    EXPECT_EQ(EqFrequencyCode(80.5), 80);
    EXPECT_EQ(EqFrequencyCode(81.5), 82);
    EXPECT_EQ(EqFrequencyCode(80.51), 81);
    EXPECT_EQ(CrossoverFrequencyCode(-5), 0);
    EXPECT_EQ(EqFrequencyCode(70000), 65535);
    EXPECT_EQ(EqFrequencyCode(std::nan("")), 0);
}

TEST(Encodings, DelayCountsMillisecondsAndMetres) {
    const DelayCounts max = DelayCountsFromMs(MsFromMetres(100));
    EXPECT_EQ(max, (DelayCounts{164, 48}));
    EXPECT_EQ(DelayCountsFromMs(kDelayMaxMs), max);
    EXPECT_EQ(DelayCountsFromMs(MsFromMetres(kDelayMaxMetres)), max);
    EXPECT_NEAR(DelayMs(max), 164.998, 1e-12);
    EXPECT_NEAR(MetresFromMs(DelayMs(max)), kDelayMaxMetres, 1e-9);
    EXPECT_EQ(DelayCountsFromMs(-3), (DelayCounts{}));
    EXPECT_EQ(DelayCountsFromMs(4.9995), (DelayCounts{5, 0}));  // nearer to 5.0 than to 4.9984
    EXPECT_EQ(DelayMs({0, 25}), 0.52);

    for (int coarse = 0; coarse <= kDelayMaxCoarse; ++coarse) {
        for (int fine = 0; fine <= kDelayMaxFine; ++fine) {
            const DelayCounts c{static_cast<std::uint16_t>(coarse), static_cast<std::uint8_t>(fine)};
            ASSERT_EQ(DelayCountsFromMs(DelayMs(c)), c) << coarse << "/" << fine;
        }
    }
    EXPECT_EQ(DelayFrameCaption(false), "Delay [ ms ]");
    EXPECT_EQ(DelayFrameCaption(true), "Delay [ m ]");
}

TEST(Encodings, RoutingStates) {
    for (bool a : {false, true}) {
        for (bool b : {false, true}) {
            const auto bytes = RoutingBytes({a, b});
            EXPECT_EQ(RoutingFromBytes(bytes[0], bytes[1]), (RoutingState{a, b}));
            for (std::uint8_t v : bytes) EXPECT_TRUE(v == kRouteOff || v == kRouteBoth || v == kRouteAlone);
        }
    }
    EXPECT_EQ(RoutingBytes({true, true}), (std::array<std::uint8_t, 2>{152, 152}));
    EXPECT_EQ(RoutingBytes({false, true}), (std::array<std::uint8_t, 2>{30, 158}));
}

TEST(Encodings, LimiterCapKeepsCodesInRange) {
    for (bool bridged : {false, true}) {
        for (int impedance = -1; impedance <= 5; ++impedance) {
            const int cap = LimiterCap(bridged, impedance);
            for (int code = 0; code <= 150; ++code) {
                const int capped = CapLimiterCode(code, cap);
                ASSERT_GE(capped, 0);
                ASSERT_LE(capped, 150);
                ASSERT_LE(MapperFor(Control::LimiterThreshold).positionFromCode(capped), cap);
                if (MapperFor(Control::LimiterThreshold).positionFromCode(code) <= cap) {
                    ASSERT_EQ(capped, code);
                }
            }
        }
    }
    EXPECT_EQ(CapLimiterCode(0, LimiterCap(false, 0)), 0);  // cap 151: no limit
    EXPECT_EQ(CapLimiterCode(0, LimiterCap(true, 3)), 51);  // cap 100

    DeviceSettings s;
    s[ds::Impedance(0)] = 0;
    s[ds::Impedance(1)] = 3;
    EXPECT_EQ(LimiterCapFor(s, 1), 115);
    s[ds::kBridge] = 1;
    EXPECT_EQ(LimiterCapFor(s, 1), 151);  // bridged: output 1's entry
}

TEST(Encodings, BandByteAndMasks) {
    EXPECT_EQ(BandLevelByte(true, MapperFor(Control::EqGain).positionFromValue(0)), 158);
    EXPECT_EQ(BandLevelByte(false, 1), 60);
    EXPECT_EQ(PairMask(true, false), 1);
    EXPECT_EQ(PairMask(false, true), 2);

    for (int n = 0; n < 32; ++n) {
        std::uint8_t b[4] = {0, 0, 0, 0};
        SetBit32(n, true, b[3], b[2], b[1], b[0]);
        const std::uint32_t word =
            std::uint32_t{b[3]} << 24 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[1]} << 8 | b[0];
        ASSERT_EQ(word, 1u << n);
        ASSERT_TRUE(TestBit32(n, b[3], b[2], b[1], b[0]));
        ASSERT_FALSE(TestBit32((n + 1) % 32, b[3], b[2], b[1], b[0]));
        std::fill(b, b + 4, 0xFF);
        SetBit32(n, false, b[3], b[2], b[1], b[0]);
        ASSERT_FALSE(TestBit32(n, b[3], b[2], b[1], b[0]));
    }
    std::uint8_t b3 = 0xFF, b2 = 0xFF, b1 = 0xFF, b0 = 0xFF;
    EXPECT_FALSE(TestBit32(32, b3, b2, b1, b0));
    EXPECT_FALSE(TestBit32(-1, b3, b2, b1, b0));
    SetBit32(40, false, b3, b2, b1, b0);
    EXPECT_EQ(b3 & b2 & b1 & b0, 0xFF);
}

TEST(Encodings, SmallTextHelpers) {
    EXPECT_EQ(FormatTwoDigits(0), "00");
    EXPECT_EQ(FormatTwoDigits(9), "09");
    EXPECT_EQ(FormatTwoDigits(10), "10");
    EXPECT_EQ(PresetSlotText(4), "P05");
    EXPECT_NEAR(Log10Of(1000), 3.0, 1e-15);
}

}  // namespace
}  // namespace zef
