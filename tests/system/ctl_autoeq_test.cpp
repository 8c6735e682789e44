// zefctl autoeq run: the whole loop on a simulated amplifier whose pink noise
// plays into the virtual rig's room — the room gets flatter, the output's
// bands hold the fit, and every other byte of the device is as it was.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "ctl_fixture.h"
#include "model/memory_map.h"
#include "protocol/commands.h"
#include "files/frequency_curve.h"
#include "mic_response.h"
#include "rig.h"

namespace zef::test {
namespace {

constexpr std::size_t kOutput1BandsFirst = kPresetBaseAddress + pi::kOutputEq;  // 30 records of 5 bytes
constexpr std::size_t kOutput1BandsEnd = kOutput1BandsFirst + 30 * 5;

class CtlAutoEq : public CtlTest {
protected:
    void SetUp() override {
        Start({zefsim::DeviceConfig{}});
        dev(0).setMemory(ds::kNoiseOn, {0});
        dev(0).setMemory(kPresetBaseAddress + pi::kOutputMute, {0});
        zefsim::RigConfig config;
        config.fast = true;
        config.latencyMs = 30;
        rig = std::make_unique<zefsim::Rig>(dev(0), config);
    }
    std::unique_ptr<zefsim::Rig> rig;
};

TEST_F(CtlAutoEq, RunWithApplyFlattensTheRoomAndLeavesEverythingElse) {
    const std::vector<std::uint8_t> before = dev(0).memory(0, kDeviceMemorySize);
    // Two passes of 3 s each in real time outlast --timeout 5: the time spent
    // listening must not count against the bound on device operations.
    zefsim::RigConfig realTime;
    realTime.latencyMs = 30;
    const zefsim::Rig slow(dev(0), realTime);
    const CtlResult r = Run({"--timeout", "5", "autoeq", "run", "127.0.0.2", "1", "--rig", slow.endpoint(),
                             "--level", "-10", "--average", "3", "--bands", "4-29", "--apply", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    const double beforeRms = j["before_rms_db"].toDouble();
    const double afterRms = j["after_rms_db"].toDouble();
    EXPECT_GT(beforeRms, 1.5);  // the built-in room is not flat
    EXPECT_LT(afterRms * 3, beforeRms);
    EXPECT_LT(afterRms, 1.0);

    // The fit is in output 1's bands; nothing else changed, the generator is
    // off again, output 2 is not muted.
    const std::vector<std::uint8_t> after = dev(0).memory(0, kDeviceMemorySize);
    int changedBands = 0;
    for (std::size_t a = 0; a < kDeviceMemorySize; ++a) {
        if (a >= kOutput1BandsFirst && a < kOutput1BandsEnd) {
            changedBands += after[a] != before[a];
            continue;
        }
        EXPECT_EQ(after[a], before[a]) << "address " << a;
    }
    EXPECT_GT(changedBands, 20);
    // The second measurement played the fitted bands: output 1's EQ was on.
    bool eqOn = false;
    for (const auto& f : FramesWithCode(0, cmd::kEqBypass))
        eqOn |= f.size() > 11 && f[4] == kOutput1 && f[11] == 0;
    EXPECT_TRUE(eqOn);
}

TEST_F(CtlAutoEq, RunRefusesWhatItCannotDoAndRestoresTheDevice) {
    const std::vector<std::uint8_t> before = dev(0).memory(0, kDeviceMemorySize);
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"autoeq", "run", "127.0.0.2", "3", "--rig", rig->endpoint()}, 2, "OUTPUT is 1 or 2"},
        {{"autoeq", "run", "127.0.0.2", "1", "--rig", "192.0.2.1:30400"}, 2, "loopback"},
        // -70 dBu of pink noise is far below the microphone window.
        {{"autoeq", "run", "127.0.0.2", "1", "--rig", rig->endpoint(), "--level", "-70", "--average", "2"},
         1,
         "too low"},
        {{"autoeq", "run", "127.0.0.2", "1", "--rig", rig->endpoint(), "--card", "4"}, 1, "no card 4"},
    };
    for (const Case& c : cases) {
        const CtlResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(dev(0).memory(0, kDeviceMemorySize), before) << c.message;
    }
}

// A room with a cancellation over the whole 125 Hz band and a loudspeaker
// that rolls off below 50 Hz: the loop corrects what a filter can correct,
// says what it left alone, and the rest ends near the target.
TEST_F(CtlAutoEq, TheLoopLeavesANullAndARollOffAloneAndSaysSo) {
    FrequencyCurve room;
    room.points = {{20, -30, 0},  {31.5, -16, 0}, {40, -8, 0},   {50, -2, 0}, {63, 0, 0},
                   {105, 0, 0},   {111, -15, 0},  {140, -15, 0}, {150, 0, 0}, {20000, 0, 0}};
    zefsim::RigConfig config;
    config.fast = true;
    config.latencyMs = 30;
    config.room = zefsim::ThroughMicrophone(zefsim::BuiltInRoom(), zefsim::MicFilter([&](double hz) { return room.DbAt(hz); }));
    const zefsim::Rig nullRoom(dev(0), config);
    const CtlResult r = Run({"autoeq", "run", "127.0.0.2", "1", "--rig", nullRoom.endpoint(), "--level", "-10",
                             "--average", "20", "--apply", "--json"},
                            CtlLimits{.timeoutMs = 180000});  // 40 s of audio: slow under the sanitizers
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    QStringList notes;
    for (const auto& n : j["not_corrected"].toArray()) notes << n.toString();
    const QString all = notes.join("\n");
    EXPECT_TRUE(all.contains("125 Hz:") && all.contains("cancellation")) << all.toStdString();
    for (const char* band : {"25 Hz:", "31 Hz:", "40 Hz:"})
        EXPECT_TRUE(all.contains(band) && all.contains("roll-off")) << band << "\n" << all.toStdString();
    // Through the analyser, the corrected bands end within a decibel of the target.
    EXPECT_LT(j["after_largest_db"].toDouble(), 1.0);
    EXPECT_LT(j["after_rms_db"].toDouble() * 4, j["before_rms_db"].toDouble());
}

// Four microphone positions: the same room heard with a different bump or dip at each.
class CtlAutoEqPositions : public CtlTest {
protected:
    void SetUp() override {
        Start({zefsim::DeviceConfig{}});
        dev(0).setMemory(ds::kNoiseOn, {0});
        zefsim::RigConfig config;
        config.fast = true;
        config.latencyMs = 30;
        const auto position = [](double hz, double db) {
            FrequencyCurve c;
            c.points = {{hz / 2, 0, 0}, {hz, db, 0}, {hz * 2, 0, 0}};
            return zefsim::ThroughMicrophone(zefsim::BuiltInRoom(), zefsim::MicFilter([&](double hz) { return c.DbAt(hz); }));
        };
        config.room = position(200, 4);
        config.morePositions = {position(800, -4), position(3000, 3), position(150, -3)};
        rig = std::make_unique<zefsim::Rig>(dev(0), config);
    }
    std::unique_ptr<zefsim::Rig> rig;
};

TEST_F(CtlAutoEqPositions, FitsThePowerAverageOfThePositionsAndTheLoopConfirmsIt) {
    const std::vector<std::string> common = {"autoeq", "run", "127.0.0.2", "1", "--rig", rig->endpoint(), "--level",
                                             "-10", "--average", "6", "--bands", "4-29", "--positions", "4"};
    std::vector<std::string> fit = common;
    fit.insert(fit.end(), {"--json", "--yes"});
    // Eight passes of pink noise through the rendered room: slow under the sanitizers.
    const CtlLimits patient{.timeoutMs = 180000};
    const CtlResult f = Run(fit, patient);
    ASSERT_EQ(f.exitCode, 0) << f.err;
    const QJsonArray bands = QJsonDocument::fromJson(QByteArray::fromStdString(f.out)).object()["bands"].toArray();
    ASSERT_EQ(bands.size(), 30);
    double widest = 0;
    for (const auto& b : bands) {
        const QJsonObject o = b.toObject();
        ASSERT_EQ(o["positions_db"].toArray().size(), 4);
        widest = std::max(widest, o["spread_db"].toDouble());
    }
    EXPECT_GT(widest, 3.0);  // the positions differ, so the average is not any one of them

    // Without --yes and without a terminal, nobody can be asked to move the microphone.
    const CtlResult refused = Run(common);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("--yes"), std::string::npos) << refused.err;

    // Applied, the four positions measured again average to what the fit
    // predicted, within what 4 x 6 s of pink noise lets a band know of itself
    // (a band's power over B Hz and T s varies by about 1/sqrt(BT): 0.35 dB at
    // 31 Hz, 0.1 dB at 400 Hz; a busy machine adds to it, so one band may stray
    // to 0.75 dB but not the average). Below 400 Hz the bound is wider still: the loop
    // measures the 80 Hz band up to 1.5 dB under the prediction, a gap not yet
    // explained (docs/measurement.md); a tighter bound there waits for it.
    std::vector<std::string> apply = fit;
    apply.push_back("--apply");
    const CtlResult a = Run(apply, patient);
    ASSERT_EQ(a.exitCode, 0) << a.err;
    const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(a.out)).object();
    const QJsonArray after = j["after_db"].toArray();
    const QJsonArray predicted = j["predicted_db"].toArray();
    double gapSum = 0;
    for (int k = 4; k <= 29; ++k) {
        const double gap = std::fabs(after[k].toDouble() - predicted[k].toDouble());
        EXPECT_LT(gap, k < 12 ? 2.0 : 0.75) << "band " << k;
        if (k >= 12) gapSum += gap;
    }
    EXPECT_LT(gapSum / 18, 0.3);  // from 400 Hz up, on average
    EXPECT_LT(j["after_rms_db"].toDouble() * 2, j["before_rms_db"].toDouble());
}

}  // namespace
}  // namespace zef::test
