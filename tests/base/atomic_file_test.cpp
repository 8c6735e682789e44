// AtomicFile: the target is the old file or the whole new one, never a part,
// and no temporary is left beside it whatever happens.

#include "base/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/durable_file.h"
#include "file_bytes.h"
#include "temp_folder.h"

namespace zef {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicFile, CommitReplacesTheTargetWhole) {
    test::TempFolder folder;
    const std::string target = folder.file("a.prp");
    test::WriteFileBytes(target, {1, 2, 3});
    AtomicFile file(target);
    ASSERT_TRUE(file.Open());
    AtomicFile other(target);
    ASSERT_TRUE(other.Open());
    EXPECT_NE(file.temporaryPath(), other.temporaryPath());
    EXPECT_EQ(fs::path(file.temporaryPath()).parent_path(), folder.path());
    EXPECT_EQ(fs::path(file.temporaryPath()).filename().string().rfind(".a.prp.", 0), 0u);

    ASSERT_TRUE(file.Write(Bytes{9, 8}));
    ASSERT_TRUE(file.Write(Bytes(5000, 7)));
    EXPECT_EQ(test::ReadFileBytes(target), (Bytes{1, 2, 3}));  // untouched until Commit
    ASSERT_TRUE(file.Commit());
    Bytes expected = {9, 8};
    expected.insert(expected.end(), 5000, 7);
    EXPECT_EQ(test::ReadFileBytes(target), expected);
    EXPECT_EQ(
        fs::status(target).permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(file.fd(), -1);
    EXPECT_FALSE(file.Commit());  // once only
}

TEST(AtomicFile, WhatIsNotCommittedLeavesNoTrace) {
    test::TempFolder folder;
    const std::string target = folder.file("b.zef");
    test::WriteFileBytes(target, {1, 2, 3});
    {
        AtomicFile abandoned(target);
        ASSERT_TRUE(abandoned.Open());
        ASSERT_TRUE(abandoned.Write(Bytes(100, 0xEE)));
    }
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"b.zef"});
    EXPECT_EQ(test::ReadFileBytes(target), (Bytes{1, 2, 3}));

    // A write that fails spoils the commit.
    AtomicFile failing(target);
    ASSERT_TRUE(failing.Open());
    durable::Close(failing.fd());  // the disk goes away under the writer
    EXPECT_FALSE(failing.Write(Bytes{5}));
    EXPECT_FALSE(failing.Write(Bytes{6}));
    EXPECT_FALSE(failing.Commit());
    EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"b.zef"});
    EXPECT_EQ(test::ReadFileBytes(target), (Bytes{1, 2, 3}));
}

TEST(AtomicFile, TargetsThatNameNoFileAreRefused) {
    test::TempFolder folder;
    for (const std::string& target : {std::string(), folder.file("sub/"), folder.file("missing/c.cfg")}) {
        AtomicFile file(target);
        EXPECT_FALSE(file.Open()) << target;
        EXPECT_FALSE(file.Write(Bytes{1})) << target;
        EXPECT_FALSE(file.Commit()) << target;
    }
    AtomicFile unopened(folder.file("d.cfg"));
    EXPECT_FALSE(unopened.Commit());
    EXPECT_TRUE(Names(folder.path()).empty());
}

}  // namespace
}  // namespace zef
