#pragma once
// Numeric text in the user's locale: number <-> text with the user's decimal
// separator, and the key filter of the numeric entry boxes. Pure functions;
// the operating-system query of the separator sits behind LocaleSource.

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace zef {

// Where the user's decimal separator comes from. The Qt implementation lives
// in the platform layer; tests use FixedLocale.
class LocaleSource {
public:
    virtual ~LocaleSource() = default;
    // The user's decimal separator as text (normally "." or ",").
    virtual std::string decimalSeparator() const = 0;
};

// A locale with a given separator.
class FixedLocale : public LocaleSource {
public:
    explicit FixedLocale(std::string separator) : separator_(std::move(separator)) {}
    std::string decimalSeparator() const override { return separator_; }

private:
    std::string separator_;
};

// The decimal-comma flag: true when the user's separator is anything but ".".
// Read once at start-up and kept for the whole run.
bool DecimalCommaFrom(const LocaleSource& locale);

// Locale number-to-text: up to 15 significant digits, no trailing zeros, no leading blank,
// "," as the separator when decimalComma is true, "." otherwise.
std::string FormatNumber(double value, bool decimalComma);

// Locale-aware text-to-number accepting the separator the key filter produces; trims blanks;
// nullopt for anything that is not a number.
std::optional<double> ParseNumber(std::string_view text, bool decimalComma);

}  // namespace zef
