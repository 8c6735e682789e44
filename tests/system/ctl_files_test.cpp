// zefctl and what it reads or shows: a FIFO is refused at once, a file's
// header cannot claim more than the file holds, files with bytes appended are
// refused with their name and reason, a recording without usable samples is
// no spectrum, and a device byte outside its legal range is shown as illegal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "audio/wav_file.h"
#include "ctl_fixture.h"
#include "fifo.h"
#include "file_bytes.h"
#include "files/binary_io.h"
#include "files/preset_file.h"
#include "model/defaults.h"
#include "model/memory_map.h"

namespace zef::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(CtlTest, AFifoIsRefusedAtOnce) {
    Start({Config("Pipe", 1)});
    const struct {
        const char* name;
        std::vector<std::string> args;  // FIFO stands for the FIFO's path
    } cases[] = {
        {"in.wav", {"rta", "--wav", "FIFO"}},
        {"raw.bin", {"make-sfu", "FIFO", folder.file("out.sfu")}},
        {"p.zef", {"load", "127.0.0.2", "FIFO"}},
        {"p.prp", {"load", "127.0.0.2", "FIFO"}},
        {"f.txt", {"fir", "import", "127.0.0.2", "1", "FIFO"}},
        {"p2.zef", {"response", "--preset", "FIFO", "out1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fifo fifo(folder.file(c.name));
        std::vector<std::string> args = c.args;
        for (std::string& a : args)
            if (a == "FIFO") a = fifo.path();
        const CtlResult r = Run(args, {10000});
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_TRUE(Has(r.err, fifo.path() + ": is a FIFO, not a regular file")) << r.err;
    }
    // init.cfg as a FIFO: read as missing (no field set), never waited on.
    Fifo config(folder.file("init.cfg"));
    const CtlResult search = Run({"search", "--range", "127.0.0.2-127.0.0.2"}, {20000});
    EXPECT_EQ(search.exitCode, 0) << search.err;
    EXPECT_TRUE(Has(search.out, "127.0.0.2")) << search.out;
}

TEST_F(CtlTest, AHeaderCannotClaimMoreThanTheFileHolds) {
    const std::string path = folder.file("lying.flac");
    ASSERT_TRUE(WriteFileAtomic(path, LyingFlacBytes()));
    // Room for the program, far from room for what the header claims.
    const CtlResult r = RunZefctl({"rta", "--wav", path}, folder.path(), {30000, 600 * 1024});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_TRUE(Has(r.err, path + ": the file ends early (0 of the 28800000 frames its header gives)")) << r.err;
}

TEST_F(CtlTest, ARecordingWithoutUsableSamplesHasNoSpectrum) {
    const std::vector<double> nan(4800, std::nan(""));
    std::vector<double> oneBad(4800, 0.25);
    oneBad[99] = INFINITY;
    const struct {
        const char* name;
        std::vector<double> samples;
        const char* problem;
    } cases[] = {
        {"empty.wav", {}, ": the file holds no samples"},
        {"nan.wav", nan, ": sample 1 of channel 1 is not a finite number"},
        {"inf.wav", oneBad, ": sample 100 of channel 1 is not a finite number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.file(c.name);
        ASSERT_EQ(audio::WriteWavAtomic(path, c.samples, 48000), "");
        const CtlResult r = RunZefctl({"rta", "--wav", path}, folder.path());
        EXPECT_EQ(r.exitCode, 1) << r.out;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(Has(r.err, path + c.problem)) << r.err;
    }
}

TEST_F(CtlTest, FilesWithBytesAppendedAreRefusedByName) {
    Start({Config("Appended", 1)});
    DeviceModel device;
    ResetToDefaults(device);
    Bytes preset = EncodePresetFile(device);
    preset.push_back(0);
    const std::string zef = folder.file("appended.zef");
    ASSERT_TRUE(WriteFileAtomic(zef, preset));
    const std::string prp = folder.file("device.prp");
    ASSERT_EQ(Run({"dump", "127.0.0.2", prp}).exitCode, 0);
    Bytes project = ReadFileBytes(prp);
    project.resize(project.size() + (1u << 20), 0);
    ASSERT_TRUE(WriteFileAtomic(prp, project));
    dev(0).clearLog();
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {zef, "Load: Wrong file format " + zef + ": has 1 byte after the 3698 of a preset file"},
        {prp, "Error: Can't load project " + prp + ": has 1048576 bytes after the data of its last device"},
    };
    for (const auto& c : cases) {
        const CtlResult r = Run({"load", "127.0.0.2", c.path});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "zefctl: " + c.message + "\n");
    }
    EXPECT_TRUE(dev(0).frames().empty());  // refused before the device was even asked
}

// A device byte outside its legal range: output 1 band 1 of type 9 (legal 0..7).
TEST_F(CtlTest, AnIllegalDeviceByteIsShownAsIllegal) {
    Start({Config("Odd Byte", 1)});
    const Bytes held = dev(0).memory(kPresetBaseAddress, kPresetSize);
    std::array<std::uint8_t, kPresetSize> device{};
    std::copy(held.begin(), held.end(), device.begin());
    PresetImage preset;
    DecodePresetFromDevice(device, preset);
    preset[pi::OutputBand(0, 0)] = 9;
    EncodePresetToDevice(preset, device);
    dev(0).setMemory(kPresetBaseAddress, Bytes(device.begin(), device.end()));

    const std::string illegal = "preset byte " + std::to_string(pi::OutputBand(0, 0)) +
                                " (output 1 band 1 type) is 9; legal 0..7";
    const struct {
        const char* parameter;
        int exitCode;
        std::string out;
    } cases[] = {
        {"out1.eq.1.type", 1, "out1.eq.1.type = illegal: " + illegal + "\n"},
        {"out1.eq.1.gain", 0, "out1.eq.1.gain = 0 dB\n"},  // its record's other fields read as they are
        {"out1.eq.2.type", 0, "out1.eq.2.type = Bell\n"},
    };
    for (const auto& c : cases) {
        const CtlResult r = Run({"get", "127.0.0.2", c.parameter});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(r.out, c.out);
    }
    // A dump keeps what the device holds and says that loading it will refuse it.
    const std::string prp = folder.file("odd.prp");
    const CtlResult dump = Run({"dump", "127.0.0.2", prp});
    EXPECT_EQ(dump.exitCode, 0) << dump.err;
    EXPECT_EQ(dump.err, "zefctl: warning: the device holds an illegal value, " + illegal + "; " + prp +
                            " keeps it and loading it will refuse it\n");
    EXPECT_EQ(Run({"load", "127.0.0.2", prp}).exitCode, 1);
}

}  // namespace
}  // namespace zef::test
