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

// ---- Key filter of the numeric entry boxes ----

inline constexpr int kKeyCopy = 3;
inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyPaste = 22;
inline constexpr int kKeyCut = 24;
inline constexpr int kKeyUndo = 26;

enum class KeyAction {
    Insert,   // let `key` through (possibly replaced)
    Commit,   // Enter: read, snap and send the box's value; the key itself is consumed
    Discard,  // swallow the key
};

struct FilteredKey {
    KeyAction action;
    int key;  // the key code to insert; 0 unless action is Insert
    bool operator==(const FilteredKey&) const = default;
};

// What a numeric box accepts beyond digits, Backspace, "." and ",".
struct NumericBox {
    bool acceptsSigned = false;   // also "-", "+" and the control keys copy, paste, cut, undo
    bool blankForOthers = false;  // other keys become a blank, removed at commit (the delay box)
};

// One key press in a numeric box. While the editors are being filled
// (`updating`) every key passes unchanged. Otherwise digits and Backspace
// pass; "." and "," both become the locale's separator; Enter commits; what
// the box does not accept is discarded.
FilteredKey FilterNumericKey(int key, NumericBox box, bool decimalComma, bool updating);

// The text a box commits: every blank removed, so that the delay box's
// placeholders vanish. ParseNumber then reads it.
std::string RemoveBlanks(std::string_view text);

}  // namespace zef
