// zefctl's sound-card commands against a virtual rig in the test process.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "audio/wav_file.h"
#include "ctl_fixture.h"
#include "rig.h"
#include "room.h"
#include "simulator.h"
#include "temp_folder.h"

namespace zef::test {
namespace {

// A device playing its pink noise at 0 dBu into the built-in room, served fast.
struct PinkRoom {
    PinkRoom() : device(zefsim::DeviceConfig{}) {
        device.setMemory(208, {1});   // generator on
        device.setMemory(210, {80});  // at 0 dBu
        zefsim::RigConfig config;
        config.fast = true;
        config.micNoiseDbfs = std::nullopt;
        config.latencyMs = 20;
        rig = std::make_unique<zefsim::Rig>(device, config);
    }
    std::string endpoint() const { return rig->endpoint(); }
    zefsim::Device device;
    std::unique_ptr<zefsim::Rig> rig;
};

double ChannelDbfs(const audio::WavData& w, int channel, std::size_t from) {
    double power = 0;
    std::size_t n = 0;
    for (std::size_t f = from; f < w.frames(); ++f, ++n) {
        const double v = w.samples[f * std::size_t(w.channels) + std::size_t(channel)];
        power += v * v;
    }
    return 10 * std::log10(std::max(2 * power / double(n), 1e-30));
}

TEST(CtlAudio, CardsListsTheRigWithItsChannels) {
    PinkRoom room;
    TempFolder folder;
    const CtlResult r = RunZefctl({"cards", "--json", "--rig", room.endpoint()}, folder.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QJsonArray cards = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).array();
    ASSERT_GE(cards.size(), 1);
    const QJsonObject rig = cards.last().toObject();  // the rigs follow the sound cards
    EXPECT_EQ(rig["name"].toString().toStdString(), "ZEF virtual rig (" + room.endpoint() + ")");
    EXPECT_TRUE(rig["usable"].toBool());
    EXPECT_EQ(rig["inputs"].toArray().size(), 2);
    EXPECT_EQ(rig["number"].toInt(), cards.size());
}

TEST(CtlAudio, RecordTakesTheAmplifiersPinkNoiseInTheRoom) {
    PinkRoom room;
    TempFolder folder;
    const std::string file = folder.file("room.wav");
    const CtlResult r =
        RunZefctl({"record", file, "--seconds", "3", "--rig", room.endpoint()}, folder.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("100%"), std::string::npos);  // the progress bar reached its end
    audio::WavData w;
    std::string error;
    ASSERT_EQ(audio::ReadWav(file, w), "");
    ASSERT_EQ(w.channels, 2);
    EXPECT_EQ(w.frames(), 3u * 48000);
    // 0 dBu at the amplifier is -18 dBFS of direct sound from each loudspeaker; both play the
    // generator, and the room adds reflections and reverberation to each.
    const double mic = ChannelDbfs(w, 0, 48000);
    EXPECT_GT(mic, -18.0);
    EXPECT_LT(mic, -5.0);
    EXPECT_LT(ChannelDbfs(w, 1, 0), -250);  // the card played nothing: a silent loopback

    room.device.setMemory(208, {0});  // generator off: the room falls silent
    const CtlResult quiet =
        RunZefctl({"record", file, "--seconds", "1", "--rig", room.endpoint()}, folder.path());
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    ASSERT_EQ(audio::ReadWav(file, w), "");
    EXPECT_LT(ChannelDbfs(w, 0, 0), -250);
}

TEST(CtlAudio, PlayAndRecordRefuseWhatTheyCannotDo) {
    PinkRoom room;
    TempFolder folder;
    const std::string file = folder.file("tone.wav");
    {
        audio::WavWriter w;
        std::string error;
        ASSERT_TRUE(w.Open(file, 1, 48000, error));
        std::vector<float> tone(4800);
        for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = 0.1f * float(std::sin(i * 0.1));
        ASSERT_TRUE(w.Write(tone, error));
        ASSERT_TRUE(w.Commit(error));
    }
    const CtlResult played = RunZefctl({"play", file, "--rig", room.endpoint()}, folder.path());
    EXPECT_EQ(played.exitCode, 0) << played.err;
    EXPECT_EQ(played.out.rfind("played 0.10 s (1 channels) from " + file, 0), 0u) << played.out;

    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"record", folder.file("x.wav"), "--rig", "192.0.2.1:30400"}, 2, "loopback"},
        {{"record", folder.file("x.wav"), "--rig", room.endpoint(), "--card", "99"},
         1,
         "there is no card 99"},
        {{"play", folder.file("missing.wav"), "--rig", room.endpoint()}, 1, "cannot read"},
        {{"record"}, 2, "missing FILE.wav"},
    };
    for (const Case& c : cases) {
        const CtlResult r = RunZefctl(c.args, folder.path());
        EXPECT_EQ(r.exitCode, c.exitCode) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("x.wav")));
}

}  // namespace
}  // namespace zef::test
