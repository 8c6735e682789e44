// Windows-1252 <-> UTF-8: the 32 codes 80..9F one by one, the undefined and
// control codes, the Latin-1 half, round trips, and text that cannot be
// stored or is no UTF-8 at all.

#include "base/cp1252.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zef {
namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

// 80..9F as Windows-1252 defines them; nullptr for the five undefined codes.
constexpr const char* kHighCodes[32] = {
    "\u20AC", nullptr,  "\u201A", "\u0192", "\u201E", "\u2026", "\u2020", "\u2021",
    "\u02C6", "\u2030", "\u0160", "\u2039", "\u0152", nullptr,  "\u017D", nullptr,
    nullptr,  "\u2018", "\u2019", "\u201C", "\u201D", "\u2022", "\u2013", "\u2014",
    "\u02DC", "\u2122", "\u0161", "\u203A", "\u0153", nullptr,  "\u017E", "\u0178",
};

TEST(Cp1252, EveryCodeFrom80To9F) {
    for (int b = 0x80; b <= 0x9F; ++b) {
        SCOPED_TRACE(b);
        const char* utf8 = kHighCodes[b - 0x80];
        if (utf8 == nullptr) {
            EXPECT_EQ(Cp1252ToUtf8(Byte(b)), kReplacement);
            continue;
        }
        EXPECT_EQ(Cp1252ToUtf8(Byte(b)), utf8);
        EXPECT_EQ(Utf8ToCp1252(utf8), Byte(b));
    }
}

TEST(Cp1252, Latin1HalfIsItsOwnCodePoint) {
    const struct {
        int byte;
        const char* utf8;
    } cases[] = {{0xA0, "\u00A0"}, {0xA9, "\u00A9"}, {0xC4, "\u00C4"}, {0xDF, "\u00DF"},
                 {0xE9, "\u00E9"}, {0xFC, "\u00FC"}, {0xFF, "\u00FF"}};
    for (const auto& c : cases) {
        EXPECT_EQ(Cp1252ToUtf8(Byte(c.byte)), c.utf8) << c.byte;
        EXPECT_EQ(Utf8ToCp1252(c.utf8), Byte(c.byte)) << c.byte;
    }
}

TEST(Cp1252, UndefinedAndControlCodesReadAsTheReplacementCharacter) {
    for (const int b : {0x01, 0x09, 0x0A, 0x0D, 0x1B, 0x1F, 0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(Cp1252ToUtf8(Byte(b)), kReplacement) << b;
    EXPECT_EQ(Cp1252ToUtf8(std::string("A\0B", 3)), std::string("A\0B", 3));
    EXPECT_EQ(Cp1252ToUtf8("x\x81y\x9Dz"), std::string("x") + kReplacement + "y" + kReplacement + "z");
    // Nothing in Windows-1252 stands for the replacement character, so what
    // was unreadable cannot be written back as something else.
    EXPECT_EQ(Utf8ToCp1252(kReplacement), std::nullopt);
}

TEST(Cp1252, EveryPrintableByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (b == 0x7F || (b >= 0x80 && b <= 0x9F && kHighCodes[b - 0x80] == nullptr)) continue;
        all += Byte(b);
        EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(Byte(b))), Byte(b)) << b;
    }
    const std::optional<std::string> back = Utf8ToCp1252(Cp1252ToUtf8(all));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, all);
    EXPECT_EQ(Utf8ToCp1252(""), std::string());
    EXPECT_EQ(Cp1252ToUtf8(""), "");
}

TEST(Cp1252, TextThatCannotBeStoredIsRefusedWhole) {
    const struct {
        const char* what;
        std::string utf8;
    } cases[] = {
        {"CJK", "\u4E2D"},
        {"first code point past Latin-1", "\u0100"},
        {"C1 control U+0080", "\xC2\x80"},
        {"C1 control U+0081", "\xC2\x81"},
        {"next to the euro sign", "\u20AD"},
        {"four-byte character", "\xF0\x9F\x98\x80"},
        {"storable text with one foreign character", "Hall \u03A9 2"},
        {"lone continuation byte", "\x80"},
        {"Windows-1252 byte, not UTF-8", "Caf\xE9"},
        {"cut two-byte sequence", "\xC3"},
        {"cut three-byte sequence", "\xE2\x82"},
        {"overlong slash", "\xC0\xAF"},
        {"overlong three-byte", "\xE0\x80\xAF"},
        {"surrogate", "\xED\xA0\x80"},
        {"past U+10FFFF", "\xF4\x90\x80\x80"},
        {"byte FF", "\xFF"},
        {"bad continuation", "\xC3\x28"},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToCp1252(c.utf8), std::nullopt) << c.what;
    EXPECT_EQ(Utf8ToCp1252("Main <L> (2)-_+=."), "Main <L> (2)-_+=.");
    EXPECT_EQ(Utf8ToCp1252("B\u00FChne \u20AC5"),
              "B\xFChne \x80"
              "5");
}

}  // namespace
}  // namespace zef
