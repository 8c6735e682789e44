#pragma once
// Windows-1252, the single-byte character set of every text the device
// stores (device name, preset names, FIR names) and of the program's own
// data files, converted to and from the UTF-8 the program works in.

#include <optional>
#include <string>
#include <string_view>

namespace zef {

// UTF-8 -> Windows-1252, one byte per character. nullopt when the text is
// not valid UTF-8 or holds a character Windows-1252 does not have.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// Windows-1252 -> UTF-8. The five codes Windows-1252 leaves undefined (81,
// 8D, 8F, 90, 9D) and the control characters 01..1F and 7F become U+FFFD,
// the replacement character, so that what a device sends is never taken for
// other text; a NUL byte stays NUL.
std::string Cp1252ToUtf8(std::string_view bytes);

}  // namespace zef
