// The interface lock holds for zefctl: a device locked in the editor's data
// folder is written to by no sub-command without its password, and read by
// all of them.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <filesystem>
#include <set>

#include "app/interface_lock.h"
#include "ctl_fixture.h"
#include "files/binary_io.h"
#include "files/preset_file.h"
#include "model/defaults.h"
#include "protocol/commands.h"

namespace zef::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class CtlLockTest : public CtlTest {
protected:
    CtlLockTest() {
        Start({Config("Locked Amp", 1)});
        dev(0).clearLog();
    }
    // The device locked in the editor with `password` (the program's own count of iterations).
    void Lock(const std::string& password) {
        PasswordStore store(EditorDataFolder(folder.path()));
        ASSERT_TRUE(store.Set(UidText(1), password));
        ASSERT_TRUE(store.SetLocked(UidText(1), true));
    }
    std::string PasswordFile(const std::string& text) {
        const std::string path = folder.file("password.txt");
        EXPECT_TRUE(WriteFileAtomic(path, Bytes(text.begin(), text.end())));
        return path;
    }
    // Frames that change the device: anything but identify, memory reads, the status poll and close.
    std::size_t Writes() {
        const std::set<std::uint8_t> reading = {cmd::kIdentify, cmd::kReadMemory, cmd::kStatusPoll, cmd::kClose};
        const auto frames = dev(0).frames();
        return static_cast<std::size_t>(
            std::count_if(frames.begin(), frames.end(), [&](const Bytes& f) { return reading.count(f.at(3)) == 0; }));
    }
    std::string Who() const { return "127.0.0.2:" + Port() + " (Locked Amp, " + UidText(1) + ")"; }
};

TEST_F(CtlLockTest, NoWritingSubCommandPassesTheLock) {
    Lock("open sesame");
    DeviceModel device;
    ResetToDefaults(device);
    const std::string zef = folder.file("p.zef");
    ASSERT_TRUE(SavePresetFile(zef, device));
    const std::string fir = folder.file("f.txt");
    ASSERT_TRUE(WriteFileAtomic(fir, Bytes{'0', '.', '5', '\n'}));
    const std::vector<std::vector<std::string>> writing = {
        {"set", "127.0.0.2", "out1.gain", "-3"},
        {"standby", "127.0.0.2", "off"},
        {"load", "127.0.0.2", zef},
        {"demo", "127.0.0.2", "main"},
        {"preset", "store", "127.0.0.2", "1", "Show"},
        {"preset", "recall", "127.0.0.2", "1", "--yes"},
        {"fir", "import", "127.0.0.2", "1", fir},
        {"net", "127.0.0.2", "lan", "mode=dhcp", "--yes"},
    };
    for (const auto& args : writing) {
        SCOPED_TRACE(args[0]);
        const CtlResult r = Run(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "zefctl: " + Who() + " is locked in the editor: give its password with --password-file FILE\n");
    }
    EXPECT_EQ(Writes(), 0u);
    // Reading stays open.
    const std::string prp = folder.file("d.prp");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"get", "127.0.0.2", "out1.gain"}, {"dump", "127.0.0.2", prp},
          {"preset", "save", "127.0.0.2", folder.file("s.zef")}, {"response", "127.0.0.2", "out1"}}) {
        EXPECT_EQ(Run(args).exitCode, 0) << args[0];
    }
    EXPECT_EQ(Writes(), 0u);
}

TEST_F(CtlLockTest, ThePasswordFileOpensTheLock) {
    Lock("open sesame");
    const CtlResult wrong = Run({"--password-file", PasswordFile("open says me\n"), "set", "127.0.0.2", "out1.gain", "-3"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(wrong.err, "zefctl: " + Who() + " is locked in the editor: wrong password\n");
    EXPECT_EQ(Writes(), 0u);
    const CtlResult missing = Run({"--password-file", folder.file("none.txt"), "set", "127.0.0.2", "out1.gain", "-3"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "zefctl: --password-file " + folder.file("none.txt") + ": no such file\n");

    const CtlResult right = Run({"--password-file", PasswordFile("open sesame\r\n"), "set", "127.0.0.2", "out1.gain", "-3"});
    EXPECT_EQ(right.exitCode, 0) << right.err;
    EXPECT_EQ(right.out, "out1.gain = -3 dB\n");
    EXPECT_EQ(FramesWithCode(0, 1).size(), 1u);
    // Unlocked in the editor, no password is asked for.
    PasswordStore store(EditorDataFolder(folder.path()));
    ASSERT_TRUE(store.SetLocked(UidText(1), false));
    EXPECT_EQ(Run({"set", "127.0.0.2", "out1.gain", "-4"}).exitCode, 0);
}

// At a terminal (script(1) gives zefctl one) the password is asked for, and
// what is typed is not echoed.
TEST_F(CtlLockTest, AtATerminalThePasswordIsAskedForWithoutEcho) {
    if (!std::filesystem::exists("/usr/bin/script")) GTEST_SKIP() << "no script(1) to give zefctl a terminal";
    Lock("open sesame");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(DataHome(folder.path())));
    p.setProcessEnvironment(env);
    const std::string command = std::string(ZEFCTL_PATH) + " --config " + folder.path().string() + " --port " +
                                Port() + " set 127.0.0.2 out1.gain -3";
    p.start("/usr/bin/script", {"-qec", QString::fromStdString(command), "/dev/null"});
    QByteArray seen;
    for (int i = 0; i < 100 && !seen.contains("Password of "); ++i)
        if (p.waitForReadyRead(100)) seen += p.readAll();
    ASSERT_TRUE(seen.contains(QByteArray::fromStdString("Password of " + Who() + ": "))) << seen.toStdString();
    p.write("open sesame\n");
    ASSERT_TRUE(p.waitForFinished(30000));
    seen += p.readAll();
    EXPECT_EQ(p.exitCode(), 0) << seen.toStdString();
    EXPECT_TRUE(seen.contains("out1.gain = -3 dB")) << seen.toStdString();
    EXPECT_FALSE(seen.contains("open sesame")) << "echoed";
    EXPECT_EQ(FramesWithCode(0, 1).size(), 1u);
}

TEST_F(CtlLockTest, AKeyWithTooFewIterationsOpensNothing) {
    // A line as an earlier version kept it, with its 20000 iterations, marked locked.
    const std::string line = UidText(1) + " 00112233445566778899aabbccddeeff 20000 " + std::string(64, '0') + " 1\n";
    ASSERT_TRUE(WriteFileAtomic((std::filesystem::path(EditorDataFolder(folder.path())) / kLockFileName).string(),
                                Bytes(line.begin(), line.end())));
    const CtlResult r = Run({"--password-file", PasswordFile("anything"), "set", "127.0.0.2", "out1.gain", "-3"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "zefctl: " + Who() + " is locked in the editor. " + PasswordStore(EditorDataFolder(folder.path())).problem(UidText(1)) + "\n");
    EXPECT_EQ(Writes(), 0u);
}

}  // namespace
}  // namespace zef::test
