// Firmware files (.sfu) byte by byte: the header, the checksums, damaged
// and truncated files, and the file on disk.

#include "files/sfu_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "test_image.h"

namespace zef {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::TempFolder;
using test::TestImage;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

void PutLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Recomputes the header CRC after a deliberate header change.
void ResealHeader(Bytes& b) { PutLe32(b, 28, Crc32(std::span(b).first(28))); }

TEST(SfuFile, HeaderBytesAreLaidOutLittleEndianWithBothChecksums) {
    const Bytes file = BuildSfu({kModelCodeZef4260, 2, 3, 4, 0, 0}, Text("ABC"));
    ASSERT_EQ(file.size(), kSfuHeaderSize + 3);
    const Bytes head(file.begin(), file.begin() + 28);
    const Bytes expected = {'Z', 'S', 'F',  'U',  0x01, 0x00, 0xA4, 0x10, 2, 3, 4, 0, 3, 0,
                            0,   0,   0x48, 0x03, 0x83, 0xA3, 0,    0,    0, 0, 0, 0, 0, 0};
    EXPECT_EQ(head, expected);
    const std::uint32_t headerCrc = Crc32(head);
    EXPECT_EQ(
        Bytes(file.begin() + 28, file.begin() + 32),
        (Bytes{static_cast<std::uint8_t>(headerCrc), static_cast<std::uint8_t>(headerCrc >> 8),
               static_cast<std::uint8_t>(headerCrc >> 16), static_cast<std::uint8_t>(headerCrc >> 24)}));
    EXPECT_EQ(Bytes(file.begin() + 32, file.end()), Text("ABC"));
}

TEST(SfuFile, RoundTripKeepsHeaderAndImage) {
    for (std::size_t size :
         {std::size_t{1}, std::size_t{1024}, std::size_t{1025}, std::size_t{kSfuMaxImage}}) {
        SCOPED_TRACE(size);
        const Bytes image = TestImage(size, static_cast<std::uint32_t>(size));
        const SfuHeader h{4261, 9, 8, 7, 0, 0};
        const SfuParse parsed = ParseSfu(BuildSfu(h, image));
        ASSERT_EQ(parsed.error, SfuError::None);
        ASSERT_TRUE(parsed.file);
        EXPECT_EQ(parsed.file->header,
                  (SfuHeader{4261, 9, 8, 7, static_cast<std::uint32_t>(size), Crc32(image)}));
        EXPECT_EQ(parsed.file->image, image);
    }
}

TEST(SfuFile, DamagedFilesAreRefusedWithTheirReason) {
    const Bytes good = BuildSfu({}, TestImage(300, 7));
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        SfuError error;
    };
    const std::vector<Case> cases = {
        {"empty", [](Bytes& b) { b.clear(); }, SfuError::TooShort},
        {"header cut", [](Bytes& b) { b.resize(31); }, SfuError::TooShort},
        {"magic", [](Bytes& b) { b[3] = 'V'; }, SfuError::BadMagic},
        {"format 2",
         [](Bytes& b) {
             b[4] = 2;
             ResealHeader(b);
         },
         SfuError::BadVersion},
        {"model byte flipped", [](Bytes& b) { b[6] ^= 1; }, SfuError::HeaderChecksum},
        {"version byte flipped", [](Bytes& b) { b[9] ^= 0x80; }, SfuError::HeaderChecksum},
        {"header crc flipped", [](Bytes& b) { b[31] ^= 0x10; }, SfuError::HeaderChecksum},
        {"length 0",
         [](Bytes& b) {
             PutLe32(b, 12, 0);
             ResealHeader(b);
         },
         SfuError::BadLength},
        {"length above 1 MiB",
         [](Bytes& b) {
             PutLe32(b, 12, kSfuMaxImage + 1);
             ResealHeader(b);
         },
         SfuError::BadLength},
        {"last byte missing", [](Bytes& b) { b.pop_back(); }, SfuError::Truncated},
        {"length one more",
         [](Bytes& b) {
             PutLe32(b, 12, 301);
             ResealHeader(b);
         },
         SfuError::Truncated},
        {"one byte more", [](Bytes& b) { b.push_back(0); }, SfuError::TrailingBytes},
        {"image byte flipped", [](Bytes& b) { b[200] ^= 0x04; }, SfuError::ImageChecksum},
        {"image crc flipped",
         [](Bytes& b) {
             b[16] ^= 1;
             ResealHeader(b);
         },
         SfuError::ImageChecksum},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes b = good;
        c.damage(b);
        const SfuParse parsed = ParseSfu(b);
        EXPECT_EQ(parsed.error, c.error);
        EXPECT_FALSE(parsed.file);
        EXPECT_FALSE(SfuErrorText(c.error).empty());
    }
}

TEST(SfuFile, EveryTruncationAndRandomBytesAreRefused) {
    const Bytes good = BuildSfu({}, TestImage(100, 3));
    for (std::size_t n = 0; n < good.size(); ++n) {
        const SfuParse parsed = ParseSfu(std::span(good).first(n));
        EXPECT_NE(parsed.error, SfuError::None) << n;
        EXPECT_FALSE(parsed.file) << n;
    }
    std::mt19937 random(11);
    for (int i = 0; i < 3000; ++i) {
        Bytes b = TestImage(random() % 200, static_cast<std::uint32_t>(i));
        if (i % 2 == 0 && b.size() >= 6) {  // past the magic and version, into the checksums
            std::copy(good.begin(), good.begin() + 6, b.begin());
        }
        EXPECT_NE(ParseSfu(b).error, SfuError::None) << i;
    }
}

TEST(SfuFile, FilesOnDiskAreWrittenWholeAndCheckedBeforeTheyAreRead) {
    TempFolder folder;
    const Bytes file = BuildSfu({kModelCodeZef4260, 3, 0, 1, 0, 0}, TestImage(2000, 5));
    const std::string path = folder.file("fw.sfu");
    ASSERT_TRUE(WriteFileAtomically(path, file));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    const SfuParse read = ReadSfuFile(path);
    ASSERT_EQ(read.error, SfuError::None);
    EXPECT_EQ(read.file->header.minor, 0);
    EXPECT_EQ(read.file->header.patch, 1);

    EXPECT_EQ(ReadSfuFile(folder.file("missing.sfu")).error, SfuError::Unreadable);
    EXPECT_FALSE(WriteFileAtomically(folder.file("no/such/folder/x.sfu"), file));
    const std::string huge = folder.file("huge.sfu");
    {
        std::ofstream out(huge, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), 32);
    }
    std::filesystem::resize_file(huge, kSfuHeaderSize + kSfuMaxImage + 1);
    EXPECT_EQ(ReadSfuFile(huge).error, SfuError::TrailingBytes);
}

}  // namespace
}  // namespace zef
