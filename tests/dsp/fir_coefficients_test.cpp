#include "dsp/fir_coefficients.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace zef::fir {
namespace {

using Values = std::vector<double>;
constexpr double kLsb = 1.0 / 2097152.0;  // 2^-21

TEST(FirQuantise, CoefficientBytes) {
    const struct {
        double c;
        std::array<std::uint8_t, 3> bytes;
    } cases[] = {
        {-1.0, {0xE0, 0x00, 0x00}},
        {0.5, {0x10, 0x00, 0x00}},
        {1.0, {0x20, 0x00, 0x00}},
        {kLsb, {0x00, 0x00, 0x01}},
        {1.5 * kLsb, {0x00, 0x00, 0x02}},  // half: to the even neighbour
        {2.5 * kLsb, {0x00, 0x00, 0x02}},
        {-0.5 * kLsb, {0x00, 0x00, 0x00}},
        {-1.5 * kLsb, {0xFF, 0xFF, 0xFE}},
        {-kLsb, {0xFF, 0xFF, 0xFF}},
        {0.0, {0x00, 0x00, 0x00}},
        {-3.9999999999, {0x80, 0x00, 0x00}},  // rounds to -4, the lowest word
        {4.0 - kLsb, {0x7F, 0xFF, 0xFF}},
        {3.9999999999, {0x7F, 0xFF, 0xFF}},  // would round to +4: held at the top
    };
    for (const auto& c : cases) EXPECT_EQ(QuantiseCoefficient(c.c), c.bytes) << c.c;
}

TEST(FirQuantise, ImageHoldsTheGivenTapsThenZeros) {
    Values coefficients(200);
    for (std::size_t i = 0; i < coefficients.size(); ++i)
        coefficients[i] = -0.75 + 0.005 * static_cast<double>(i);
    const FirImage image = QuantiseFir(coefficients);
    for (std::size_t t = 0; t < 200; ++t) {
        const auto b = QuantiseCoefficient(coefficients[t]);
        ASSERT_EQ(image[3 * t], b[0]) << t;
        ASSERT_EQ(image[3 * t + 1], b[1]) << t;
        ASSERT_EQ(image[3 * t + 2], b[2]) << t;
    }
    EXPECT_EQ(image[0], 0xE8);  // -0.75 = 0xE80000
    for (std::size_t i = 600; i < image.size(); ++i) ASSERT_EQ(image[i], 0) << i;
}

TEST(FirLatency, PeakTapTimesTheSamplePeriod) {
    const struct {
        Values c;
        std::size_t peak;
    } cases[] = {
        {{}, 0},
        {{0.1}, 0},
        {{0.1, -0.9, 0.5}, 1},       // magnitude counts, not sign
        {{0.2, 0.7, -0.7, 0.7}, 1},  // the first of equal peaks
        {{0, 0, 0, 0, 0, 1.0}, 5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PeakTapIndex(c.c), c.peak);
        EXPECT_DOUBLE_EQ(FirLatencyMs(c.c), 0.0208 * static_cast<double>(c.peak));
    }
}

TEST(FirPhase, LatencyPhaseIsAPureDelay) {
    // Two samples at 48 kHz: 12 kHz turns by -180 degrees, 1 kHz by -15.
    EXPECT_NEAR(LatencyPhaseDeg(12000.0, 2 * 0.0208), -180.0, 1e-9);
    EXPECT_NEAR(LatencyPhaseDeg(1000.0, 2 * 0.0208), -15.0, 1e-9);
    EXPECT_EQ(LatencyPhaseDeg(5000.0, 0.0), 0.0);
}

TEST(FirPhase, WrappedSeriesFollowsTheStepsAndFoldsOnce) {
    const struct {
        Values in;
        Values out;
    } cases[] = {
        {{10, 100, 200, 350}, {0, 90, -170, -20}},
        {{0, -100, -250, -10}, {0, -100, 110, -10}},
        {{5}, {0}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        const Values out = WrapPhaseSeries(c.in);
        ASSERT_EQ(out.size(), c.out.size());
        for (std::size_t k = 0; k < out.size(); ++k) EXPECT_DOUBLE_EQ(out[k], c.out[k]) << k;
    }
}

TEST(FirPhase, UnwrapRemovesJumpsOfHalfATurnOrMore) {
    const double pi = std::numbers::pi;
    const struct {
        Values in;
        Values out;
    } cases[] = {
        {{0, 3, -3, -0.5}, {0, 3, 2 * pi - 3, 2 * pi - 0.5}},
        {{0, pi, 0}, {0, pi, 0}},  // steps of exactly +pi and -pi stay
        {{0, 2 * pi, 4 * pi}, {0, 0, 0}},
        {{0.2, 0.1}, {0.2, 0.1}},
    };
    for (const auto& c : cases) {
        const Values out = UnwrapRadians(c.in);
        ASSERT_EQ(out.size(), c.out.size());
        for (std::size_t k = 0; k < out.size(); ++k) EXPECT_NEAR(out[k], c.out[k], 1e-12) << k;
    }
    const Values deg = UnwrapPhaseDeg(Values{0, 170, -170, -10});
    const Values expected = {0, 170, 190, 350};
    for (std::size_t k = 0; k < deg.size(); ++k) EXPECT_NEAR(deg[k], expected[k], 1e-9) << k;
}

TEST(FirPhase, FourSeriesOfAPureDelay) {
    // The phase of a two-sample delay, wrapped into (-180, 180]: removing the
    // latency leaves zero everywhere; unwrapping gives the straight line.
    const double latency = 2 * 0.0208;
    const auto grid = dsp::FrequencyGrid::Nominal();
    Values phase(kFirBins);
    for (std::size_t k = 0; k < kFirBins; ++k)
        phase[k] = std::remainder(LatencyPhaseDeg(grid[k], latency), 360.0);
    const FirPhaseSeries s = BuildPhaseSeries(phase, latency, grid);
    for (std::size_t k = 0; k < kFirBins; k += 97) {
        SCOPED_TRACE(k);
        const double line = -0.015 * grid[k];  // two samples: -360 degrees per 24 kHz
        EXPECT_NEAR(s.wrappedNoLatency[k], 0.0, 1e-6);
        EXPECT_NEAR(s.unwrappedNoLatency[k], 0.0, 1e-6);
        EXPECT_NEAR(s.unwrapped[k], line, 1e-6);
        EXPECT_NEAR(std::remainder(s.wrapped[k] - line, 360.0), 0.0, 1e-6);
        EXPECT_LE(std::fabs(s.wrapped[k]), 180.0);
    }
}

TEST(FirAnalysis, ADelayedImpulseThroughTheCalculator) {
    // A unit impulse at tap 3: flat 0 dB, latency 3 taps, and without the
    // latency the phase is flat zero.
    dsp::FftwResponseCalculator calculator;
    Values c(384, 0.0);
    c[3] = 1.0;
    const auto a = AnalyseFir(c, calculator, dsp::FrequencyGrid::Nominal());
    ASSERT_TRUE(a.has_value());
    EXPECT_DOUBLE_EQ(a->latencyMs, 3 * 0.0208);
    for (std::size_t k = 0; k < kFirBins; k += 101) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(a->magnitudeDb[k], 0.0, 1e-9);
        EXPECT_NEAR(a->series.unwrappedNoLatency[k], 0.0, 1e-6);
        EXPECT_NEAR(a->series.wrappedNoLatency[k], 0.0, 1e-6);
    }
}

}  // namespace
}  // namespace zef::fir
