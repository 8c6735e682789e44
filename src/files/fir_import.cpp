#include "files/fir_import.h"

#include <algorithm>
#include <optional>

#include "base/input_file.h"
#include "model/locale.h"

namespace zef::fir {

namespace {

// A FIR file of 384 numbers is a few kilobytes; anything this large is not one.
constexpr std::size_t kMaxFirFileBytes = 4u << 20;
constexpr std::size_t kLayoutTail = 10;

enum class Layout { Lines, CommaClosed, SemicolonClosed, SemicolonSeparated, CommaSeparated };

bool IsLineEnd(std::uint8_t c) { return c == '\r' || c == '\n'; }

std::optional<Layout> DetectCsvLayout(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kLayoutTail) return std::nullopt;
    // Byte i + 1 is at most n - 9, always inside the file.
    const std::size_t last = bytes.size() - kLayoutTail;
    auto anyAt = [&](auto pred) {
        for (std::size_t i = 0; i <= last; ++i)
            if (pred(i)) return true;
        return false;
    };
    if (anyAt([&](std::size_t i) { return bytes[i] == ',' && IsLineEnd(bytes[i + 1]); }))
        return Layout::CommaClosed;
    if (anyAt([&](std::size_t i) { return bytes[i] == ';' && IsLineEnd(bytes[i + 1]); }))
        return Layout::SemicolonClosed;
    if (anyAt([&](std::size_t i) { return IsLineEnd(bytes[i]); })) return Layout::Lines;
    if (anyAt([&](std::size_t i) { return bytes[i] == ';'; })) return Layout::SemicolonSeparated;
    if (anyAt([&](std::size_t i) { return bytes[i] == '.'; })) return Layout::CommaSeparated;
    return std::nullopt;
}

// Collects values and stops at the first error.
class ValueSink {
public:
    explicit ValueSink(bool decimalComma) : decimalComma_(decimalComma) {}

    void add(std::uint8_t c) {
        char ch = static_cast<char>(c);
        if (decimalComma_ && ch == '.') ch = ',';
        if (!decimalComma_ && ch == ',') ch = '.';
        token_.push_back(ch);
    }
    bool hasToken() const { return !token_.empty(); }
    // Converts and stores the token; a blank token is skipped.
    void flush() {
        std::string token;
        token.swap(token_);
        if (error_ != FirImportError::None) return;
        if (token.find_first_not_of(" \t") == std::string::npos) return;
        const std::optional<double> value = ParseNumber(token, decimalComma_);
        const std::size_t first = token.find_first_not_of(" \t");
        const std::string shown = token.substr(first, token.find_last_not_of(" \t") + 1 - first);
        const std::string which = "value " + std::to_string(values_.size() + 1) + ", \"" + shown + "\",";
        if (!value) {
            Fail(FirImportError::WrongFile, which + " is not a number");
        } else if (values_.size() >= kMaxFirTaps) {
            Fail(FirImportError::TooManyTaps, "has more than 384 values");
        } else if (*value >= kFirCoefficientLimit || *value <= -kFirCoefficientLimit) {
            Fail(FirImportError::OutOfRange, which + " is not between -4 and +4");
        } else {
            values_.push_back(*value);
        }
    }
    // The value the data ends in without its line end or separator: taken, and noted.
    void flushUnended() {
        if (token_.find_first_not_of(" \t") == std::string::npos) return;
        note_ = "the last value, \"" + token_ + "\", has no line end after it (was the file cut short?)";
        flush();
    }
    bool failed() const { return error_ != FirImportError::None; }
    FirImportError error() const { return error_; }
    const std::string& problem() const { return problem_; }
    const std::string& note() const { return note_; }
    std::vector<double>& values() { return values_; }

private:
    void Fail(FirImportError error, std::string problem) {
        error_ = error;
        problem_ = std::move(problem);
    }

    bool decimalComma_;
    std::string token_;
    std::vector<double> values_;
    FirImportError error_ = FirImportError::None;
    std::string problem_;
    std::string note_;
};

void ParseLines(std::span<const std::uint8_t> bytes, ValueSink& sink) {
    bool complete = false;  // the token's line has ended
    for (std::uint8_t c : bytes) {
        if (IsLineEnd(c)) {
            complete = complete || sink.hasToken();
            continue;
        }
        if (complete) {
            sink.flush();
            if (sink.failed()) return;
            complete = false;
        }
        sink.add(c);
    }
    if (complete) {
        sink.flush();
    } else {
        sink.flushUnended();
    }
}

void ParseSeparated(std::span<const std::uint8_t> bytes, char separator, bool lastEndedByData,
                    ValueSink& sink) {
    for (std::uint8_t c : bytes) {
        if (IsLineEnd(c)) continue;
        if (c == static_cast<std::uint8_t>(separator)) {
            sink.flush();
            if (sink.failed()) return;
        } else {
            sink.add(c);
        }
    }
    if (lastEndedByData) {
        sink.flush();
    } else {
        sink.flushUnended();
    }
}

// Reads the values of a .txt (`text`) or .csv file into the sink; false when
// a .csv file has no layout.
bool ParseValues(bool text, std::span<const std::uint8_t> bytes, ValueSink& sink) {
    const std::optional<Layout> layout = text ? Layout::Lines : DetectCsvLayout(bytes);
    if (!layout) return false;
    switch (*layout) {
        case Layout::Lines:
            ParseLines(bytes, sink);
            break;
        case Layout::CommaClosed:
            ParseSeparated(bytes, ',', false, sink);
            break;
        case Layout::SemicolonClosed:
            ParseSeparated(bytes, ';', false, sink);
            break;
        case Layout::SemicolonSeparated:
            ParseSeparated(bytes, ';', true, sink);
            break;
        case Layout::CommaSeparated:
            ParseSeparated(bytes, ',', true, sink);
            break;
    }
    return true;
}

std::string UpperSuffix(std::string_view name, std::size_t n) {
    std::string s(name.substr(name.size() - n));
    std::transform(s.begin(), s.end(), s.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    return s;
}

}  // namespace

const char* FirImportErrorText(FirImportError error) {
    switch (error) {
        case FirImportError::None:
            return "";
        case FirImportError::WrongFile:
            return "Wrong File";
        case FirImportError::TooManyTaps:
            return "Wrong File, max num of Taps should be 384";
        case FirImportError::OutOfRange:
            return "Wrong File, coefficients out of range (<=-4 or >=+4)";
    }
    return "Wrong File";
}

std::string FirNameFromPath(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
    file = file.substr(0, file.size() > 4 ? file.size() - 4 : 0);
    if (file.size() <= kFirNameLength) return std::string(file);
    return std::string(file.substr(0, 13)) + "   ";
}

std::string PaddedFirName(std::string_view name) {
    std::string padded(name.substr(0, std::min(name.size(), kFirNameLength)));
    padded.resize(kFirNameLength, ' ');
    return padded;
}

FirImportResult ParseFirFile(std::string_view fileName, std::span<const std::uint8_t> bytes,
                             bool decimalComma) {
    FirImportResult result;
    result.name = FirNameFromPath(fileName);
    result.error = FirImportError::WrongFile;
    const std::string kind = fileName.size() >= 3 ? UpperSuffix(fileName, 3) : std::string();
    if (kind != "TXT" && kind != "CSV") {
        result.problem = "is neither a .txt nor a .csv file";
        return result;
    }
    if (bytes.size() < 2) {
        result.problem = "has " + ByteCountText(bytes.size()) + ": no FIR";
        return result;
    }
    ValueSink sink(decimalComma);
    if (!ParseValues(kind == "TXT", bytes, sink)) {
        result.problem = "has no line end, ';' or '.' to tell its values apart";
    } else if (sink.failed()) {
        result.error = sink.error();
        result.problem = sink.problem();
    } else if (sink.values().empty()) {
        result.problem = "holds no value";
    } else {
        result.error = FirImportError::None;
        result.coefficients = std::move(sink.values());
        result.note = sink.note();
    }
    return result;
}

FirImportResult ImportFirFile(const std::string& path, bool decimalComma) {
    const FileBytes file = ReadWholeFile(path, kMaxFirFileBytes);
    if (file.error != FileReadError::None) {
        FirImportResult result;
        result.error = FirImportError::WrongFile;
        result.name = FirNameFromPath(path);
        result.problem = file.problem;
        return result;
    }
    return ParseFirFile(path, file.bytes, decimalComma);
}

std::string FirImportMessage(const FirImportResult& result, const std::string& path) {
    return std::string(FirImportErrorText(result.error)) + "\r\n" + FileProblemLine(path, result.problem);
}

}  // namespace zef::fir
