// Fractional-octave smoothing and the dip threshold.

#include "measure/smoothing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace zef::measure {
namespace {

// A spike at one bin reaches exactly the bins whose window holds it, each
// with its share of the window's count.
TEST(Smoothing, ASpikeSpreadsOverTheBinsWhoseWindowHoldsIt) {
    for (double width : kSmoothingWidthsOctaves) {
        SCOPED_TRACE(width);
        std::vector<double> in(4097, 0.0);
        in[1000] = 1.0;
        std::vector<double> out(in.size());
        SmoothOctaveFraction(in, width, out);
        for (std::size_t k = 1; k < in.size(); ++k) {
            const double kd = static_cast<double>(k);
            const double lo = std::ceil(kd * std::exp2(-width / 2) - 1e-9);
            const double hi = std::floor(kd * std::exp2(width / 2) + 1e-9);
            const bool holds = lo <= 1000 && 1000 <= hi;
            if (holds) {
                EXPECT_NEAR(out[k], 1.0 / (hi - lo + 1), 1e-15) << k;
            } else {
                EXPECT_EQ(out[k], 0.0) << k;
            }
        }
    }
}

TEST(Smoothing, ConstantsStayAndComplexAveragesAsComplex) {
    std::vector<double> flat(2049, 0.25);
    std::vector<double> out(flat.size());
    SmoothOctaveFraction(flat, 0.5, out);
    for (double v : out) EXPECT_NEAR(v, 0.25, 1e-15);
    // Alternating signs cancel in a complex average but not in power.
    std::vector<std::complex<double>> alternating(2049);
    for (std::size_t k = 0; k < alternating.size(); ++k) alternating[k] = k % 2 ? 1.0 : -1.0;
    std::vector<std::complex<double>> averaged(alternating.size());
    SmoothOctaveFraction(alternating, 1.0 / 3, averaged);
    for (std::size_t k = 400; k < averaged.size(); ++k) EXPECT_LT(std::abs(averaged[k]), 0.011) << k;
}

TEST(Smoothing, DipsAreRaisedToTheThresholdOnly) {
    const struct {
        double levelDb;
        double thresholdDb;
        double expectDb;
    } cases[] = {{-20, 6, -6}, {-3, 6, -3}, {-6, 6, -6}, {-1, 0, 0}, {+4, 0, +4}, {-30, 10, -10}};
    for (const auto& c : cases) {
        std::vector<double> power = {std::pow(10.0, c.levelDb / 10)};
        const std::vector<double> reference = {1.0};
        LimitDips(power, reference, c.thresholdDb);
        EXPECT_NEAR(10 * std::log10(power[0]), c.expectDb, 1e-12) << c.levelDb << " / " << c.thresholdDb;
    }
}

}  // namespace
}  // namespace zef::measure
