// The FIR import window's view maths: group delay against filters whose delay
// is known, the threshold gate, the axes and the read-out.
#include "dsp/fir_views.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/demo_fir.h"
#include "dsp/fir_coefficients.h"
#include "dsp/response_calculator.h"

namespace zef::fir {
namespace {

std::vector<double> Bins() {
    const dsp::FrequencyGrid grid = dsp::FrequencyGrid::Nominal();
    return {grid.hz.begin(), grid.hz.begin() + static_cast<std::ptrdiff_t>(kFirBins)};
}

FirAnalysis Analyse(const std::vector<double>& coefficients) {
    dsp::FftwResponseCalculator calculator;
    auto a = AnalyseFir(coefficients, calculator, dsp::FrequencyGrid::Nominal());
    EXPECT_TRUE(a.has_value());
    return a ? *a : FirAnalysis{};
}

// A FIR's group delay from its unwrapped phase, with and without the
// latency's pure delay taken off, at bins where the filter passes.
TEST(FirGroupDelay, MatchesTheDelayOfKnownFilters) {
    struct Case {
        const char* what;
        std::vector<double> taps;
        double delayMs;          // the true delay
        double noLatencyMs;      // after removing PeakTapIndex * 0.0208 ms
        std::vector<double> at;  // frequencies checked
    };
    std::vector<double> impulse(200, 0.0);
    impulse[96] = 1.0;
    std::vector<double> early(10, 0.0);
    early[0] = 0.5;
    const Case cases[] = {
        {"unit impulse at tap 96", impulse, 2.0, 0.0, {30, 1000, 15000}},
        {"impulse at tap 0", early, 0.0, 0.0, {100, 5000}},
        // Symmetric 384 taps: delay 191.5 samples; its peak tap is 191 or 192.
        {"linear-phase band-pass",
         dsp::BandPassFir(384, 150, 9000),
         191.5 / 48.0,
         0.5 / 48.0,
         {500, 2000, 6000}},
    };
    const std::vector<double> hz = Bins();
    for (const Case& c : cases) {
        const FirAnalysis a = Analyse(c.taps);
        const auto delay = GroupDelayMs(a.series.unwrapped, hz);
        const auto rest = GroupDelayMs(a.series.unwrappedNoLatency, hz);
        for (double f : c.at) {
            const auto k = NearestBin(f, hz[1], hz.size());
            EXPECT_NEAR(delay[k], c.delayMs, 0.002) << c.what << " at " << f;
            EXPECT_NEAR(std::fabs(rest[k]), c.noLatencyMs, 0.002) << c.what << " at " << f;
        }
    }
}

TEST(FirGroupDelay, FewPointsAndFlatPhase) {
    EXPECT_EQ(GroupDelayMs(std::vector<double>{5.0}, std::vector<double>{10.0}), std::vector<double>{0.0});
    // -360 degrees per kHz is 1 ms.
    const std::vector<double> phase = {0.0, -360.0, -720.0};
    const std::vector<double> f = {0.0, 1000.0, 2000.0};
    for (double tau : GroupDelayMs(phase, f)) EXPECT_DOUBLE_EQ(tau, 1.0);
}

TEST(FirThreshold, BoxAndSliderAgree) {
    struct Case {
        double typed, value;
        int position;
    };
    for (const Case c : {Case{-60, -60, 20}, Case{-30, -40, 0}, Case{12, -40, 0}, Case{-95, -80, 40},
                         Case{-40, -40, 0}, Case{-80, -80, 40}, Case{-52.5, -52.5, 13}}) {
        EXPECT_EQ(ClampThreshold(c.typed), c.value) << c.typed;
        EXPECT_EQ(ThresholdSliderPosition(c.typed), c.position) << c.typed;
    }
    for (int p = 0; p <= kThresholdSliderMax; ++p)
        EXPECT_EQ(ThresholdSliderPosition(ThresholdFromSlider(p)), p);
}

// Segments are drawn only where the magnitude at both ends reaches the
// threshold; each drawn run is its own polyline.
TEST(FirSeriesPolylines, ThresholdSplitsRuns) {
    const std::vector<double> hz = {0, 100, 200, 300, 400, 500, 600, 700};
    const std::vector<double> values = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<double> magnitude = {0, 0, 0, -70, 0, 0, 0, -50};
    const FirPlotMapping m{700, 100, false, {0, 10, 1, ""}};
    struct Case {
        double threshold;
        std::vector<std::size_t> runLengths;
    };
    for (const Case& c : {Case{-80, {8}}, Case{-60, {3, 4}}, Case{-40, {3, 3}}}) {
        const auto runs = SeriesPolylines(values, hz, m, magnitude, c.threshold);
        ASSERT_EQ(runs.size(), c.runLengths.size()) << c.threshold;
        for (std::size_t i = 0; i < runs.size(); ++i)
            EXPECT_EQ(runs[i].size(), c.runLengths[i]) << c.threshold;
    }
    // Ungated: one run over every bin; on the log axis bins below 20 Hz only start the pen.
    EXPECT_EQ(SeriesPolylines(values, hz, m).at(0).size(), 8u);
    const FirPlotMapping logAxis{300, 100, true, {0, 10, 1, ""}};
    const auto runs = SeriesPolylines(values, hz, logAxis);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].size(), 7u);
    EXPECT_NEAR(runs[0][0].x, 100.0 * std::log10(5.0), 1e-9);
}

TEST(FirPlotMapping, AxesAndInverses) {
    const FirPlotMapping log{600, 200, true, ViewRange(FirView::Magnitude, 0)};
    EXPECT_NEAR(log.x(20), 0, 1e-9);
    EXPECT_NEAR(log.x(2000), 400, 1e-9);
    EXPECT_NEAR(log.x(20000), 600, 1e-9);
    EXPECT_NEAR(log.y(10), 0, 1e-9);  // top of -90..+10 dB
    EXPECT_NEAR(log.y(-90), 200, 1e-9);
    const FirPlotMapping lin{600, 200, false, ViewRange(FirView::Phase, 2)};
    EXPECT_NEAR(lin.x(10000), 300, 1e-9);
    EXPECT_NEAR(lin.y(10000), 0, 1e-9);
    EXPECT_NEAR(lin.y(-50000), 200, 1e-9);
    for (const FirPlotMapping& m : {log, lin})
        for (double x : {0.0, 123.0, 600.0}) EXPECT_NEAR(m.x(m.frequencyAt(x)), x, 1e-6);
    EXPECT_EQ(ValueLines(ViewRange(FirView::Phase, 0)).size(), 7u);  // -500, -400 ... 100
    // The label of each view's value axis.
    const std::pair<FirView, std::string_view> units[] = {
        {FirView::Magnitude, "dB"}, {FirView::Phase, "Deg"}, {FirView::GroupDelay, "ms/Hz"}};
    for (const auto& [view, unit] : units) EXPECT_EQ(ViewRange(view, 0).unit, unit);
}

TEST(FirReadout, ValueUnitAndFrequency) {
    EXPECT_EQ(FirReadout(FirView::Magnitude, -3.46, 1000.0, false), "-3.5dB; 1000Hz");
    EXPECT_EQ(FirReadout(FirView::Phase, -45.0, 2.9296875, true), "-45Deg; 2,9Hz");
    EXPECT_EQ(FirReadout(FirView::GroupDelay, 3.99, 19998.06, false), "4ms; 19998.1Hz");
    EXPECT_EQ(NearestBin(1000.0, 48000.0 / 16384.0, kFirBins), 341u);
    EXPECT_EQ(NearestBin(1e9, 48000.0 / 16384.0, kFirBins), kFirBins - 1);
}

}  // namespace
}  // namespace zef::fir
