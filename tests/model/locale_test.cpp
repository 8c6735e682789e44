#include "model/locale.h"

#include <gtest/gtest.h>

#include <random>

namespace zef {
namespace {

TEST(Locale, DecimalCommaFlag) {
    EXPECT_FALSE(DecimalCommaFrom(FixedLocale(".")));
    EXPECT_TRUE(DecimalCommaFrom(FixedLocale(",")));
    EXPECT_TRUE(DecimalCommaFrom(FixedLocale("")));
}

TEST(Locale, FormatNumber) {
    struct Case {
        double value;
        const char* dot;
        const char* comma;
    };
    const Case cases[] = {
        {1.5, "1.5", "1,5"},
        {-17.8, "-17.8", "-17,8"},
        {100, "100", "100"},
        {0.1 + 0.2, "0.3", "0,3"},
        {-0.0, "0", "0"},
        {1.0 / 3, "0.333333333333333", "0,333333333333333"},
        {164.998, "164.998", "164,998"},
        {56.09932, "56.09932", "56,09932"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatNumber(c.value, false), c.dot);
        EXPECT_EQ(FormatNumber(c.value, true), c.comma);
    }
}

TEST(Locale, ParseNumber) {
    EXPECT_EQ(ParseNumber(" 1,5 ", true), 1.5);
    EXPECT_EQ(ParseNumber("1.5", false), 1.5);
    EXPECT_EQ(ParseNumber("-12", false), -12);
    EXPECT_EQ(ParseNumber("+3", true), 3);
    EXPECT_EQ(ParseNumber(",5", true), 0.5);
    EXPECT_EQ(ParseNumber("1e3", false), 1000);
    for (const char* bad : {"", "   ", "1.5", "abc", "1,5,", "--1", "+-1", "-", "1 2", "inf", "nan", "0x10",
                            "1e", "1,5e", "\t"}) {
        EXPECT_EQ(ParseNumber(bad, true), std::nullopt) << '"' << bad << '"';
    }
    EXPECT_EQ(ParseNumber("1,5", false), std::nullopt);
    EXPECT_EQ(ParseNumber("1e999", false), std::nullopt);

    std::mt19937 rng(5);
    std::uniform_real_distribution<double> any(-1e6, 1e6);
    for (int i = 0; i < 1000; ++i) {
        const double v = any(rng);
        for (bool comma : {false, true}) {
            const auto back = ParseNumber(FormatNumber(v, comma), comma);
            ASSERT_TRUE(back);
            ASSERT_NEAR(*back, v, std::abs(v) * 1e-14);
        }
    }
}

TEST(Locale, KeyFilter) {
    const NumericBox plain{};
    const NumericBox signedBox{true, false};
    const NumericBox delayBox{false, true};
    struct Case {
        int key;
        NumericBox box;
        bool comma;
        FilteredKey out;
    };
    const Case cases[] = {
        {'7', plain, false, {KeyAction::Insert, '7'}},
        {kKeyBackspace, plain, true, {KeyAction::Insert, kKeyBackspace}},
        {'.', plain, true, {KeyAction::Insert, ','}},
        {',', plain, true, {KeyAction::Insert, ','}},
        {',', plain, false, {KeyAction::Insert, '.'}},
        {'.', plain, false, {KeyAction::Insert, '.'}},
        {kKeyEnter, plain, false, {KeyAction::Commit, 0}},
        {'-', plain, false, {KeyAction::Discard, 0}},
        {'-', signedBox, false, {KeyAction::Insert, '-'}},
        {'+', signedBox, true, {KeyAction::Insert, '+'}},
        {kKeyPaste, plain, false, {KeyAction::Discard, 0}},
        {kKeyPaste, signedBox, false, {KeyAction::Insert, kKeyPaste}},
        {kKeyUndo, signedBox, false, {KeyAction::Insert, kKeyUndo}},
        {'a', signedBox, false, {KeyAction::Discard, 0}},
        {'a', delayBox, false, {KeyAction::Insert, ' '}},
        {'m', delayBox, true, {KeyAction::Insert, ' '}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FilterNumericKey(c.key, c.box, c.comma, false), c.out) << "key " << c.key;
        // While the editors are filled every key passes unchanged.
        EXPECT_EQ(FilterNumericKey(c.key, c.box, c.comma, true), (FilteredKey{KeyAction::Insert, c.key}));
    }
}

TEST(Locale, TypedTextInBothLocales) {
    // Typing "1.5" in a delay box on a comma system shows "1,5" and reads 1.5.
    for (bool comma : {false, true}) {
        std::string box;
        for (char key : std::string("1.5m")) {
            const FilteredKey k = FilterNumericKey(key, {false, true}, comma, false);
            if (k.action == KeyAction::Insert) box.push_back(static_cast<char>(k.key));
        }
        EXPECT_EQ(box, comma ? "1,5 " : "1.5 ");
        EXPECT_EQ(ParseNumber(RemoveBlanks(box), comma), 1.5);
    }
}

}  // namespace
}  // namespace zef
