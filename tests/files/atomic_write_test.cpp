// Two writers of one file at once: each temporary is their own, so the file
// is always one complete version and nothing is left beside it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "file_bytes.h"
#include "files/binary_io.h"
#include "files/sfu_file.h"
#include "temp_folder.h"

namespace zef {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(AtomicWrite, ConcurrentWritersNeverMixTheirBytes) {
    test::TempFolder dir;
    const std::string path = dir.file("shared.prp");
    const Bytes a(64 * 1024, 0xAA);
    const Bytes b(48 * 1024, 0xBB);
    // A temporary of the old fixed name, as a crash could have left it, is not ours to use.
    std::ofstream(path + ".tmp~") << "stale";
    int failures = 0;
    std::thread other([&] {
        for (int i = 0; i < 40; ++i) failures += WriteFileAtomic(path, b) ? 0 : 1;
    });
    for (int i = 0; i < 40; ++i) {
        failures += WriteFileAtomic(path, a) ? 0 : 1;
        const Bytes now = test::ReadFileBytes(path);
        EXPECT_TRUE(now == a || now == b) << "a torn file of " << now.size() << " bytes";
    }
    other.join();
    EXPECT_EQ(failures, 0);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"shared.prp", "shared.prp.tmp~"}));
}

TEST(AtomicWrite, FirmwareFilesUseTheSameWriter) {
    test::TempFolder dir;
    const std::string path = dir.file("fw.sfu");
    const Bytes image(300, 0x5A);
    ASSERT_TRUE(WriteFileAtomically(path, BuildSfu({kModelCodeZef4260, 3, 1, 0, 0, 0}, image)));
    const SfuParse parsed = ReadSfuFile(path);
    ASSERT_TRUE(parsed.file.has_value());
    EXPECT_EQ(parsed.file->image, image);
    const auto perms = std::filesystem::status(path).permissions();
    EXPECT_NE(perms & std::filesystem::perms::others_read, std::filesystem::perms::none);
}

}  // namespace
}  // namespace zef
