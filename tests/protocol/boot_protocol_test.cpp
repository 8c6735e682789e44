// The boot loader's wire format and the CRC-32 that seals it, byte by byte.

#include "protocol/boot_protocol.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "protocol/firmware_image.h"

namespace zef {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

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

}  // namespace
}  // namespace zef
