// zefctl under link faults: one bad identify is retried and an identity that
// was never verified stops it, an illegal project is refused before any byte
// is sent, a lost reply is recovered with "reconnecting…" on stderr, and the
// deadline bounds a call.

#include <gtest/gtest.h>

#include "ctl_fixture.h"
#include "files/binary_io.h"
#include "files/project_file.h"
#include "model/memory_map.h"
#include "protocol/commands.h"

namespace zef::test {
namespace {

using Fault = zefsim::Device::ArmedFault;

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

}  // namespace
}  // namespace zef::test
