// zefctl measure ir and rta, run in-process through the fake card.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <sstream>

#include "audio_backend.h"
#include "cli.h"
#include "fake_card.h"
#include "files/irw_file.h"
#include "measure/sweep_analysis.h"
#include "audio/wav_file.h"
#include "temp_folder.h"

namespace zefctl {
namespace {

struct CtlRun {
    int code;
    std::string out;
    std::string err;
};

CtlRun Zefctl(const std::vector<std::string>& args) {
    SubCommandTable table;
    AddMeasureCommands(table);
    std::ostringstream out;
    std::ostringstream err;
    const int code = RunCli(table, args, out, err);
    return {code, out.str(), err.str()};
}

class CtlMeasure : public ::testing::Test {
protected:
    void SetUp() override {
        SetAudioSystemFactory([this](const std::optional<std::string>& rig, std::string&) {
            lastRig = rig;
            return std::make_unique<zef::test::FakeAudioSystem>(card);
        });
    }
    void TearDown() override { SetAudioSystemFactory(nullptr); }

    zef::test::TempFolder folder;
    zef::test::FakeCardSetup card{.room = {0.0, 0.0, 0.0, 0.6, 0.0, -0.2}, .latency = 2000, .noiseRms = 1e-5};
    std::optional<std::string> lastRig;
};

TEST_F(CtlMeasure, MeasureIrWritesTheResponseWithItsFiguresAndWarnings) {
    const std::string irw = folder.file("room.irw");
    CtlRun r = Zefctl({"measure", "ir", "--rig", "127.0.0.1:30400", "--reference", "2", "--decay", "0.5",
                       "--sweeps", folder.file("TS"), "--out", irw, "--json"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(lastRig, "127.0.0.1:30400");
    const zef::IrwReadResult read = zef::ReadIrwFile(irw);
    ASSERT_TRUE(read.ok()) << read.error;
    const std::vector<double>& ir = read.samples;
    ASSERT_EQ(ir.size(), zef::measure::kPreDelaySamples + 24000);
    // Aligned on the loopback: three samples of flight time after the pre-delay.
    EXPECT_NEAR(ir[zef::measure::kPreDelaySamples + 3], 0.6, 0.006);
    EXPECT_NEAR(ir[zef::measure::kPreDelaySamples + 5], -0.2, 0.002);
    const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(j["aligned_by"].toString(), "reference");
    EXPECT_NEAR(j["delay_ms"].toDouble(), 2000.0 / 48.0, 0.03);
    EXPECT_EQ(j["warnings"].toArray().size(), 0);
    EXPECT_GT(j["signal_to_noise_db"].toDouble(), 60.0);

    card.room = {2.0};
    r = Zefctl({"measure", "ir", "--sweeps", folder.file("TS"), "--decay", "0.2", "--out", irw});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.err.find("warning: The input clipped"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("aligned on the first arrival"), std::string::npos) << r.out;
}

TEST_F(CtlMeasure, SeveralSweepsAverageTheNoiseDown) {
    // The tail holds noise only: four sweeps lower it by 10 log10 4 = 6 dB.
    card.noiseRms = 1e-3;
    const auto peakToTail = [&](const char* repeat) {
        const CtlRun r = Zefctl({"measure", "ir", "--decay", "0.5", "--sweeps", folder.file("TS"), "--repeat", repeat,
                                 "--out", folder.file("n.irw"), "--json"});
        EXPECT_EQ(r.code, kExitOk) << r.err;
        const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
        EXPECT_EQ(j["sweeps"].toInt(), std::atoi(repeat));
        return j["peak_to_tail_db"].toDouble();
    };
    const double one = peakToTail("1");
    const double four = peakToTail("4");
    EXPECT_NEAR(four - one, 6.0, 1.5) << one << " / " << four;
}

TEST_F(CtlMeasure, MeasureIrRefusals) {
    const std::string sweeps = folder.file("TS");
    const std::string irw = folder.file("x.irw");
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {{"measure", "ir", "--sweeps", sweeps}, kExitUsage, "--out"},
        {{"measure", "ir", "--rig", "192.0.2.20:30400", "--out", irw}, kExitUsage, "loopback"},
        {{"measure", "ir", "--decay", "30", "--out", irw}, kExitUsage, "--decay"},
        {{"measure", "ir", "--sweeps", sweeps, "--input", "8", "--out", irw}, kExitFailed, "no input 8"},
        {{"rta", "--decay", "2", "--out", irw}, kExitUsage, "does not apply"},
    };
    for (const Case& c : cases) {
        const CtlRun r = Zefctl(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.back();
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    card.failAfterFrames = 48000;
    const CtlRun r = Zefctl({"measure", "ir", "--sweeps", sweeps, "--out", irw});
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_NE(r.err.find("unplugged"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(irw));

    // The real cards: this machine has none, and says so; a rig must be on loopback.
    SetAudioSystemFactory(nullptr);
    const CtlRun none = Zefctl({"rta", "--seconds", "0.1", "--card", "5"});
    EXPECT_EQ(none.code, kExitFailed);
    EXPECT_NE(none.err.find("sound card"), std::string::npos) << none.err;
    const CtlRun remote = Zefctl({"rta", "--seconds", "0.1", "--rig", "192.0.2.1:30400"});
    EXPECT_NE(remote.code, kExitOk);
}

TEST_F(CtlMeasure, RtaOfARecordingAndOfTheCard) {
    // Two channels: silence, and a 1 kHz sine at -20 dB re full scale.
    const std::string wav = folder.file("tone.wav");
    std::vector<double> stereo(2 * 96000, 0.0);
    for (std::size_t i = 0; i < 96000; ++i)
        stereo[2 * i + 1] =
            0.1 * std::sin(2.0 * std::numbers::pi * 1000.0 * static_cast<double>(i) / 48000.0);
    // WriteWavAtomic writes one channel; a two-channel file goes through libsndfile here.
    {
        SF_INFO info{};
        info.samplerate = 48000;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
        SNDFILE* f = sf_open(wav.c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr);
        sf_writef_double(f, stereo.data(), 96000);
        sf_close(f);
    }
    CtlRun r = Zefctl({"rta", "--wav", wav, "--input", "2", "--json"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    ASSERT_EQ(j["levels_db"].toArray().size(), 30);
    EXPECT_EQ(j["bands_hz"].toArray()[16].toInt(), 1000);
    EXPECT_NEAR(j["levels_db"].toArray()[16].toDouble(), -20.0, 0.1);
    EXPECT_LT(j["levels_db"].toArray()[14].toDouble(), -50.0);
    EXPECT_EQ(Zefctl({"rta", "--wav", wav, "--input", "3"}).code, kExitUsage);
    EXPECT_EQ(Zefctl({"rta", "--wav", wav, "--input", "0"}).code, kExitUsage);
    EXPECT_EQ(Zefctl({"rta", "--wav", folder.file("missing.wav")}).code, kExitFailed);

    card.toneHz = 250.0;
    card.toneAmplitude = 0.5;
    r = Zefctl({"rta", "--seconds", "0.5"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    std::istringstream lines(r.out);
    std::string header;
    std::getline(lines, header);
    EXPECT_EQ(header, "band_hz level_db");
    int hz = 0;
    double db = 0.0;
    while (lines >> hz >> db)
        if (hz == 250) break;
    EXPECT_EQ(hz, 250);
    EXPECT_NEAR(db, -6.02, 0.3);
}

}  // namespace
}  // namespace zefctl
