#pragma once
// Numbers in text that a program reads back: CSV and FIR text, values printed
// for scripts, command-line arguments. Always "." as the decimal point and no
// digit grouping, whatever the process locale says (Qt sets the C library's
// locale from LANG on Unix, so printf("%f") would write "0,5" under a German
// locale). Built on std::to_chars / std::from_chars, which never consult the
// locale. Text a person reads in the editor follows the editor's own
// decimal-comma rule instead (model/locale.h).

#include <optional>
#include <string>
#include <string_view>

namespace zef {

// The shortest text that reads back as exactly `value`: "0.1", "-2.5", "1e-05", "0".
std::string CNumber(double value);

// `decimals` digits after the point (0..30), rounded as printf's "%.*f" is, padded on the left
// with blanks to at least `width` characters: CFixed(2.5, 2, 6) == "  2.50".
std::string CFixed(double value, int decimals, int width = 0);

// At most `significant` significant digits (1..30), no trailing zeros, as printf's "%.*g" is:
// CGeneral(1234567.0, 3) == "1.23e+06".
std::string CGeneral(double value, int significant);

// The whole of `text` as a finite number: an optional sign, digits with at most one ".", an
// optional exponent. nullopt for anything else: empty text, blanks, a ",", trailing characters,
// hexadecimal, "inf", "nan", or a value beyond the range of double.
std::optional<double> ParseCNumber(std::string_view text);

}  // namespace zef
