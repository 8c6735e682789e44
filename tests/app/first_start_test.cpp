// The data folder: made with the sweep files and the example FIR files; an
// existing folder (the demo makes its own) gets what is missing; a user's own
// files are left alone.
#include "app/first_start.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "app/editor_options.h"
#include "file_bytes.h"
#include "measure/example_firs.h"
#include "temp_folder.h"

namespace zef {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FirstStartFiles(const fs::path& folder) {
    std::vector<fs::path> files = {folder / "TS/SW.wav", folder / "TS/ISW.wav"};
    for (const auto& fir : measure::ExampleFirs()) files.push_back(folder / "FIR" / fir.fileName);
    return files;
}

TEST(FirstStart, ANewFolderGetsTheSweepFilesAndExampleFirs) {
    test::TempFolder temp;
    const fs::path folder = temp.path() / "new" / "zef-editor";
    const auto opened = OpenDataFolder(folder.string());
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->problem, "");
    EXPECT_EQ(fs::path(opened->path), fs::absolute(folder));
    for (const fs::path& f : FirstStartFiles(folder)) {
        EXPECT_TRUE(fs::is_regular_file(f)) << f;
        EXPECT_GT(fs::file_size(f), 0u) << f;
    }
    for (const char* sub : {"Preset", "Project", "FIR", "IR_saved", "TS"})
        EXPECT_TRUE(fs::is_directory(folder / sub));
}

TEST(FirstStart, TheSharedFolderFollowsXdgDataHome) {
    test::TempFolder temp;
    const char* before = getenv("XDG_DATA_HOME");
    const std::string saved = before ? before : "";
    setenv("XDG_DATA_HOME", temp.path().c_str(), 1);
    const std::string folder = DefaultDataFolder();
    const auto opened = OpenDataFolder("");
    if (before)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(folder, (temp.path() / "zef-editor").string());
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->path, folder);
    EXPECT_TRUE(fs::is_regular_file(temp.path() / "zef-editor/TS/SW.wav"));
}

TEST(FirstStart, AnExistingFolderGetsWhatIsMissing) {
    test::TempFolder temp;  // exists already, as the demo's data folder does
    fs::create_directories(temp.path() / "FIR");
    std::ofstream(temp.path() / "FIR" / "mine.txt", std::ios::binary) << "1\r\n";
    const auto opened = OpenDataFolder(temp.path().string());
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->problem, "");
    for (const fs::path& f : FirstStartFiles(temp.path())) EXPECT_TRUE(fs::is_regular_file(f)) << f;
    EXPECT_EQ(test::ReadFileText(temp.path() / "FIR" / "mine.txt"), "1\r\n");
    // An example the user deleted comes back at the next start.
    const fs::path example = temp.path() / "FIR" / measure::ExampleFirs()[0].fileName;
    fs::remove(example);
    ASSERT_TRUE(OpenDataFolder(temp.path().string()));
    EXPECT_TRUE(fs::is_regular_file(example));
}

TEST(FirstStart, SeedingKeepsTheUsersOwnFiles) {
    test::TempFolder temp;
    ASSERT_TRUE(OpenDataFolder(temp.path().string()));
    const fs::path mine = temp.path() / "FIR" / measure::ExampleFirs()[0].fileName;
    std::ofstream(mine, std::ios::binary) << "0.5\r\n";
    EXPECT_EQ(SeedDataFolder(temp.path().string()), "");
    EXPECT_EQ(test::ReadFileText(mine), "0.5\r\n");
    for (const fs::path& f : FirstStartFiles(temp.path())) EXPECT_TRUE(fs::is_regular_file(f)) << f;
    // A second seeding changes nothing.
    const std::string sweep = test::ReadFileText(temp.path() / "TS/SW.wav");
    EXPECT_EQ(SeedDataFolder(temp.path().string()), "");
    EXPECT_EQ(test::ReadFileText(temp.path() / "TS/SW.wav"), sweep);
}

TEST(FirstStart, AFolderThatCannotTakeTheFilesIsReported) {
    test::TempFolder temp;
    ASSERT_TRUE(OpenDataFolder(temp.path().string()));
    fs::remove_all(temp.path() / "FIR");
    std::ofstream(temp.path() / "FIR") << "a file where the folder should be";
    const std::string problem = SeedDataFolder(temp.path().string());
    EXPECT_NE(problem.find("FIR"), std::string::npos) << problem;
}

}  // namespace
}  // namespace zef
