// The FIR designer on pure delays and a two-way loudspeaker: what each mode
// does to phase and magnitude, latency, precision, clipping, the EQ target.

#include "measure/fir_design.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "design_metrics.h"
#include "design_settings.h"
#include "loudspeaker_ir.h"

namespace zef::measure {
namespace {

using test::UsualDesignSettings;

int TapOf(double latencyMs) { return static_cast<int>(std::lround(latencyMs / kFirTapMs)); }

TEST(FirDesign, PureDelayInPhaseOnlyModeGivesAPureDelayAtTheLatency) {
    FirDesignEngine engine;
    const struct {
        int irDelay;
        double gain;  // negative: inverted polarity, which the FIR keeps
        double latencyMs;
        double windowMs;
    } cases[] = {{0, 0.8, 3.0, 5.0}, {96, -0.3, 1.0, 2.0}, {500, 0.01, 6.5, 3.3}, {7, -1.0, 0.0, 5.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "IR delay " << c.irDelay << ", latency " << c.latencyMs);
        FirDesignSettings s = UsualDesignSettings(0, c.latencyMs);
        s.inputs.windowMs = c.windowMs;
        s.inputs.minFrequency = 1000 / c.windowMs;
        const FirDesignResult r = engine.Design(test::PureDelayIr(c.irDelay, c.gain), s);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.coefficients.size(), 384u);
        EXPECT_EQ(r.mainTap, TapOf(c.latencyMs));
        EXPECT_NEAR(r.coefficients[static_cast<std::size_t>(r.mainTap)], 1.0, 1e-3);
        double others = 0;
        for (std::size_t i = 0; i < r.coefficients.size(); ++i)
            if (static_cast<int>(i) != r.mainTap) others = std::max(others, std::fabs(r.coefficients[i]));
        EXPECT_LT(others, 1e-3);
        EXPECT_FALSE(r.gainReduced);
        EXPECT_LE(test::PeakGainDb(r.coefficients), 1e-9);
    }
}

// The crossover's all-pass rotation is undone and the magnitude left alone.
TEST(FirDesign, PhaseOnlyModeLinearisesATwoWayCrossover) {
    const std::vector<double> ir = test::TwoWayLoudspeakerIr();
    FirDesignEngine engine;
    const FirDesignResult r = engine.Design(ir, UsualDesignSettings(0));
    ASSERT_TRUE(r.ok) << r.error;
    const auto fir = test::ResponseAt(r.coefficients, test::LogFrequencies(200, 20000, 80));
    for (const test::Point& p : fir) EXPECT_NEAR(p.db, 0.0, 0.5) << p.hz << " Hz";
    const double own = test::PhaseDeviationFromDelayRms(ir, 1000, 10000);
    const double combined = test::PhaseDeviationFromDelayRms(test::Convolve(ir, r.coefficients), 1000, 10000);
    EXPECT_GT(own, 0.5);  // the crossover really rotates the phase (radians)
    EXPECT_LT(combined * 5, own);
    EXPECT_LE(std::abs(r.mainTap - TapOf(3.0)), 1);
}

TEST(FirDesign, MagnitudeModeFlattensResponseRipple) {
    test::LoudspeakerOptions o;
    o.ripple = true;
    const std::vector<double> ir = test::TwoWayLoudspeakerIr(o);
    FirDesignEngine engine;
    const FirDesignResult r = engine.Design(ir, UsualDesignSettings(1));
    ASSERT_TRUE(r.ok) << r.error;
    const std::vector<double> hz = test::LogFrequencies(400, 20000, 60);
    const std::vector<double> before = test::SixthOctaveMagnitudeDb(ir, hz);
    const std::vector<double> after = test::SixthOctaveMagnitudeDb(test::Convolve(ir, r.coefficients), hz);
    const auto spread = [](const std::vector<double>& v) {
        const double mean = std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
        double worst = 0;
        for (double x : v) worst = std::max(worst, std::fabs(x - mean));
        return worst;
    };
    EXPECT_GT(spread(before), 2.5);
    EXPECT_LT(spread(after), 0.5);
    EXPECT_TRUE(r.gainReduced);  // filling the dips needs boost
    EXPECT_LE(test::PeakGainDb(r.coefficients), 1e-9);
}

// Precision bounds the pre-response: nothing earlier than p/10 of the latency
// before the main tap; less of it costs phase accuracy.
TEST(FirDesign, PrecisionTradesPreRingingForAccuracy) {
    const std::vector<double> ir = test::TwoWayLoudspeakerIr();
    FirDesignEngine engine;
    double previousError = 1e9;
    for (int precision : {1, 4, 10}) {
        SCOPED_TRACE(precision);
        const FirDesignResult r = engine.Design(ir, UsualDesignSettings(0, 4.0, precision));
        ASSERT_TRUE(r.ok);
        const int main = TapOf(4.0);
        const int first = main - static_cast<int>(std::lround(main * precision / 10.0));
        for (int i = 0; i < first; ++i) ASSERT_EQ(r.coefficients[static_cast<std::size_t>(i)], 0.0) << i;
        const double error =
            test::PhaseDeviationFromDelayRms(test::Convolve(ir, r.coefficients), 1000, 10000);
        EXPECT_LE(error, previousError * 1.01);
        previousError = error;
    }
}

TEST(FirDesign, TargetSectionsAndTiltShapeTheMagnitudeCorrection) {
    const std::vector<double> ir = test::PureDelayIr(48, 0.5);
    FirDesignEngine engine;
    const struct {
        const char* what;
        int code;
        double gainDb;
        std::int16_t leading;
        double at1kDb;  // expected FIR gain at 1 kHz relative to 8 kHz
        FrequencyCurve house = {};
    } cases[] = {
        {"Bell -6 dB at 1 kHz", 0, -6, 0, -6},
        {"the same section switched off", 42, -6, 0, 0},
        {"tilt -1 dB per octave", 0, 0, -10, 3},
        {"a house curve of -1 dB per octave", 42, 0, 0, 3, TiltCurve(-1.0)},
        {"a house curve and a Bell", 0, -6, 0, -3, TiltCurve(-1.0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FirDesignSettings s = UsualDesignSettings(1);
        s.sections[0] = {0, c.code, 1000, 2.0, c.gainDb};
        s.leading = c.leading;
        s.house = c.house;
        const FirDesignResult r = engine.Design(ir, s);
        ASSERT_TRUE(r.ok);
        const std::vector<double> hz = {1000, 8000};
        const auto p = test::ResponseAt(r.coefficients, hz);
        EXPECT_NEAR(p[0].db - p[1].db, c.at1kDb, 0.3);
    }
}

TEST(FirDesign, UnusableImpulseResponsesAreRefused) {
    FirDesignEngine engine;
    // Levels at the edge of double arithmetic: a peak that squares to nothing
    // (a stray denormal, found by fuzzing a wizard file) or to infinity.
    std::vector<double> denormal(128, 0.0), huge(128, 0.0);
    denormal[0] = 3.2e-319;
    huge[20] = 1e300;
    huge[21] = -4e299;
    const std::vector<double> cases[] = {
        {}, std::vector<double>(500, 0.0), {0.0, 1.0, std::nan(""), 0.2}, denormal, huge};
    for (const auto& ir : cases) {
        for (const int mode : {0, 1}) {
            const FirDesignResult r = engine.Design(ir, UsualDesignSettings(mode));
            EXPECT_FALSE(r.ok);
            EXPECT_FALSE(r.error.empty());
            EXPECT_TRUE(r.coefficients.empty());
        }
    }
}

// The window starts at the direct sound, the first arrival within 20 dB of
// the largest, even when a reflection after it is louder.
TEST(FirDesign, TheWindowIsAnchoredAtTheFirstArrival) {
    const struct {
        double direct;
        double reflection;
        bool directKept;  // false: the direct sound is more than 20 dB down and not an arrival
    } cases[] = {{0.3, 0.6, true}, {0.8, 0.6, true}, {0.11, 1.0, true}, {0.05, 0.6, false}};
    constexpr std::size_t kDirect = 300;
    constexpr std::size_t kLater = 72;  // 1.5 ms
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "direct " << c.direct << ", reflection " << c.reflection);
        std::vector<double> ir(4800, 0.0);
        ir[kDirect] = c.direct;
        ir[kDirect + kLater] = c.reflection;
        const std::vector<double> window = DirectSoundWindow(ir, 5.0);
        const auto direct = std::count_if(window.begin(), window.end(),
                                          [&](double x) { return std::fabs(x - c.direct) < 1e-12; });
        EXPECT_EQ(direct, c.directKept ? 1 : 0);
    }
}

// A spectrum that peaks at 0 dB can still hold a sample gain far above it.
TEST(FirDesign, WorstCaseSampleGainIsReportedAgainstTheHeadroom) {
    FirDesignEngine engine;
    const FirDesignResult r = engine.Design(test::TwoWayLoudspeakerIr(), UsualDesignSettings(0));
    ASSERT_TRUE(r.ok) << r.error;
    double absSum = 0;
    for (double t : r.coefficients) absSum += std::fabs(t);
    EXPECT_NEAR(r.worstCaseGainDb, 20 * std::log10(absSum), 1e-9);
    EXPECT_LE(test::PeakGainDb(r.coefficients), 1e-6);
    EXPECT_GT(r.worstCaseGainDb, 3.0);
    EXPECT_TRUE(r.ExceedsHeadroom());

    // Allowed to, the design scales itself into the headroom and says by how much.
    FirDesignSettings fit = UsualDesignSettings(0);
    fit.fitHeadroom = true;
    const FirDesignResult f = engine.Design(test::TwoWayLoudspeakerIr(), fit);
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_NEAR(f.worstCaseGainDb, 0.0, 1e-9);
    EXPECT_FALSE(f.ExceedsHeadroom());
    EXPECT_TRUE(f.gainReduced);
    EXPECT_NEAR(f.gainReductionDb, r.gainReductionDb + r.worstCaseGainDb, 1e-6);
    for (std::size_t i = 0; i < f.coefficients.size(); ++i)
        EXPECT_NEAR(f.coefficients[i], r.coefficients[i] * std::pow(10.0, -r.worstCaseGainDb / 20), 1e-12);
}

// Two seats: the magnitude corrected is their power average, so a ripple heard
// at one seat only is corrected by less than it would be there alone.
TEST(FirDesign, SeveralPositionsCorrectTheirPowerAverage) {
    test::LoudspeakerOptions rippled;
    rippled.ripple = true;
    const std::vector<double> seatA = test::TwoWayLoudspeakerIr(rippled);
    const std::vector<double> seatB = test::TwoWayLoudspeakerIr();
    FirDesignEngine engine;
    const FirDesignSettings s = UsualDesignSettings(1);
    const FirDesignResult alone = engine.Design(seatA, s);
    const std::vector<std::vector<double>> same = {seatA};
    const FirDesignResult twice = engine.Design(seatA, s, same);
    const std::vector<std::vector<double>> other = {seatB};
    const FirDesignResult both = engine.Design(seatA, s, other);
    ASSERT_TRUE(alone.ok && twice.ok && both.ok);
    for (std::size_t i = 0; i < alone.coefficients.size(); ++i)
        EXPECT_NEAR(twice.coefficients[i], alone.coefficients[i], 1e-12);
    // The ripple's extremes (+3 dB at 700 Hz, -3 dB at 3.5 kHz), relative to 1.5 kHz.
    const std::vector<double> hz = {700, 1500, 3500};
    const auto a = test::ResponseAt(alone.coefficients, hz);
    const auto m = test::ResponseAt(both.coefficients, hz);
    for (std::size_t i : {std::size_t{0}, std::size_t{2}}) {
        const double seatOnly = a[i].db - a[1].db;
        const double averaged = m[i].db - m[1].db;
        EXPECT_GT(std::fabs(seatOnly), 2.0) << hz[i];
        EXPECT_LT(std::fabs(averaged), 0.75 * std::fabs(seatOnly)) << hz[i];
        EXPECT_GT(averaged * seatOnly, 0.0) << hz[i];  // the same direction, less of it
    }
    // A position that cannot be used refuses the design.
    const std::vector<std::vector<double>> silent = {std::vector<double>(4800, 0.0)};
    EXPECT_FALSE(engine.Design(seatA, s, silent).ok);
}

TEST(FirDesign, SettingsAreHeldWithinTheirRanges) {
    const struct {
        double windowMs, minHz, maxHz, latencyMs;
        double wantWindow, wantMin, wantMax, wantLatency;
    } cases[] = {
        {0.0, 500, 20000, 3.0, 2.0, 500, 20000,
         144 * 0.0208},  // window from the minimum frequency; 3 ms on a whole tap
        {2.0, 100, 25000, 3.0, 2.0, 500, 20000, 144 * 0.0208},  // 1000 / 2 ms; above 20 kHz
        {5.0, 5000, 3000, -1.0, 5.0, 4000, 5000, 0.0},          // limits of both frequencies
        {9.0, 200, 8000, 12.0, 5.0, 200, 8000, 6.9888},         // latency at the last tap allowed
        {3.3, 400, 9000, 1.03, 3.3, 400, 9000, 50 * 0.0208},    // latency on a whole tap
    };
    for (const auto& c : cases) {
        FirDesignSettings s;
        s.inputs.windowMs = c.windowMs;
        s.inputs.minFrequency = c.minHz;
        s.inputs.maxFrequency = c.maxHz;
        s.latencyMs = c.latencyMs;
        const FirDesignSettings n = NormaliseFirDesignSettings(s);
        EXPECT_DOUBLE_EQ(n.inputs.windowMs, c.wantWindow);
        EXPECT_DOUBLE_EQ(n.inputs.minFrequency, c.wantMin);
        EXPECT_DOUBLE_EQ(n.inputs.maxFrequency, c.wantMax);
        EXPECT_NEAR(n.latencyMs, c.wantLatency, 1e-9);
    }
}

// The seam as the wizard calls it: two designs with the same inputs, the
// leading value between them; the latency comes back on the main tap.
TEST(SpectralFirDesigner, DesignReportsClippingTapsAndLatency) {
    SpectralFirDesigner designer;
    designer.SetFirMode(1);
    designer.AddFilterSection({3, 0, 2000, 1.0, 6.0});  // +6 dB at 2 kHz needs boost
    designer.AddFilterSection({12, 0, 500, 1.0, -20});  // index out of range: ignored
    FirDesignInputs in;
    in.minFrequency = 300;
    in.maxFrequency = 18000;
    in.smoothingType = 1;
    in.precision = 10;
    double latency = 2.51;
    int taps = -1;
    std::vector<double> work = test::PureDelayIr(60, 0.5);
    const std::vector<double> kept = work;
    EXPECT_EQ(designer.Design(in, latency, taps, work), 1);
    EXPECT_EQ(taps, 384);
    EXPECT_EQ(work, kept);
    EXPECT_NEAR(latency, designer.lastResult().mainTap * kFirTapMs, 1e-12);
    EXPECT_LE(std::abs(designer.lastResult().mainTap - TapOf(2.51)), 1);
    EXPECT_LE(test::PeakGainDb(designer.FirCoefficients()), 1e-9);
    EXPECT_EQ(designer.FirArray(), designer.FirCoefficients());
    EXPECT_EQ(designer.CombinedArray().size(), designer.ImpulseResponseArray().size() + 383);

    designer.AddFilterSection({3, 0, 2000, 1.0, 0.0});  // flat again: nothing to boost
    designer.SetTargetLeading(0);
    EXPECT_EQ(designer.Design(in, latency, taps, work), 0);

    std::vector<double> silent(100, 0.0);
    EXPECT_EQ(designer.Design(in, latency, taps, silent), 0);
    EXPECT_EQ(taps, 0);
    EXPECT_TRUE(designer.FirCoefficients().empty());
}

}  // namespace
}  // namespace zef::measure
