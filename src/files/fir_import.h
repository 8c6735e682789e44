#pragma once
// Reading FIR coefficient files (.txt, .csv) into a list of at most 384
// coefficients strictly between -4 and +4, and the FIR name derived from the
// file name.
//
// Numbers are text tokens converted with the user's locale. Before a character
// joins a token it is turned into the locale's decimal separator ("." -> ","
// with a decimal comma, "," -> "." otherwise), so "0,5" and "0.5" read alike.
//
// TXT: one value per line. Empty lines are skipped. A last value without a
// line end after it is taken, and the result notes it (the file may have
// been cut short).
//
// CSV: the layout is chosen from bytes 0..n-10 of the file (the last bytes are
// never looked at; a file under 10 bytes fits no layout), first rule that fits:
//   1. "," directly before CR or LF: values closed by ",", line ends ignored
//   2. ";" directly before CR or LF: values closed by ";", line ends ignored
//   3. any CR or LF: one value per line, as TXT
//   4. any ";": values separated by ";", the last one ended by the data's end
//   5. any ".": values separated by ",", the last one ended by the data's end
//   otherwise the file is refused.
// In layouts 1 and 2 a value after the last separator is taken with a note,
// as a last line without a line end is.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zef::fir {

inline constexpr std::size_t kMaxFirTaps = 384;
inline constexpr double kFirCoefficientLimit = 4.0;  // |c| must stay below
inline constexpr std::size_t kFirNameLength = 16;

inline constexpr const char* kFirFileFilter = "FIR (*.Txt)|*.txt|FIR (*.Csv)|*.csv";
inline constexpr const char* kFirFolder = "FIR";
inline constexpr const char* kFirImportErrorTitle = " Error";  // exclamation icon

enum class FirImportError {
    None,
    WrongFile,    // unknown extension, too short, no layout, no or unreadable value
    TooManyTaps,  // a 385th value
    OutOfRange,   // a value <= -4 or >= +4
};

// The message of an import error (shown under kFirImportErrorTitle).
const char* FirImportErrorText(FirImportError error);

struct FirImportResult {
    FirImportError error = FirImportError::None;
    std::vector<double> coefficients;  // 1..384 values when ok
    std::string name;                  // FirNameFromPath of the file
    std::string problem;  // why it was refused: "value 7, \"gain\", is not a number"
    std::string note;     // accepted with a remark: the last value had no line end

    bool ok() const { return error == FirImportError::None; }
};

// The whole message of a refused file: FirImportErrorText, then a line with
// the path and the problem.
std::string FirImportMessage(const FirImportResult& result, const std::string& path);

// The FIR name of a file: the file name without its folder and without its
// last four characters; a name longer than 16 becomes its first 13
// characters followed by three blanks.
std::string FirNameFromPath(std::string_view path);

// The name as stored in the device: exactly 16 characters, blank padded.
std::string PaddedFirName(std::string_view name);

// Parses the bytes of the file named `fileName` (the name picks TXT or CSV by
// its last three characters, any case). A file under 2 bytes, a token that is
// not a number and a file without values are "Wrong File"; errors stop the
// parse at the offending value.
FirImportResult ParseFirFile(std::string_view fileName, std::span<const std::uint8_t> bytes,
                             bool decimalComma);

// Reads the file at `path` and parses it; a file that cannot be read (missing,
// not a regular file, far too large for 384 values) is "Wrong File".
FirImportResult ImportFirFile(const std::string& path, bool decimalComma);

}  // namespace zef::fir
