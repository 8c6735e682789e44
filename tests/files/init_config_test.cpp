// init.cfg: exact bytes, and every short, missing or odd file read cleanly.

#include "files/init_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "file_bytes.h"
#include "temp_folder.h"

namespace zef::test {
namespace {

InitConfig Sample() {
    InitConfig c;
    c.serialPortNumber = 12;
    c.rangeStart = {192, 168, 0, 1};
    c.rangeEnd = {192, 168, 0, 254};
    return c;
}

const std::vector<std::uint8_t> kSampleBytes{12,  0, 0, 0, 0, 0, 0,   0, 0,   0, 0, 0, 192, 0,
                                             168, 0, 0, 0, 1, 0, 192, 0, 168, 0, 0, 0, 254, 0};

TEST(InitConfig, WritesTheExactBlockAndReadsItBack) {
    TempFolder folder;
    ASSERT_TRUE(WriteInitConfig(folder.path().string(), Sample()));
    EXPECT_EQ(ReadFileBytes(folder.file("init.cfg")), kSampleBytes);
    EXPECT_EQ(ReadInitConfig(folder.path().string()), Sample());
    // Negative values survive as two's complement.
    InitConfig negative;
    negative.serialPortNumber = -2;
    negative.rangeEnd[3] = -300;
    const auto encoded = EncodeInitConfig(negative);
    EXPECT_EQ(encoded[0], 0xFE);
    EXPECT_EQ(encoded[1], 0xFF);
    EXPECT_EQ(DecodeInitConfig({encoded.begin(), encoded.end()}), negative);
}

TEST(InitConfig, ATruncatedFileGivesZeroForEveryIncompleteField) {
    TempFolder folder;
    const InitConfig full = Sample();
    for (std::size_t length = 0; length <= kInitConfigSize; ++length) {
        SCOPED_TRACE(length);
        WriteFileBytes(folder.file("init.cfg"), {kSampleBytes.begin(), kSampleBytes.begin() + length});
        const InitConfig c = ReadInitConfig(folder.path().string());
        EXPECT_EQ(c.serialPortNumber, length >= 2 ? full.serialPortNumber : 0);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(c.rangeStart[i], length >= 14 + 2 * i ? full.rangeStart[i] : 0) << "start " << i;
            EXPECT_EQ(c.rangeEnd[i], length >= 22 + 2 * i ? full.rangeEnd[i] : 0) << "end " << i;
        }
    }
}

TEST(InitConfig, MissingLongAndRandomFilesReadCleanly) {
    TempFolder folder;
    EXPECT_EQ(ReadInitConfig(folder.path().string()), InitConfig{});
    EXPECT_EQ(ReadInitConfig(folder.file("no-such-folder")), InitConfig{});
    std::filesystem::create_directory(folder.file("init.cfg"));
    EXPECT_EQ(ReadInitConfig(folder.path().string()), InitConfig{}) << "a folder named init.cfg";
    std::filesystem::remove(folder.file("init.cfg"));

    std::vector<std::uint8_t> longer = kSampleBytes;
    longer.insert(longer.end(), 100, 0xAB);
    WriteFileBytes(folder.file("init.cfg"), longer);
    EXPECT_EQ(ReadInitConfig(folder.path().string()), Sample());

    std::mt19937 random(7);
    for (int i = 0; i < 50; ++i) {
        std::vector<std::uint8_t> noise(random() % 40);
        for (auto& b : noise) b = static_cast<std::uint8_t>(random());
        WriteFileBytes(folder.file("init.cfg"), noise);
        const InitConfig c = ReadInitConfig(folder.path().string());
        EXPECT_EQ(c, DecodeInitConfig(noise));
        const auto again = EncodeInitConfig(c);
        EXPECT_EQ(DecodeInitConfig({again.begin(), again.end()}), c);
    }
}

TEST(InitConfig, RewriteReplacesTheFileAndLeavesNoTemporary) {
    TempFolder folder;
    WriteFileBytes(folder.file("init.cfg"), std::vector<std::uint8_t>(60, 0x55));
    ASSERT_TRUE(WriteInitConfig(folder.path().string(), Sample()));
    EXPECT_EQ(std::filesystem::file_size(folder.file("init.cfg")), kInitConfigSize);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder.path())) ++files;
    EXPECT_EQ(files, 1u);
    EXPECT_FALSE(WriteInitConfig(folder.file("no-such-folder"), Sample()));
}

}  // namespace
}  // namespace zef::test
