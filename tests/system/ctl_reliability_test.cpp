// zefctl under link faults: one bad identify is retried and an identity that
// was never verified stops it, an illegal project is refused before any byte
// is sent, a lost reply is recovered with "reconnecting…" on stderr, and the
// deadline bounds a call.

#include <gtest/gtest.h>

#include "ctl_fixture.h"
#include "files/binary_io.h"
#include "files/project_file.h"
#include "model/fir_image.h"
#include "model/memory_map.h"
#include "protocol/commands.h"

namespace zef::test {
namespace {

using Fault = zefsim::Device::ArmedFault;
using zefsim::Corruption;
using W = Corruption::Where;
using K = Corruption::Kind;

// One byte of the `after`-th frame of command `code` replaced on the line (count in a row).
Corruption ByteOnTheLine(W where, std::uint8_t code, int after, std::size_t byte,
                         std::optional<std::uint8_t> value, int count = 1) {
    return {where, K::Byte, after, byte, value, code, count};
}

// The first difference between a project's device block and the device's memory, or "".
std::string DumpDiffers(const ProjectDeviceBlock& b, zefsim::Device& d) {
    const auto settings = d.memory(0, kSettingsSize);
    for (std::size_t i = 0; i < kSettingsSize; ++i)
        if (b.settings[i] != settings[i]) return "settings byte " + std::to_string(i);
    const auto preset = d.memory(kPresetBaseAddress, kPresetSize);
    std::array<std::uint8_t, kPresetSize> encoded{};
    EncodePresetToDevice(b.preset, encoded);
    for (std::size_t i = 0; i < kPresetSize; ++i)
        if (encoded[i] != preset[i]) return "preset address " + std::to_string(kPresetBaseAddress + i);
    for (int o = 0; o < 2; ++o) {
        const auto fir = d.memory(FirAddress(o), kFirImageSize);
        const FirImage image = FirImageFromTaps(b.firTaps[static_cast<std::size_t>(o)]);
        if (!std::equal(image.begin(), image.end(), fir.begin())) return "output " + std::to_string(o + 1) + " FIR";
    }
    return "";
}

TEST_F(CtlTest, OneBadIdentifyIsRetriedAnIdentityNeverVerifiedStopsBeforeAnyRead) {
    const struct {
        const char* what;
        Fault fault;
    } once[] = {{"garbled", Fault::Garbage}, {"short", Fault::Short}, {"dropped", Fault::Drop}};
    Start({Config("Unverified", 1)});
    for (const auto& c : once) {
        SCOPED_TRACE(c.what);
        dev(0).armFault(c.fault, 0);
        const CtlResult r = Run({"--timeout", "20", "get", "127.0.0.2", "out1.gain"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "out1.gain = 0 dB\n");
        EXPECT_NE(r.err.find("zefctl: reconnecting…"), std::string::npos) << r.err;
    }
    dev(0).clearLog();
    dev(0).setSilent(true);
    const CtlResult r = Run({"--timeout", "1.5", "get", "127.0.0.2", "out1.gain"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot connect to 127.0.0.2"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(FramesWithCode(0, cmd::kReadMemory).empty());
}

TEST_F(CtlTest, ProjectWithAnIllegalBandTypeIsRefusedBeforeAnyWrite) {
    Start({Config("Guarded", 1)});
    const std::string good = folder.file("good.prp");
    ASSERT_EQ(Run({"dump", "127.0.0.2", good}).exitCode, 0);
    ProjectReadResult project = ReadProjectFile(good);
    ASSERT_TRUE(project.status.ok);
    ASSERT_TRUE(project.image.blocks[0].has_value());
    project.image.blocks[0]->preset[pi::OutputBand(0, 0)] = 9;
    const std::string bad = folder.file("bad.prp");
    {
        const auto bytes = EncodeProject(project.image);
        ASSERT_TRUE(bytes && WriteFileAtomic(bad, *bytes));
    }
    dev(0).clearLog();
    const CtlResult r = Run({"load", "127.0.0.2", bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("preset byte 118 (output 1 band 1 type) is 9; legal 0..7"), std::string::npos) << r.err;
    EXPECT_TRUE(FramesWithCode(0, cmd::kWriteMemory).empty());
    EXPECT_EQ(dev(0).memory(240 + 118, 1)[0], 0);
}

TEST_F(CtlTest, LostReplyIsRecoveredAndSaysSo) {
    Start({Config("Recovering", 1)});
    // Identify, the firmware read and the 22 reads of the whole device come first.
    dev(0).armFault(Fault::Drop, 24);
    const CtlResult r = Run({"set", "127.0.0.2", "out1.gain", "-3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("zefctl: reconnecting…"), std::string::npos) << r.err;
    EXPECT_EQ(dev(0).memory(240 + pi::OutputGain(0), 1)[0], 114);
}

TEST_F(CtlTest, DeadlineEndsACallToASilentDevice) {
    Start({Config("Silent", 1)});
    dev(0).setSilent(true);
    const CtlResult r = Run({"--timeout", "1.5", "get", "127.0.0.2", "out1.gain"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no answer within the --timeout of 1.5 s"), std::string::npos) << r.err;
    const CtlResult usage = Run({"--timeout", "0", "get", "127.0.0.2", "out1.gain"});
    EXPECT_EQ(usage.exitCode, 2);
}

// A man in the middle changes one byte. `set` must never exit 0 printing a value the device
// does not hold: a spoilt request echoes what the device took and is sent again; a write
// whose bytes no echo repeats is read back, sent once more, and when the device still holds
// another value the command fails naming both.
TEST_F(CtlTest, SetNeverPrintsAValueTheDeviceDoesNotHold) {
    constexpr std::uint8_t kMinus7_5 = 105, kMinus5_5 = 109;
    const struct {
        const char* what;
        std::vector<std::string> args;
        Corruption spoil;
        int exitCode;
        std::string out, err;
        std::size_t address;
        std::uint8_t held;
    } cases[] = {
        {"gain code spoilt on the way", {"out1.gain", "-7.5"}, ByteOnTheLine(W::Request, 1, 0, 11, kMinus5_5), 0,
         "out1.gain = -7.5 dB\n", "", 240 + pi::OutputGain(0), kMinus7_5},
        {"gain echo spoilt on the way back", {"out1.gain", "-7.5"}, ByteOnTheLine(W::Reply, 1, 0, 11, kMinus5_5), 0,
         "out1.gain = -7.5 dB\n", "", 240 + pi::OutputGain(0), kMinus7_5},
        {"memory write spoilt twice", {"device.delayunit", "m"}, ByteOnTheLine(W::Request, 21, 0, 7, 0, 2), 1, "",
         "set device.delayunit: the device holds ms, not m", ds::kDelayUnit, 0},
    };
    Start({Config("Middle", 1)});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dev(0).armCorruption(c.spoil);
        std::vector<std::string> args = {"set", "127.0.0.2"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CtlResult r = Run(args);
        dev(0).disarmFault();
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(r.out, c.out);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(dev(0).memory(static_cast<std::uint32_t>(c.address), 1)[0], c.held);
    }
}

// A man in the middle changes one byte of a memory read or of an identify reply: neither
// gives a file or an identity the device does not have.
TEST_F(CtlTest, DumpAndIdentifyNeverKeepAByteTheDeviceDoesNotHold) {
    Start({Config("Middle", 1)});
    const std::string path = folder.file("dump.prp");
    const struct {
        int after;
        std::size_t byte;
    } reads[] = {{0, 5}, {3, 10}, {4, 60}, {9, 40}, {17, 100}, {30, 150}};
    for (const auto& c : reads) {
        SCOPED_TRACE("read " + std::to_string(c.after) + " byte " + std::to_string(c.byte));
        dev(0).armCorruption(ByteOnTheLine(W::Reply, cmd::kReadMemory, c.after, c.byte, {}));
        const CtlResult r = Run({"dump", "127.0.0.2", path});
        dev(0).disarmFault();
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const ProjectReadResult file = ReadProjectFile(path);
        ASSERT_TRUE(file.status.ok && file.image.blocks[0]);
        EXPECT_EQ(DumpDiffers(*file.image.blocks[0], dev(0)), "");
        EXPECT_EQ(file.image.entries[0].uniqueId, "0A0B0C0D0E01");
    }
    for (const std::size_t byte : {std::size_t{2}, std::size_t{8}, std::size_t{20}}) {
        SCOPED_TRACE("identify byte " + std::to_string(byte));
        dev(0).armCorruption(ByteOnTheLine(W::Reply, cmd::kIdentify, 0, byte, {}));
        const CtlResult r = Run({"identify", "127.0.0.2"});
        dev(0).disarmFault();
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("name      Middle\nunique ID 0A0B0C0D0E01\n"), std::string::npos) << r.out;
    }
}

}  // namespace
}  // namespace zef::test
