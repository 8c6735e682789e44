// Measurements through the virtual rig against what the rig holds: a
// microphone with a response of its own, taken out again by its calibration
// file; a card latency far beyond the usual; a card whose input clock drifts.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

#include "ctl_fixture.h"
#include "files/frequency_curve.h"
#include "mic_response.h"
#include "rig.h"

namespace zef::test {
namespace {

// A microphone that nobody would buy: +-3 dB across the band.
FrequencyCurve UnevenMicrophone() {
    FrequencyCurve c;
    c.sensitivityDb = -1.2;
    c.points = {{20, 3.0, 0},    {40, -2.0, 0},   {100, 1.5, 0},  {300, -1.0, 0},    {1000, 0.0, 0},
                {3000, -3.0, 0}, {6000, 2.5, 0},  {10000, 3.0, 0}, {16000, -2.0, 0}, {20000, 1.0, 0}};
    return c;
}

// The level at `hz` averaged in power over a sixth of an octave.
double SixthOctaveDb(const FrequencyCurve& c, double hz) {
    double power = 0;
    int n = 0;
    for (const CurvePoint& p : c.points)
        if (p.hz >= hz * std::pow(2.0, -1.0 / 12) && p.hz <= hz * std::pow(2.0, 1.0 / 12)) {
            power += std::pow(10.0, p.db / 10);
            ++n;
        }
    return 10 * std::log10(power / n);
}

// The largest sixth-octave difference from 25 Hz to 16 kHz.
double LargestDifferenceDb(const FrequencyCurve& a, const FrequencyCurve& b) {
    double largest = 0;
    for (double hz = 25; hz <= 16000; hz *= std::pow(2.0, 1.0 / 24))
        largest = std::max(largest, std::fabs(SixthOctaveDb(a, hz) - SixthOctaveDb(b, hz)));
    return largest;
}

class CtlRigMeasurement : public CtlTest {
protected:
    void SetUp() override {
        Start({zefsim::DeviceConfig{}});
        ASSERT_EQ(WriteFrequencyCurve(folder.file("mic.txt"), UnevenMicrophone()), "");
        // The sweep reaches the microphone unclipped.
        ASSERT_EQ(Run({"set", "127.0.0.2", "inL.gain", "-20"}).exitCode, 0);
    }

    // measure ir through a rig whose room is `room`; the response's curve.
    FrequencyCurve Measure(const zefsim::RoomResponse& room, std::vector<std::string> extra) {
        zefsim::RigConfig config;
        config.room = room;
        return Measure(config, extra);
    }
    FrequencyCurve Measure(zefsim::RigConfig config, std::vector<std::string> extra) {
        config.fast = true;
        if (!config.latencyMs) config.latencyMs = 30;
        zefsim::Rig rig(dev(0), config);
        const std::string out = folder.file("r" + std::to_string(++runs) + ".txt");
        std::vector<std::string> args = {"measure", "ir",     "--rig",      rig.endpoint(), "--decay",
                                         "1",       "--sweeps", folder.file("TS"), "--out", folder.file("r.irw"),
                                         "--response", out};
        args.insert(args.end(), extra.begin(), extra.end());
        last = Run(args);
        EXPECT_EQ(last.exitCode, 0) << last.err;
        FrequencyCurve curve;
        EXPECT_EQ(ReadFrequencyCurve(out, curve), "");
        return curve;
    }
    int runs = 0;
    CtlResult last;
};

TEST_F(CtlRigMeasurement, TheMicrophonesCalibrationFileTakesItsResponseOut) {
    const zefsim::RoomResponse room = zefsim::BuiltInRoom();
    const FrequencyCurve microphone = UnevenMicrophone();
    const zefsim::RoomResponse heard =
        zefsim::ThroughMicrophone(room, zefsim::MicFilter([&](double hz) { return microphone.DbAt(hz); }));
    const FrequencyCurve truth = Measure(room, {});
    const FrequencyCurve raw = Measure(heard, {});
    const FrequencyCurve corrected = Measure(heard, {"--mic-cal", folder.file("mic.txt")});
    EXPECT_GT(LargestDifferenceDb(truth, raw), 2.5);  // the microphone matters
    EXPECT_LT(LargestDifferenceDb(truth, corrected), 0.2);
    // The card's calibration (here the same curve, as a loopback would give it) counts too.
    const FrequencyCurve twice =
        Measure(heard, {"--mic-cal", folder.file("mic.txt"), "--card-cal", folder.file("mic.txt")});
    EXPECT_GT(LargestDifferenceDb(truth, twice), 2.5);

    const CtlResult bad = Run({"measure", "ir", "--rig", "127.0.0.1:1", "--mic-cal", folder.file("r.irw"),
                               "--out", folder.file("x.irw")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("--mic-cal: " + folder.file("r.irw") + " line 1"), std::string::npos) << bad.err;
}

TEST_F(CtlRigMeasurement, ALatencyOfOneAndAHalfSecondsIsMeasuredToTheSample) {
    zefsim::RigConfig config;
    config.latencyMs = 1500;
    config.room = zefsim::BuiltInRoom();
    Measure(config, {"--reference", "2", "--json"});
    const QJsonObject byReference = QJsonDocument::fromJson(QByteArray::fromStdString(last.out)).object();
    EXPECT_NEAR(byReference["delay_ms"].toDouble(), 1500.0, 1.0 / 48);
    // On the microphone: the latency plus the direct sound's flight (the built-in room's first
    // arrival, 280 samples).
    Measure(config, {"--json"});
    const QJsonObject byArrival = QJsonDocument::fromJson(QByteArray::fromStdString(last.out)).object();
    EXPECT_EQ(byArrival["aligned_by"].toString(), "arrival");
    EXPECT_NEAR(byArrival["delay_ms"].toDouble(), 1500.0 + 280.0 / 48, 1.0 / 48);
}

TEST_F(CtlRigMeasurement, AClockDriftIsReportedWithItsFigure) {
    for (const double ppm : {0.0, 100.0, -30.0}) {
        zefsim::RigConfig config;
        config.driftPpm = ppm;
        Measure(config, {"--reference", "2", "--json"});
        const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(last.out)).object();
        EXPECT_NEAR(j["drift_ppm"].toDouble(), ppm, 1.0) << ppm;
        const QJsonArray warnings = j["warnings"].toArray();
        const bool warned = std::any_of(warnings.begin(), warnings.end(), [](const QJsonValue& w) {
            return w.toString().contains("clocks differ by");
        });
        EXPECT_EQ(warned, ppm != 0.0) << ppm;
    }
}

}  // namespace
}  // namespace zef::test
