// Firmware files, the boot-loader wire format and port names, byte by byte.

#include "files/sfu_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "fw_fixture.h"
#include "protocol/boot_protocol.h"

namespace zef::fwtest {

namespace {

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

void PutLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Recomputes the header CRC after a deliberate header change.
void ResealHeader(Bytes& b) { PutLe32(b, 28, Crc32(std::span(b).first(28))); }

TEST(Crc32, KnownValuesAndContinuation) {
    struct Case {
        std::string text;
        std::uint32_t crc;
    };
    for (const Case& c :
         {Case{"", 0}, Case{"a", 0xE8B7BE43}, Case{"ABC", 0xA3830348}, Case{"123456789", 0xCBF43926}}) {
        SCOPED_TRACE(c.text);
        const Bytes b = Text(c.text);
        EXPECT_EQ(Crc32(b), c.crc);
        for (std::size_t split = 0; split <= b.size(); ++split)
            EXPECT_EQ(Crc32Update(Crc32Update(0, std::span(b).first(split)), std::span(b).subspan(split)),
                      c.crc);
    }
}

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

TEST(BootWire, EnterFrameAndItsEchoes) {
    const Bytes enter = boot::EnterFrame();
    EXPECT_EQ(enter, (Bytes{0xF0, 0x21, 0x00, 0x5A, 'B', 'O', 'O', 'T', 0, 0, 0, 0, 0xF7}));
    struct Case {
        const char* name;
        Bytes reply;
        boot::EnterAnswer answer;
    };
    const std::vector<Case> cases = {
        {"echo", {0xF0, 0x21, 0x91, 0x5A, 'B', 'O', 'O', 'T', 0, 0, 0, 0, 0xF7}, boot::EnterAnswer::Accepted},
        {"refused", {0xF0, 0x21, 0x11, 0x5A, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7}, boot::EnterAnswer::Refused},
        {"other command",
         {0xF0, 0x21, 0x11, 0x16, 'B', 'O', 'O', 'T', 0, 0, 0, 0, 0xF7},
         boot::EnterAnswer::NotAnEcho},
        {"no end",
         {0xF0, 0x21, 0x11, 0x5A, 'B', 'O', 'O', 'T', 0, 0, 0, 0, 0x00},
         boot::EnterAnswer::NotAnEcho},
        {"short", {0xF0, 0x21, 0x11, 0x5A}, boot::EnterAnswer::NotAnEcho},
    };
    for (const Case& c : cases) EXPECT_EQ(boot::ParseEnterReply(c.reply), c.answer) << c.name;
}

TEST(BootWire, RequestsCarryLengthPayloadAndBigEndianCrc) {
    EXPECT_EQ(boot::Request(boot::kHello, {}), (Bytes{0xA5, 0x01, 0x00, 0x00, 0xFE, 0x83, 0xB3, 0x25}));

    const Bytes write = boot::WriteRequest(0x00010400, Bytes{0xAA, 0xBB});
    const Bytes body = {0x03, 0x00, 0x06, 0x00, 0x01, 0x04, 0x00, 0xAA, 0xBB};
    ASSERT_EQ(write.size(), 1 + body.size() + 4);
    EXPECT_EQ(write[0], 0xA5);
    EXPECT_EQ(Bytes(write.begin() + 1, write.end() - 4), body);
    const std::uint32_t crc = Crc32(body);
    EXPECT_EQ(Bytes(write.end() - 4, write.end()),
              (Bytes{static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
                     static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)}));

    const Bytes erase = boot::EraseRequest({4260, 3, 1, 2, 0x00012345, 0xCAFEF00D});
    EXPECT_EQ(Bytes(erase.begin(), erase.begin() + 18),
              (Bytes{0xA5, 0x02, 0x00, 0x0E, 0x10, 0xA4, 3, 1, 2, 0, 0x00, 0x01, 0x23, 0x45, 0xCA, 0xFE, 0xF0,
                     0x0D}));
}

TEST(BootWire, RepliesAreTakenOnlyWhenIntact) {
    Bytes good = {0x5A, 0x03, 0x00, 0x00, 0x00, 0x08, 0x00};
    const std::uint32_t crc = Crc32(std::span(good).subspan(1));
    for (int shift = 24; shift >= 0; shift -= 8) good.push_back(static_cast<std::uint8_t>(crc >> shift));
    const auto reply = boot::ParseReply(good);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->command, boot::kWrite);
    EXPECT_EQ(reply->status, boot::kOk);
    EXPECT_EQ(reply->value, 0x0800u);
    for (std::size_t i = 0; i < good.size(); ++i) {
        Bytes bad = good;
        bad[i] ^= 0x01;
        EXPECT_FALSE(boot::ParseReply(bad)) << "byte " << i;
    }
    EXPECT_FALSE(boot::ParseReply(std::span(good).first(10)));
}

TEST(FwLoaderPort, OnlyComOneToSixtyFourNamesAPort) {
    struct Case {
        const char* name;
        std::optional<int> number;
    };
    for (const Case& c : {Case{"COM1", 1}, Case{"COM64", 64}, Case{"COM9", 9}, Case{"COM65", std::nullopt},
                          Case{"COM0", std::nullopt}, Case{"COM01", std::nullopt}, Case{"com1", std::nullopt},
                          Case{"COM", std::nullopt}, Case{"COM1x", std::nullopt}, Case{"COM-1", std::nullopt},
                          Case{"/dev/ttyUSB0", std::nullopt}})
        EXPECT_EQ(SerialFwLoader::PortNumber(c.name), c.number) << c.name;
}

}  // namespace
}  // namespace zef::fwtest
