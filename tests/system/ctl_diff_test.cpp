// zefctl diff and load --diff-only against simulated amplifiers: the
// differences are named with both values, only they are sent, and the device
// ends holding the file's bytes.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <array>
#include <fstream>

#include "ctl_fixture.h"
#include "files/binary_io.h"
#include "files/preset_file.h"
#include "model/defaults.h"
#include "model/device_model.h"
#include "model/fir_image.h"
#include "model/memory_map.h"
#include "model/records.h"

namespace zef::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool StartsWith(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

// What a load writes: the device state (205..217), the preset and both FIRs.
Bytes Editable(const zefsim::Device& device) {
    Bytes all = device.memory(205, 13);
    const Bytes preset = device.memory(240, kPresetSize);
    const Bytes firs = device.memory(kFirBaseAddress, 2 * kFirImageSize);
    all.insert(all.end(), preset.begin(), preset.end());
    all.insert(all.end(), firs.begin(), firs.end());
    return all;
}

class CtlDiffTest : public CtlTest {
protected:
    // Moves the device at `host` away from what it holds: input L muted,
    // output 1 band 5 at -3 dB, a three-tap FIR on output 2.
    void Change(const std::string& host) {
        ASSERT_EQ(Run({"set", host, "inL.mute", "on"}).exitCode, 0);
        ASSERT_EQ(Run({"set", host, "out1.eq.5.gain", "-3"}).exitCode, 0);
        const std::string fir = folder.file("three.txt");
        std::ofstream(fir) << "1.0\r\n-0.5\r\n0.25\r\n";
        ASSERT_EQ(Run({"fir", "import", host, "2", fir}).exitCode, 0);
    }
};

TEST_F(CtlDiffTest, DiffNamesTheDifferencesAndLoadDiffOnlySendsOnlyThem) {
    Start({Config("Project", 1), Config("Preset", 2)});
    const struct {
        std::size_t device;
        std::string host;
        std::vector<std::string> save;  // writes the file of the device's state
        std::string file;
    } cases[] = {
        {0, "127.0.0.2", {"dump", "127.0.0.2", folder.file("show.prp")}, folder.file("show.prp")},
        {1, "127.0.0.3", {"preset", "save", "127.0.0.3", folder.file("show.zef")}, folder.file("show.zef")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(Run(c.save).exitCode, 0);
        const Bytes saved = Editable(dev(c.device));
        Change(c.host);
        ASSERT_NE(Editable(dev(c.device)), saved);

        const CtlResult diff = Run({"diff", c.host, c.file});
        EXPECT_EQ(diff.exitCode, 1) << diff.err;
        const std::vector<std::string> lines = Lines(diff.out);
        ASSERT_EQ(lines.size(), 3u) << diff.out;
        EXPECT_EQ(lines[0], "inL.mute: device on, file off");
        EXPECT_EQ(lines[1], "out1.eq.5.gain: device -3, file 0");
        EXPECT_TRUE(StartsWith(lines[2], "out2.fir: device 3 taps \"")) << lines[2];

        const CtlResult json = Run({"--json", "diff", c.host, c.file});
        EXPECT_EQ(json.exitCode, 1) << json.err;
        const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
        EXPECT_FALSE(j["equal"].toBool());
        const QJsonArray parameters = j["parameters"].toArray();
        ASSERT_EQ(parameters.size(), 2);
        EXPECT_EQ(parameters[1].toObject()["name"].toString(), "out1.eq.5.gain");
        EXPECT_EQ(parameters[1].toObject()["device"].toString(), "-3");
        EXPECT_EQ(parameters[1].toObject()["file"].toString(), "0");
        ASSERT_EQ(j["firs"].toArray().size(), 1);
        EXPECT_EQ(j["firs"].toArray()[0].toObject()["output"].toInt(), 2);
        EXPECT_EQ(j["firs"].toArray()[0].toObject()["device"].toObject()["taps"].toInt(), 3);

        dev(c.device).clearLog();
        const CtlResult load = Run({"load", c.host, c.file, "--diff-only"});
        ASSERT_EQ(load.exitCode, 0) << load.err;
        EXPECT_EQ(FramesWithCode(c.device, 3).size(), 1u);  // the mute
        EXPECT_EQ(FramesWithCode(c.device, 5).size(), 1u);  // the band
        EXPECT_TRUE(FramesWithCode(c.device, 1).empty());   // no gain differed
        EXPECT_TRUE(FramesWithCode(c.device, 25).empty());  // no preset written whole
        // Memory writes are the FIR store's for output 2 (its taps, and its name and tap count in the
        // preset): none reaches output 1's FIR or the settings; output 2's FIR is taken once.
        const auto writes = FramesWithCode(c.device, 21);
        EXPECT_FALSE(writes.empty());
        for (const Bytes& w : writes) {
            const int address = (w[4] << 8) | w[5];
            EXPECT_TRUE(address >= FirAddress(1) || (address >= 240 && address < FirAddress(0))) << address;
        }
        ASSERT_EQ(FramesWithCode(c.device, 29).size(), 1u);
        EXPECT_EQ(Editable(dev(c.device)), saved);

        const CtlResult again = Run({"diff", c.host, c.file});
        EXPECT_EQ(again.exitCode, 0) << again.err;
        EXPECT_EQ(again.out, "equal\n");
    }
}

// Bytes no parameter names (the preset's name) are written too, and read
// back, so the device ends equal to the file.
TEST_F(CtlDiffTest, LoadDiffOnlyAlsoWritesTheNames) {
    Start({Config("Named", 3)});
    const std::string file = folder.file("named.zef");
    ASSERT_EQ(Run({"preset", "save", "127.0.0.2", file}).exitCode, 0);
    const Bytes saved = Editable(dev(0));
    std::array<std::uint8_t, kPresetSize> device{};
    const Bytes held = dev(0).memory(240, kPresetSize);
    std::copy(held.begin(), held.end(), device.begin());
    PresetImage preset;
    DecodePresetFromDevice(device, preset);
    SetPresetName(preset, "Another Name");
    EncodePresetToDevice(preset, device);
    dev(0).setMemory(240, Bytes(device.begin(), device.end()));
    ASSERT_NE(Editable(dev(0)), saved);
    EXPECT_EQ(Run({"diff", "127.0.0.2", file}).out, "equal\n") << "a name is no parameter";
    const CtlResult load = Run({"load", "127.0.0.2", file, "--diff-only"});
    ASSERT_EQ(load.exitCode, 0) << load.err;
    EXPECT_EQ(Editable(dev(0)), saved);
}

TEST_F(CtlDiffTest, ARefusedFileAsksNoDevice) {
    Start({Config("Refused", 4)});
    const std::string wrong = folder.file("show.txt");
    std::ofstream(wrong) << "x";
    const std::string missing = folder.file("missing.zef");
    const struct {
        std::vector<std::string> args;
        int exitCode;
    } cases[] = {
        {{"diff", "127.0.0.2", wrong}, 2},
        {{"diff", "127.0.0.2", missing}, 1},
        {{"load", "127.0.0.2", missing, "--diff-only"}, 1},
    };
    for (const auto& c : cases) {
        const CtlResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_TRUE(dev(0).frames().empty());

    // A file holding an illegal value (output 1 band 1 of type 9): nothing is written.
    DeviceModel model;
    ResetToDefaults(model);
    model.preset[pi::OutputBand(0, 0)] = 9;
    model.preset[pi::OutputGain(0)] = 100;
    const std::string illegal = folder.file("illegal.zef");
    ASSERT_TRUE(WriteFileAtomic(illegal, EncodePresetFile(model)));
    const CtlResult r = Run({"load", "127.0.0.2", illegal, "--diff-only"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("refused: preset byte " + std::to_string(pi::OutputBand(0, 0))), std::string::npos) << r.err;
    for (const int write : {1, 5, 21, 25})
        EXPECT_TRUE(FramesWithCode(0, static_cast<std::uint8_t>(write)).empty()) << write;
}

}  // namespace
}  // namespace zef::test
