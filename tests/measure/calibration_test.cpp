// The calibrated chain: band corrections, the impulse-response correction,
// and the files measurements are exported to and read back from.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "measure/calibration.h"
#include "measure/measurement_exports.h"
#include "measure/third_octave.h"

namespace zef::measure {
namespace {

FrequencyCurve Flat(double db) { return {{{20, db, 0}, {20000, db, 0}}, false, std::nullopt}; }

TEST(Calibration, BandCorrectionsUndoTheChainsPowerGain) {
    Calibration c{Flat(2.0), Flat(-0.5)};
    for (double x : BandCorrectionsDb(c)) EXPECT_NEAR(x, -1.5, 1e-12);
    // A step inside a band: the band takes the power mean of its two halves.
    Calibration step{{{{900, 0, 0}, {999.99, 0, 0}, {1000.01, 10, 0}, {1100, 10, 0}}, false, {}}, {}};
    const double expected = -10 * std::log10((1 + 10) / 2.0);
    EXPECT_NEAR(BandCorrectionsDb(step)[16], expected, 0.02);  // the 1 kHz band, centred on the step
    EXPECT_TRUE(Calibration{}.empty());
    for (double x : BandCorrectionsDb(Calibration{})) EXPECT_EQ(x, 0.0);
}

TEST(Calibration, TheCorrectionIsCausalAndExact) {
    // A response measured through a part with +6 dB: corrected, it is the
    // response again, nothing before the arrival.
    std::vector<double> r(4800, 0.0);
    r[480] = 2.0;
    r[700] = -1.0;
    CorrectImpulseResponse(r, Calibration{Flat(20 * std::log10(2.0)), {}}, 48000);
    EXPECT_NEAR(r[480], 1.0, 1e-9);
    EXPECT_NEAR(r[700], -0.5, 1e-9);
    double before = 0;
    for (std::size_t i = 0; i < 470; ++i) before = std::max(before, std::fabs(r[i]));
    EXPECT_LT(before, 1e-9);

    // A tilted part has a minimum-phase correction: energy after the arrival only.
    std::vector<double> t(9600, 0.0);
    t[480] = 1.0;
    FrequencyCurve tilt = TiltCurve(3.0);
    CorrectImpulseResponse(t, Calibration{tilt, {}}, 48000);
    double early = 0, total = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        total += t[i] * t[i];
        if (i < 478) early += t[i] * t[i];
    }
    EXPECT_LT(early / total, 1e-6);
    // ... and its spectrum is the inverse of the tilt.
    const FrequencyCurve response = ResponseCurve(t, 480, 48000);
    for (double hz : {100.0, 1000.0, 8000.0}) EXPECT_NEAR(response.DbAt(hz), -tilt.DbAt(hz), 0.05) << hz;
}

TEST(MeasurementExports, AResponseCurveHasItsGainAndItsPhaseFromTimeZero) {
    std::vector<double> r(2000, 0.0);
    r[100] = 0.5;  // time zero
    r[124] = 0.0;
    const FrequencyCurve at0 = ResponseCurve(r, 100, 48000);
    EXPECT_TRUE(at0.hasPhase);
    EXPECT_NEAR(at0.points.front().hz, 10.0, 1e-12);
    EXPECT_NEAR(at0.points.back().hz, 24000.0, 1e-9);
    for (const CurvePoint& p : at0.points) {
        EXPECT_NEAR(p.db, 20 * std::log10(0.5), 1e-9);
        EXPECT_NEAR(std::remainder(p.phaseDeg, 360.0), 0.0, 1e-6);
    }
    // One sample late: the phase falls by 360 f / 48000 degrees.
    const FrequencyCurve late = ResponseCurve(r, 99, 48000);
    for (double hz : {1000.0, 6000.0}) EXPECT_NEAR(late.PhaseDegAt(hz), -360.0 * hz / 48000.0, 0.5) << hz;
}

TEST(MeasurementExports, BandLevelsCsvReadsBackAndRefusesWhatIsNotIt) {
    BandSpectrum levels{};
    for (std::size_t b = 0; b < levels.size(); ++b) levels[b] = -40.0 + 0.37 * static_cast<double>(b);
    BandSpectrum back{};
    ASSERT_EQ(ParseBandLevelsCsv(BandLevelsCsv(levels), "l.csv", back), "");
    for (std::size_t b = 0; b < levels.size(); ++b) EXPECT_NEAR(back[b], levels[b], 0.005);

    const std::string good = BandLevelsCsv(levels);
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {good.substr(0, good.find("40,")), "l.csv: 2 bands, not 30"},
        {"band_hz,level_db\n25,-1\n32,-2\n", "l.csv line 3: band 2 should be 31 Hz, not 32"},
        {"band_hz,level_db\n25;-1\n", "l.csv line 2: expected \"band_hz,level_db\""},
        {good + "25,1\n", "l.csv line 32: more than 30 bands"},
    };
    for (const auto& c : cases) {
        BandSpectrum out{};
        const std::string e = ParseBandLevelsCsv(c.text, "l.csv", out);
        EXPECT_EQ(e.rfind(c.error, 0), 0u) << e;
    }
}

}  // namespace
}  // namespace zef::measure
