#include "model/locale.h"

#include "base/c_number.h"

namespace zef {

bool DecimalCommaFrom(const LocaleSource& locale) { return locale.decimalSeparator() != "."; }

std::string FormatNumber(double value, bool decimalComma) {
    if (value == 0.0) return "0";  // also folds -0
    std::string text = CGeneral(value, 15);
    if (decimalComma) {
        for (char& c : text) {
            if (c == '.') c = ',';
        }
    }
    return text;
}

std::optional<double> ParseNumber(std::string_view text, bool decimalComma) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;

    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;

    const char separator = decimalComma ? ',' : '.';
    const char other = decimalComma ? '.' : ',';
    std::string normal(text);
    for (char& c : normal) {
        if (c == other) return std::nullopt;
        if (c == separator) c = '.';
    }
    // Only digits, one point and an exponent are numbers; "inf", "nan" and hex are not.
    for (char c : normal) {
        const bool ok = (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
        if (!ok) return std::nullopt;
    }
    const std::optional<double> value = ParseCNumber(normal);
    if (!value) return std::nullopt;
    return negative ? -*value : *value;
}

FilteredKey FilterNumericKey(int key, NumericBox box, bool decimalComma, bool updating) {
    if (updating) return {KeyAction::Insert, key};
    if ((key >= '0' && key <= '9') || key == kKeyBackspace) return {KeyAction::Insert, key};
    if (key == '.' || key == ',') return {KeyAction::Insert, decimalComma ? ',' : '.'};
    if (key == kKeyEnter) return {KeyAction::Commit, 0};
    if (box.acceptsSigned) {
        switch (key) {
            case '-':
            case '+':
            case kKeyCopy:
            case kKeyPaste:
            case kKeyCut:
            case kKeyUndo:
                return {KeyAction::Insert, key};
            default:
                break;
        }
    }
    if (box.blankForOthers) return {KeyAction::Insert, ' '};
    return {KeyAction::Discard, 0};
}

std::string RemoveBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != ' ') out.push_back(c);
    }
    return out;
}

}  // namespace zef
