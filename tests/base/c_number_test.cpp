// Machine numbers: the texts written and read under a locale whose decimal
// separator is a comma, agreement with printf in the C locale, exact round
// trips, and the texts the reader must refuse.

#include "base/c_number.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace zef {
namespace {

// Switches the C library to a decimal-comma locale for the scope, when the machine has one.
class CommaLocale {
public:
    CommaLocale() {
        saved_ = std::setlocale(LC_ALL, nullptr);
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr) break;
        }
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 0.5);
        active_ = std::string(probe) == "0,5";
    }
    ~CommaLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    bool active() const { return active_; }

private:
    std::string saved_;
    bool active_ = false;
};

struct Formatted {
    std::string text;
    std::string expected;
};

TEST(CNumber, WritesAPointUnderADecimalCommaLocale) {
    const CommaLocale comma;
    if (!comma.active()) GTEST_SKIP() << "no decimal-comma locale on this machine (generate de_DE.UTF-8)";
    const Formatted cases[] = {
        {CNumber(0.5), "0.5"},
        {CNumber(-1234.25), "-1234.25"},
        {CNumber(1e-5), "1e-05"},
        {CNumber(0.0), "0"},
        {CFixed(290.0391, 3), "290.039"},
        {CFixed(-0.4759744, 6), "-0.475974"},
        {CFixed(2.5, 2, 6), "  2.50"},
        {CFixed(-2.5, 0), "-2"},
        {CFixed(1234567.891, 1, 3), "1234567.9"},
        {CGeneral(1234567.0, 3), "1.23e+06"},
        {CGeneral(0.000123456, 3), "0.000123"},
        {CGeneral(-3.25, 15), "-3.25"},
    };
    for (const Formatted& c : cases) EXPECT_EQ(c.text, c.expected);
    EXPECT_EQ(ParseCNumber("2.5"), 2.5);
    EXPECT_EQ(ParseCNumber("2,5"), std::nullopt);
}

TEST(CNumber, FixedAndGeneralAgreeWithPrintfInTheCLocale) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-8, 8);
    for (int i = 0; i < 2000; ++i) {
        const double v = mantissa(random) * std::pow(10.0, exponent(random));
        const int digits = i % 9;
        char fixed[400];
        char general[64];
        std::snprintf(fixed, sizeof fixed, "%.*f", digits, v);
        std::snprintf(general, sizeof general, "%.*g", digits + 1, v);
        ASSERT_EQ(CFixed(v, digits), fixed) << v;
        ASSERT_EQ(CGeneral(v, digits + 1), general) << v;
    }
}

TEST(CNumber, ShortestTextReadsBackExactly) {
    std::mt19937_64 random(11);
    for (int i = 0; i < 5000; ++i) {
        double v = 0;
        do {
            const std::uint64_t bits = random();
            static_assert(sizeof bits == sizeof v);
            std::memcpy(&v, &bits, sizeof v);
        } while (!std::isfinite(v));
        const std::string text = CNumber(v);
        const std::optional<double> back = ParseCNumber(text);
        ASSERT_TRUE(back.has_value()) << text;
        ASSERT_EQ(*back, v) << text;
    }
}

TEST(CNumber, ParsesWholeNumbersAndRefusesEverythingElse) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"0", 0.0},
        {"+3", 3.0},
        {"-0.25", -0.25},
        {".5", 0.5},
        {"5.", 5.0},
        {"1e3", 1000.0},
        {"-2.5E-2", -0.025},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"-", std::nullopt},
        {"+-1", std::nullopt},
        {"--1", std::nullopt},
        {"1,5", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1e", std::nullopt},
        {"0x10", std::nullopt},
        {"inf", std::nullopt},
        {"-nan", std::nullopt},
        {"1e999", std::nullopt},
        {"12abc", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseCNumber(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace zef
