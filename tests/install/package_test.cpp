// The Debian package made by CPack from this build: runtime dependencies
// only, the programs and the udev rule in it, and the maintainer scripts.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "run_program.h"
#include "temp_folder.h"

namespace zef::test {
namespace {

namespace fs = std::filesystem;

class Package : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<TempFolder>();
        const ProgramRun dpkg = RunProgram("dpkg-deb", {"--version"});
        if (dpkg.exitCode != 0) return;
        pack_ = RunProgram(ZEF_CPACK,
                           {"-G", "DEB", "-B", folder_->path().string(), "--config",
                            std::string(ZEF_BINARY_DIR) + "/CPackConfig.cmake"},
                           300000, ZEF_BINARY_DIR);
        for (const auto& f : fs::directory_iterator(folder_->path()))
            if (f.path().extension() == ".deb") deb_ = f.path().string();
    }
    static void TearDownTestSuite() { folder_.reset(); }
    void SetUp() override {
        if (pack_.exitCode == -1 && pack_.err.empty()) GTEST_SKIP() << "dpkg-deb is not available";
        ASSERT_EQ(pack_.exitCode, 0) << pack_.out << pack_.err;
        ASSERT_FALSE(deb_.empty()) << pack_.out;
    }
    static std::string Field(const std::string& name) {
        const ProgramRun f = RunProgram("dpkg-deb", {"--field", deb_, name});
        EXPECT_EQ(f.exitCode, 0) << f.err;
        const std::vector<std::string> lines = Lines(f.out);
        return lines.empty() ? std::string() : lines[0];
    }

    static std::unique_ptr<TempFolder> folder_;
    static ProgramRun pack_;
    static std::string deb_;
};
std::unique_ptr<TempFolder> Package::folder_;
ProgramRun Package::pack_;
std::string Package::deb_;

// One test, so that one package is made at a time (CPack runs the build's
// install step in the build folder).
TEST_F(Package, DependsOnRuntimePackagesOnlyAndHoldsTheProgramsAndScripts) {
    const std::string depends = Field("Depends");
    // "a (>= 1), b | c" -> every package name.
    static const std::regex name(R"((^|[,|]\s*)([a-z0-9][a-z0-9+.\-]*))");
    std::vector<std::string> names;
    for (auto it = std::sregex_iterator(depends.begin(), depends.end(), name); it != std::sregex_iterator();
         ++it)
        names.push_back((*it)[2]);
    ASSERT_FALSE(names.empty()) << depends;
    for (const std::string& n : names) {
        EXPECT_FALSE(n.size() > 4 && n.compare(n.size() - 4, 4, "-dev") == 0) << n << " in " << depends;
        EXPECT_EQ(n.find("-dev-"), std::string::npos) << n;
    }
    // The libraries the programs link and the plugin the editor loads.
    for (const char* needed : {"libqt6core6", "libqt6widgets6", "libqt6serialport6", "libqt6httpserver6",
                               "libqt6websockets6", "libfftw3-double3", "libportaudio2", "libsndfile1",
                               "qt6-qpa-plugins"})
        EXPECT_NE(std::find(names.begin(), names.end(), needed), names.end())
            << needed << " not in " << depends;

    const ProgramRun contents = RunProgram("dpkg-deb", {"--contents", deb_});
    ASSERT_EQ(contents.exitCode, 0) << contents.err;
    for (const char* path : {"./usr/bin/zefedit", "./usr/bin/zefctl", "./usr/bin/zefsim", "./usr/bin/zefd",
                             "./usr/lib/systemd/system/zefd.service", "./usr/share/man/man1/zefd.1",
                             "./usr/lib/udev/rules.d/60-zef-editor.rules", "./usr/share/man/man1/zefctl.1",
                             "./usr/share/bash-completion/completions/zefctl"})
        EXPECT_NE(contents.out.find(std::string(path) + "\n"), std::string::npos) << path;
    EXPECT_EQ(contents.out.find("./usr/include"), std::string::npos);

    TempFolder control;
    ASSERT_EQ(RunProgram("dpkg-deb", {"--control", deb_, control.path().string()}).exitCode, 0);
    for (const char* script : {"postinst", "postrm"}) {
        const fs::path p = control.path() / script;
        ASSERT_TRUE(fs::exists(p)) << script;
        EXPECT_NE(fs::status(p).permissions() & fs::perms::owner_exec, fs::perms::none) << script;
        // The scripts are valid shell.
        EXPECT_EQ(RunProgram("sh", {"-n", p.string()}).exitCode, 0) << script;
    }
    // postinst tells how to get access to the USB serial port (run with a
    // PATH that has cat but no udevadm, so that it changes nothing here).
    TempFolder bin;
    fs::create_symlink("/bin/cat", bin.path() / "cat");
    const ProgramRun told = RunProgram("sh", {(control.path() / "postinst").string(), "configure"}, 30000, "",
                                       {"PATH=" + bin.path().string()});
    EXPECT_EQ(told.exitCode, 0);
    EXPECT_NE(told.err.find("adduser $USER dialout"), std::string::npos) << told.err;
}

}  // namespace
}  // namespace zef::test
