// The file-system steps under the atomic writer, where they can fail on their own.

#include "base/durable_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "descriptor_flags.h"
#include "file_bytes.h"
#include "temp_folder.h"

namespace zef::durable {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

TEST(DurableFile, EachStepReportsWhatTheSystemRefused) {
    test::TempFolder folder;
    const fs::path target = folder.file("a.zef");
    test::WriteFileBytes(target.string(), {1, 2, 3});

    // A temporary in a folder that does not exist is refused, and nothing is made.
    fs::path temp;
    EXPECT_EQ(CreateTemporary(folder.path() / "missing" / "a.zef", 0644, temp), -1);
    EXPECT_FALSE(SyncFolder(folder.path() / "missing"));
    // Renaming a temporary that is gone fails and leaves the target alone.
    EXPECT_FALSE(Replace(folder.path() / ".a.zef.gone", target));
    EXPECT_EQ(test::ReadFileBytes(target.string()), (Bytes{1, 2, 3}));

    const int fd = CreateTemporary(target, 0600, temp);
    ASSERT_GE(fd, 0);
#ifndef _WIN32
    EXPECT_TRUE(test::ClosedOnExec(fd)) << "a child process does not inherit the temporary";
#endif
    EXPECT_TRUE(WriteAll(fd, Bytes{4, 5}));
    EXPECT_TRUE(SyncAndClose(fd));
    EXPECT_TRUE(Replace(temp, target));
    EXPECT_TRUE(SyncFolder(folder.path()));
    EXPECT_EQ(test::ReadFileBytes(target.string()), (Bytes{4, 5}));
    EXPECT_FALSE(fs::exists(temp));
}

}  // namespace
}  // namespace zef::durable
