#include "dsp/biquad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "dsp_test_util.h"

namespace zef::dsp {
namespace {

using test::ComplexMagnitudeDb;

constexpr double kPi = std::numbers::pi;
const double kMinus3 = 20 * std::log10(std::sqrt(0.5));  // -3.0103 dB

// The point every grid-based consumer sees: k * 48000 / 16384.
double GridHz(int k) { return k * 48000.0 / 16384.0; }

// Normalised analog frequency of f for a bilinear transform prewarped at f0.
double Warped(double f, double f0) { return std::tan(kPi * f / 48000) / std::tan(kPi * f0 / 48000); }

double Db(std::complex<double> h) { return 20 * std::log10(std::abs(h)); }

// First-order rounding bound, in dB, of the squared-magnitude formula
// N = h^2 - phi X (and D alike): h and X are sums that cancel at a sharp
// low-frequency resonance or a notch centre, and their rounding then
// dominates. Elsewhere the bound is far below 1e-9 dB.
double RoundingBoundDb(const BiquadCoefficients& c, double f) {
    const double s = std::sin(kPi * f / 48000);
    const double phi = s * s;
    auto bound = [phi](double c0, double c1, double c2) {  // for 0.5 (c0 + c1 + c2), 4 c0 c2, c1 (c0 + c2)
        const double h = (c0 + c1 + c2) / 2;
        const double x = 4 * c0 * c2 * (1 - phi) + c1 * (c0 + c2);
        const double value = h * h - phi * x;
        const double error =
            std::fabs(h) * (std::fabs(c0) + std::fabs(c1) + std::fabs(c2)) +
            phi * (std::fabs(4 * c0 * c2) + std::fabs(c1) * (std::fabs(c0) + std::fabs(c2))) + h * h +
            phi * std::fabs(x);
        return error / std::fabs(value);
    };
    const double relative = bound(c.b0, c.b1, c.b2) + bound(1.0, -c.a1, -c.a2);
    return 10 / std::log(10.0) * 8 * std::numeric_limits<double>::epsilon() * relative;
}

TEST(BiquadMagnitude, MatchesComplexEvaluationForRandomBandsAndCrossovers) {
    std::mt19937 rng(20240611);
    int compared = 0;
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<BiquadCoefficients> sections;
        if (trial % 3 == 2) {
            const CrossoverSetting x = test::RandomCrossover(rng);
            const auto list = CrossoverSections(x.slopeCode, x.isLowPass, x.frequencyHz);
            for (int i = 0; i < list.count; ++i)
                sections.push_back(list.sections[static_cast<std::size_t>(i)]);
        } else {
            const BandSetting b = test::RandomBand(rng, trial % 6);
            sections.push_back(BandCoefficients(b.type, b.frequencyHz, b.q, b.gainDb));
        }
        for (const auto& c : sections) {
            for (int k = 7; k < 6827; k += 13) {
                const double f = GridHz(k);
                const double got = BiquadMagnitudeDb(c, f);
                const double want = ComplexMagnitudeDb(c, f);
                if (got == kFaultDb) {
                    // Only a point at (or within rounding of) a zero of the section may fault.
                    EXPECT_LT(want, -100.0) << "trial " << trial << " f " << f;
                    continue;
                }
                // Deep stop bands lose digits in any evaluation; compare where the value means something.
                if (want < -150.0) continue;
                ASSERT_NEAR(got, want, 1e-9 + RoundingBoundDb(c, f)) << "trial " << trial << " f " << f;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 100000);
}

TEST(BiquadMagnitude, ZeroHertzAndBelowIsZeroDb) {
    const BiquadCoefficients hp = PassCoefficients(2, false, 1000, 0.707);  // a zero at DC
    EXPECT_EQ(BiquadMagnitudeDb(hp, 0.0), 0.0);
    EXPECT_EQ(BiquadMagnitudeDb(hp, -5.0), 0.0);
    EXPECT_LT(BiquadMagnitudeDb(hp, 1.0), -100.0);
}

TEST(BiquadMagnitude, ArithmeticFaultsGiveMinus200) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        BiquadCoefficients c;
        double f;
    };
    const Case cases[] = {
        {"zero numerator", {0, 0, 0, 0, 0}, 1000},
        {"pole pair on the unit circle at 12 kHz", {0, -1, 1, 0, 0}, 12000},
        {"NaN coefficient", {0, 0, nan, 0, 0}, 1000},
        {"infinite coefficient", {0, 0, inf, 0, 0}, 1000},
        {"NaN frequency", {0, 0, 1, 0, 0}, nan},
    };
    for (const auto& c : cases) EXPECT_EQ(BiquadMagnitudeDb(c.c, c.f), kFaultDb) << c.what;
    EXPECT_EQ(BiquadMagnitudeDb(BiquadCoefficients::Unity(), 1000.0), 0.0);
    EXPECT_GT(BiquadMagnitudeDb({0, -1, 1, 0, 0}, 11990), 40.0);  // beside the pole: large, not a fault
}

TEST(BellQFactor, FollowsTheCorrectionPolynomial) {
    struct Case {
        double q, gain, want;
    };
    const Case cases[] = {
        {1, 6, 1.40007}, {1, 9, 1.11016},  {1, 12, 1.02530},  {1, 15, 0.99702},  // reference values
        {2, 6, 2.80014},                                                         // scales with q
        {1, 0, 1.9799},  {1, 1.5, 1.9799}, {1, 2.99, 1.9799}, {3, 0.5, 5.9397},  // capped below 3 dB
        {1, 3, 1.9799},
    };
    for (const auto& c : cases) EXPECT_NEAR(BellQFactor(c.q, c.gain), c.want, 5e-6) << c.q << " " << c.gain;
}

TEST(BellCoefficients, MatchTheCorrectedAnalogPeakingPrototype) {
    // H(s) = (s^2 + V s/Qe + 1)/(s^2 + s/Qe + 1) for a boost, the inverse for a cut.
    struct Case {
        double f0, q, gain;
    };
    const Case cases[] = {{1000, 1, 6}, {1000, 1, -6}, {63, 4.5, 12}, {12500, 0.7, -2}, {250, 20, 15}};
    for (const auto& c : cases) {
        const BiquadCoefficients bell = BellCoefficients(c.f0, c.q, c.gain);
        const double V = std::pow(10.0, std::fabs(c.gain) / 20);
        const double Qe = BellQFactor(c.q, std::fabs(c.gain));
        for (double f : {20.0, 0.5 * c.f0, 0.9 * c.f0, c.f0, 1.2 * c.f0, 2.0 * c.f0, 19000.0}) {
            const std::complex<double> s(0, Warped(f, c.f0));
            const auto peak = (s * s + V * s / Qe + 1.0) / (s * s + s / Qe + 1.0);
            const double want = c.gain > 0 ? Db(peak) : -Db(peak);
            EXPECT_NEAR(BiquadMagnitudeDb(bell, f), want, 1e-8) << c.f0 << " " << c.gain << " at " << f;
        }
        EXPECT_NEAR(BiquadMagnitudeDb(bell, c.f0), c.gain, 1e-9);
    }
}

TEST(BellCoefficients, BoostAndCutAreMirrorImages) {
    for (double gain : {0.5, 3.0, 7.5, 15.0}) {
        const auto boost = BellCoefficients(800, 2.0, gain);
        const auto cut = BellCoefficients(800, 2.0, -gain);
        for (int k = 1; k < 6827; k += 11) {
            EXPECT_NEAR(BiquadMagnitudeDb(boost, GridHz(k)), -BiquadMagnitudeDb(cut, GridHz(k)), 1e-9);
        }
    }
}

TEST(BandCoefficients, ZeroGainBellAndShelvesAreUnity) {
    for (int type : {0, 1, 2}) {
        EXPECT_EQ(BandCoefficients(type, 1000, 1, 0.0), BiquadCoefficients::Unity()) << type;
    }
}

TEST(ShelfCoefficients, MatchTheAnalogShelfWithTheSlopeTerm) {
    // Prototype with b = (S/q) sqrt(A):
    //   low  shelf  A (s^2 + b s + A) / (A s^2 + b s + 1)
    //   high shelf  A (A s^2 + b s + 1) / (s^2 + b s + A)
    struct Case {
        bool high;
        double f0, q, gain, slope;  // slope term S expected for q
    };
    const Case cases[] = {
        {true, 1000, 1.0, 6, 1.56}, {true, 1000, 0.5, -9, 1.0}, {false, 200, 1.0, 12, 1.56},
        {false, 200, 0.5, -4, 1.0}, {true, 5000, 3.0, 3, 1.68}, {false, 80, 0.71, 15, 1.21},
    };
    for (const auto& c : cases) {
        const auto shelf = ShelfCoefficients(c.high, c.f0, c.q, c.gain);
        const double A = std::sqrt(std::pow(10.0, c.gain / 20));
        const double b = (c.slope / c.q) * std::sqrt(A);
        for (double f : {20.0, 0.3 * c.f0, c.f0, 3.0 * c.f0, 19000.0}) {
            const std::complex<double> s(0, Warped(f, c.f0));
            const auto h = c.high ? A * (A * s * s + b * s + 1.0) / (s * s + b * s + A)
                                  : A * (s * s + b * s + A) / (A * s * s + b * s + 1.0);
            EXPECT_NEAR(BiquadMagnitudeDb(shelf, f), Db(h), 1e-8) << c.high << " q " << c.q << " at " << f;
        }
        EXPECT_NEAR(BiquadMagnitudeDb(shelf, c.f0), c.gain / 2, 1e-9);  // half the gain at the corner
    }
}

TEST(PassCoefficients, MatchTheAnalogPrototypes) {
    struct Case {
        int order;
        bool lowPass;
        double f0, q;
    };
    const Case cases[] = {{1, true, 1000, 0},     {1, false, 1000, 0},  {2, true, 300, 0.707},
                          {2, false, 300, 0.707}, {2, true, 8000, 4.5}, {2, false, 40, 0.48}};
    for (const auto& c : cases) {
        const auto pass = PassCoefficients(c.order, c.lowPass, c.f0, c.q);
        for (double f : {20.0, 0.5 * c.f0, c.f0, 2.0 * c.f0, 19000.0}) {
            const std::complex<double> s(0, Warped(f, c.f0));
            std::complex<double> h;
            if (c.order == 1) {
                h = (c.lowPass ? 1.0 : s) / (s + 1.0);
            } else {
                h = (c.lowPass ? std::complex<double>(1.0) : s * s) / (s * s + s / c.q + 1.0);
            }
            EXPECT_NEAR(BiquadMagnitudeDb(pass, f), Db(h), 1e-8) << c.order << c.lowPass << " at " << f;
        }
    }
    EXPECT_EQ(PassCoefficients(0, true, 1000, 1), BiquadCoefficients::Unity());
}

TEST(NotchCoefficients, CentreOnAGridPointFaultsToMinus200) {
    // Integer frequencies on the grid are the multiples of 375 Hz (point 128 m).
    for (int m : {1, 2, 3, 4, 8, 16, 25, 32, 40, 53}) {
        for (double q : {0.4, 1.0, 2.0, 4.3, 10.1, 40.0, 128.0}) {
            const auto notch = NotchCoefficients(375.0 * m, q);
            EXPECT_EQ(BiquadMagnitudeDb(notch, GridHz(128 * m)), kFaultDb) << m << " q " << q;
            const double beside = BiquadMagnitudeDb(notch, GridHz(128 * m + 1));
            EXPECT_TRUE(beside > kFaultDb && beside < 0.0) << m << " q " << q;
        }
    }
    // Off the grid an integer frequency is at least 1/128 Hz from every point: no fault.
    for (double f0 : {1000.0, 1001.0, 374.0, 3001.0}) {
        const int k = static_cast<int>(std::lround(f0 / (48000.0 / 16384)));
        EXPECT_GT(BiquadMagnitudeDb(NotchCoefficients(f0, 30.0), GridHz(k)), kFaultDb) << f0;
    }
}

TEST(NotchCoefficients, ThreeDecibelBandwidthIsFrequencyOverQ) {
    for (double f0 : {100.0, 1000.0, 6000.0}) {
        for (double q : {0.7, 2.0, 10.0}) {
            const auto notch = NotchCoefficients(f0, q);
            auto edge = [&](double lo, double hi) {  // bisection on the -3.01 dB crossing
                const bool risingUp = BiquadMagnitudeDb(notch, hi) > BiquadMagnitudeDb(notch, lo);
                for (int i = 0; i < 200; ++i) {
                    const double mid = 0.5 * (lo + hi);
                    const bool above = BiquadMagnitudeDb(notch, mid) > kMinus3;
                    (above == risingUp ? hi : lo) = mid;
                }
                return 0.5 * (lo + hi);
            };
            const double low = edge(1.0, f0 - 1e-6);
            const double high = edge(f0 + 1e-6, 23999.0);
            // Edges a prewarped bandwidth apart: w2 - w1 = 2 pi (f0/q) / 48000.
            EXPECT_NEAR(2 * kPi * (high - low) / 48000, 2 * kPi * (f0 / q) / 48000, 1e-9) << f0 << " " << q;
        }
    }
}

TEST(BandMagnitude, FlatCases) {
    std::mt19937 rng(7);
    for (int type = 0; type < kBandTypeCount; ++type) {
        const BandSetting b = test::RandomBand(rng, type);
        const double f = 997.0;
        EXPECT_EQ(BandMagnitudeDb(type, b.frequencyHz, b.q, b.gainDb, 0, 0.0), 0.0) << type;  // 0 Hz
        EXPECT_EQ(BandMagnitudeDb(type, b.frequencyHz, b.q, b.gainDb, 1, f), 0.0) << type;    // bypassed
        const double active = BandMagnitudeDb(type, b.frequencyHz, 2.0, 6.0, 0, b.frequencyHz);
        EXPECT_EQ(active == 0.0, type >= 6) << type;  // only the all-pass types are flat when active
    }
}

TEST(Crossover, CornerMagnitudeFollowsTheSlopeTable) {
    // At the corner a first-order section gives -3.0103 dB and a second-order
    // one 20 log10(Q), with the Q values exactly as the device builds them.
    const double o1 = kMinus3;
    auto o2 = [](double q) { return 20 * std::log10(q); };
    struct Case {
        int slope;
        double want;
        int order;  // dB per octave / 6 far from the corner
    };
    const Case cases[] = {
        {0, 0.0, 0},
        {1, o1, 1},
        {2, o2(0.707), 2},
        {3, 2 * o1, 2},
        {4, o2(0.48), 2},
        {5, o1 + o2(1.0), 3},
        {6, o2(0.54) + o2(1.3), 4},
        {7, 2 * o2(0.707), 4},
        {8, o2(0.54) + o2(0.806), 4},
    };
    for (const auto& c : cases) {
        for (bool lowPass : {false, true}) {
            const double corner = lowPass ? 20.0 : 2000.0;
            const auto list = CrossoverSections(c.slope, lowPass, corner);
            EXPECT_NEAR(CrossoverMagnitudeDb(list, corner), c.want, 1e-9) << c.slope << " lp " << lowPass;
            EXPECT_EQ(CrossoverMagnitudeDb(list, 0.0), 0.0);
            // Stop-band slope, one octave further out from a point four octaves away.
            const double near = lowPass ? corner * 16 : corner / 16;
            const double far = lowPass ? corner * 32 : corner / 32;
            const double drop = CrossoverMagnitudeDb(list, near) - CrossoverMagnitudeDb(list, far);
            EXPECT_NEAR(drop, 6.02 * c.order, 0.2) << c.slope << " lp " << lowPass;
        }
    }
    EXPECT_NEAR(CrossoverMagnitudeDb(CrossoverSections(3, true, 1000), 1000), -6.02, 0.005);
    EXPECT_NEAR(CrossoverMagnitudeDb(CrossoverSections(2, false, 1000), 1000), -3.01, 0.005);
}

TEST(Crossover, UnknownSlopeCodesHaveNoSections) {
    for (int code : {-1, 9, 100}) EXPECT_EQ(CrossoverSections(code, true, 1000).count, 0);
    EXPECT_EQ(SlopeCodeFromValue(6.6), 7);
    EXPECT_EQ(SlopeCodeFromValue(2.4), 2);
    EXPECT_EQ(SlopeCodeFromValue(std::nan("")), 0);
    EXPECT_EQ(SlopeCodeFromValue(1e300), 0);
}

}  // namespace
}  // namespace zef::dsp
