// Every reader of the program's files opens regular files only, never waits
// on a FIFO, and reads no more than the file holds.
#include "base/input_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "fifo.h"
#include "files/binary_io.h"
#include "files/fir_import.h"
#include "files/init_config.h"
#include "files/irw_file.h"
#include "files/preset_file.h"
#include "files/project_file.h"
#include "files/sfu_file.h"
#include "files/wiz_file.h"
#include "temp_folder.h"

namespace zef {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(InputFile, RefusesAnythingButARegularFileOfItsSize) {
    test::TempFolder dir;
    test::Fifo fifo(dir.file("pipe.bin"));
    ASSERT_TRUE(WriteFileAtomic(dir.file("eleven.bin"), Bytes(11, 7)));
    const struct {
        std::string path;
        std::size_t maxBytes;
        FileReadError error;
        const char* problem;
    } cases[] = {
        {dir.file("nothing.bin"), 10, FileReadError::NotFound, "no such file"},
        {dir.path().string(), 10, FileReadError::NotRegular, "is a directory, not a file"},
        {fifo.path(), 10, FileReadError::NotRegular, "is a FIFO, not a regular file"},
        {"/dev/null", 10, FileReadError::NotRegular, "is a device, not a regular file"},
        {dir.file("eleven.bin"), 10, FileReadError::TooLarge, "is too large (11 bytes; at most 10)"},
        {dir.file("eleven.bin"), 11, FileReadError::None, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        FileBytes read;
        ASSERT_TRUE(fifo.Returns([&] { read = ReadWholeFile(c.path, c.maxBytes); }));
        EXPECT_EQ(read.error, c.error);
        EXPECT_EQ(read.problem, c.problem);
        EXPECT_EQ(read.bytes, c.error == FileReadError::None ? Bytes(11, 7) : Bytes{});
    }
}

TEST(InputFile, ReadsStopAtTheSizeTakenWhenOpened) {
    test::TempFolder dir;
    const std::string path = dir.file("five.bin");
    ASSERT_TRUE(WriteFileAtomic(path, Bytes{1, 2, 3, 4, 5}));
    InputFile file(path, 100);
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(file.size(), 5u);
    Bytes buffer(64, 0);
    file.Seek(3);
    EXPECT_EQ(file.Read(buffer), 2u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 2), (Bytes{4, 5}));
    EXPECT_EQ(file.Read(buffer), 0u);
    file.Seek(1000);  // clamped to the end
    EXPECT_EQ(file.position(), 5u);
    ASSERT_TRUE(WriteFileAtomic(path, Bytes(50, 9)));  // replaced after the open: the old file is read
    file.Seek(0);
    EXPECT_EQ(file.Read(buffer), 5u);
    EXPECT_EQ(buffer[0], 1);
}

// A FIFO under each reader's file name: each refuses it at once and says so
// (init.cfg, which has no message, is read as missing: every field zero).
TEST(InputFile, NoReaderWaitsOnAFifo) {
    test::TempFolder dir;
    const auto initConfig = [&dir](const std::string&) {
        return ReadInitConfig(dir.path().string()) == InitConfig{} ? std::string() : "fields read";
    };
    const struct {
        const char* name;
        std::function<std::string(const std::string&)> read;  // the problem it reports
        const char* problem;
    } readers[] = {
        {"a.zef", [](const std::string& p) { return LoadPresetFile(p).problem; }, "is a FIFO"},
        {"a.prp", [](const std::string& p) { return ReadProjectFile(p).status.problem; }, "is a FIFO"},
        {"a.txt", [](const std::string& p) { return fir::ImportFirFile(p, false).problem; }, "is a FIFO"},
        {"a.irw", [](const std::string& p) { return ReadIrwFile(p).error; }, "is a FIFO"},
        {"a.wiz", [](const std::string& p) { return ReadWizFile(p).error; }, "is a FIFO"},
        {"a.sfu", [](const std::string& p) { return ReadSfuFile(p).problem; }, "is a FIFO"},
        {"init.cfg", initConfig, ""},
    };
    for (const auto& r : readers) {
        SCOPED_TRACE(r.name);
        test::Fifo fifo(dir.file(r.name));
        std::string problem = "not read";
        EXPECT_TRUE(fifo.Returns([&] { problem = r.read(fifo.path()); }));
        if (*r.problem == '\0') {
            EXPECT_EQ(problem, "");
        } else {
            EXPECT_NE(problem.find(r.problem), std::string::npos) << problem;
        }
    }
}

}  // namespace
}  // namespace zef
