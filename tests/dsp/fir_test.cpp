#include "dsp/fir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "model/memory_map.h"
#include "model/records.h"

namespace zef::dsp {
namespace {

constexpr DeviceSlot kSlot = 2;
constexpr double kLsb = 1.0 / 2097152.0;

TEST(FirTaps, WordToCoefficient) {
    struct Case {
        std::uint32_t word;
        double want;
    };
    const Case cases[] = {
        {0x200000, 1.0}, {0xE00000, -1.0}, {0xFFFFFF, -kLsb}, {0x800000, -4.0}, {0x7FFFFF, 4.0 - kLsb},
        {0x000000, 0.0}, {0x000001, kLsb}, {0x100000, 0.5},   {0x1200000, 1.0},  // bits above 23 are not part
                                                                                 // of the word
    };
    for (const auto& c : cases) EXPECT_EQ(TapToCoefficient(c.word), c.want) << std::hex << c.word;
}

TEST(FirTaps, CoefficientToWordRoundsHalfToEvenAndSaturates) {
    struct Case {
        double coefficient;
        std::uint32_t want;
    };
    const Case cases[] = {
        {-1.0, 0xE00000},       {0.5, 0x100000},        {kLsb, 0x000001},        {1.5 * kLsb, 0x000002},
        {2.5 * kLsb, 0x000002}, {3.5 * kLsb, 0x000004}, {-1.5 * kLsb, 0xFFFFFE}, {-2.5 * kLsb, 0xFFFFFE},
        {0.49 * kLsb, 0},       {0.51 * kLsb, 1},       {-0.5 * kLsb, 0},        {4.0, 0x7FFFFF},
        {-4.0, 0x800000},       {-5.0, 0x800000},       {1e300, 0x7FFFFF},       {std::nan(""), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(CoefficientToTap(c.coefficient), c.want) << c.coefficient;
}

TEST(FirTaps, EveryWordSurvivesTheRoundTrip) {
    for (std::uint32_t w = 0; w <= 0xFFFFFF; w += 61) ASSERT_EQ(CoefficientToTap(TapToCoefficient(w)), w);
    ASSERT_EQ(CoefficientToTap(TapToCoefficient(0xFFFFFF)), 0xFFFFFFu);
}

class FirResponseTest : public ::testing::Test {
protected:
    void SetTaps(int output, std::initializer_list<std::pair<int, double>> taps) {
        device.firTaps[static_cast<std::size_t>(output)].fill(0);
        for (auto [t, c] : taps)
            device.firTaps[static_cast<std::size_t>(output)][static_cast<std::size_t>(t)] =
                CoefficientToTap(c);
    }
    const DeviceResponses& r() { return store.device(kSlot); }

    ResponseStore store;
    DeviceModel device;
};

// Phase difference folded into (-180, 180].
double AngleDifference(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180) d -= 360;
    if (d <= -180) d += 360;
    return d;
}

TEST_F(FirResponseTest, UnitImpulseIsFlatWithZeroPhase) {
    SetTaps(0, {{0, 1.0}});
    ASSERT_EQ(ComputeFirResponse(store, device, kSlot, 0), kOk);
    for (std::size_t k = 0; k < kGridPoints; ++k) {
        ASSERT_NEAR(r().fir(0)[k], 0.0, 1e-9) << k;
        ASSERT_NEAR(r().firPhase(0)[k], 0.0, 1e-9) << k;
    }
}

TEST_F(FirResponseTest, PureDelayHasALinearPhaseInDegrees) {
    for (int d : {1, 7, 100, 383}) {
        SetTaps(1, {{d, -0.5}});  // also inverted and halved
        ASSERT_EQ(ComputeFirResponse(store, device, kSlot, 1), kOk);
        for (std::size_t k = 0; k < kGridPoints; k += 3) {
            const double f = k * 48000.0 / 16384.0;
            ASSERT_NEAR(r().fir(1)[k], 20 * std::log10(0.5), 1e-9) << d << " " << k;
            const double want = -360.0 * f * d / 48000.0 + 180.0;
            ASSERT_NEAR(AngleDifference(r().firPhase(1)[k], want), 0.0, 1e-6) << d << " " << k;
            ASSERT_LE(std::fabs(r().firPhase(1)[k]), 180.0);
        }
    }
}

TEST_F(FirResponseTest, AllZeroTapsFloorAtMinus200) {
    SetTaps(0, {});
    ASSERT_EQ(ComputeFirResponse(store, device, kSlot, 0), kOk);
    for (double v : r().fir(0)) ASSERT_EQ(v, kFaultDb);
}

TEST_F(FirResponseTest, OutputGroupIsResummed) {
    device.preset[pi::kEqMode] = 1;
    SetTaps(0, {{0, 0.5}});
    ASSERT_EQ(ComputeFirResponse(store, device, kSlot, 0), kOk);
    EXPECT_NEAR(r().group(2)[500], 20 * std::log10(0.5), 1e-9);
    EXPECT_EQ(r().group(3)[500], 0.0);  // the other output is untouched
}

class FailingCalculator : public ResponseCalculator {
public:
    Status compute(std::span<const double>, int, double) override { return kFailed; }
    std::span<const double> magnitudeDb() const override { return {}; }
    std::span<const double> phase() const override { return {}; }
    std::span<const double> frequencies() const override { return {}; }
};

TEST_F(FirResponseTest, CalculatorFailureKeepsTheArrays) {
    SetTaps(0, {{0, 0.5}});
    ASSERT_EQ(ComputeFirResponse(store, device, kSlot, 0), kOk);
    store.setCalculator(std::make_unique<FailingCalculator>());
    SetTaps(0, {{0, 1.0}});
    EXPECT_EQ(ComputeFirResponse(store, device, kSlot, 0), kFailed);
    EXPECT_NEAR(r().fir(0)[10], 20 * std::log10(0.5), 1e-9);
}

TEST(FftwResponseCalculator, RejectsImpossibleRequests) {
    FftwResponseCalculator calc;
    const std::vector<double> taps(10, 0.1);
    EXPECT_EQ(calc.compute(taps, 8, 48000), kFailed);  // longer than the transform
    EXPECT_EQ(calc.compute(taps, 1, 48000), kFailed);
    EXPECT_EQ(calc.compute(taps, 64, 0), kFailed);
    EXPECT_TRUE(calc.magnitudeDb().empty());
    ASSERT_EQ(calc.compute(taps, 64, 8000), kOk);
    ASSERT_EQ(calc.frequencies().size(), 33u);
    EXPECT_EQ(calc.frequencies()[32], 4000.0);
    EXPECT_NEAR(calc.magnitudeDb()[0], 0.0, 1e-12);  // DC: sum of taps = 1
    // A new length re-plans; the frequencies follow.
    ASSERT_EQ(calc.compute(taps, 16, 8000), kOk);
    EXPECT_EQ(calc.frequencies().size(), 9u);
    EXPECT_EQ(calc.frequencies()[1], 500.0);
}

TEST(FirText, WritesTheTapCountInLocaleNumbersWithCrLf) {
    DeviceModel device;
    device.firTaps[0][0] = 0x200000;
    device.firTaps[0][1] = 0xE00000;
    device.firTaps[0][2] = 0x100000;
    device.firTaps[0][3] = 0x7FFFFF;  // beyond the tap count
    SetFirTapCount(device.preset, 0, 3);
    EXPECT_EQ(FirText(device, 0, false), "1\r\n-1\r\n0.5\r\n");
    EXPECT_EQ(FirText(device, 0, true), "1\r\n-1\r\n0,5\r\n");
    EXPECT_EQ(FirText(device, 1, false), "");  // output 2 has no taps
}

TEST(FirText, TapCountComesFromTheOutputsHighAndLowBytes) {
    DeviceModel device;
    for (std::size_t t = 0; t < kFirTapCount; ++t) device.firTaps[1][t] = static_cast<std::uint32_t>(t);
    struct Case {
        std::uint8_t high, low;
        int lines;
    };
    const Case cases[] = {{1, 0, 256}, {0, 5, 5}, {1, 128, 384}, {2, 0, 384}, {0, 0, 0}};
    for (const auto& c : cases) {
        device.preset = {};
        device.preset[pi::kFirTapsHighBase + 1] = c.high;
        device.preset[pi::kFirTapsLowBase + 1] = c.low;
        device.preset[pi::kFirTapsHighBase] = 1;  // output 1's count must not be read
        const std::string text = FirText(device, 1, false);
        int lines = 0;
        for (std::size_t i = 0; i + 1 < text.size(); ++i) lines += text[i] == '\r' && text[i + 1] == '\n';
        EXPECT_EQ(lines, c.lines) << int(c.high) << " " << int(c.low);
        if (c.lines > 1) {
            EXPECT_EQ(text.rfind("0\r\n4.76837158203125e-07\r\n", 0), 0u);
        }
    }
}

}  // namespace
}  // namespace zef::dsp
