// Every program answers --version with the source tree's `git describe`
// (the project version outside a git checkout), baked in at build time, and
// --help without a display or a device.
#include <gtest/gtest.h>

#include "run_program.h"

namespace zef::test {
namespace {

struct ProgramCase {
    const char* name;
    const char* path;
};
const ProgramCase kPrograms[] = {{"zefedit", ZEFEDIT_PATH}, {"zefctl", ZEFCTL_PATH}, {"zefsim", ZEFSIM_PATH}};

// What the build's version should be now.
std::string ExpectedVersion() {
    const ProgramRun git = RunProgram("git", {"describe", "--always", "--dirty"}, 30000, ZEF_SOURCE_DIR);
    const std::vector<std::string> lines = Lines(git.out);
    if (git.exitCode != 0 || lines.empty() || lines[0].empty()) return ZEF_PROJECT_VERSION;
    return lines[0];
}

TEST(Version, EveryProgramPrintsTheBuildsDescribeString) {
    const std::string expected = ExpectedVersion();
    for (const ProgramCase& p : kPrograms) {
        const ProgramRun run = RunProgram(p.path, {"--version"}, 30000, "", {"DISPLAY=", "WAYLAND_DISPLAY="});
        EXPECT_EQ(run.exitCode, 0) << p.name << ": " << run.err;
        EXPECT_EQ(run.out, std::string(p.name) + " " + expected + "\n")
            << p.name << " (a stale build prints an older describe string)";
    }
}

TEST(Version, EveryProgramHelpsWithoutADisplayAndNamesVersion) {
    for (const ProgramCase& p : kPrograms) {
        const ProgramRun run = RunProgram(p.path, {"--help"}, 30000, "", {"DISPLAY=", "WAYLAND_DISPLAY="});
        EXPECT_EQ(run.exitCode, 0) << p.name << ": " << run.err;
        EXPECT_NE(run.out.find("usage: " + std::string(p.name)), std::string::npos) << p.name;
        EXPECT_NE(run.out.find("--version"), std::string::npos) << p.name;
    }
}

}  // namespace
}  // namespace zef::test
