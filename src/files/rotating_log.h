#pragma once
// A text log that never grows past a bound: lines are appended to FILE; when
// the next line would take FILE past `maxBytes`, FILE is renamed to FILE.1
// (replacing the older one) and a fresh FILE is started. Together the two
// never hold more than 2 x maxBytes. Each line reaches the file as it is
// appended (line-buffered), so the log can be followed while it is written.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace zef {

class RotatingLog {
public:
    static constexpr std::uintmax_t kDefaultMaxBytes = 1024 * 1024;

    RotatingLog(std::string path, std::uintmax_t maxBytes = kDefaultMaxBytes);
    ~RotatingLog();
    RotatingLog(const RotatingLog&) = delete;
    RotatingLog& operator=(const RotatingLog&) = delete;

    // Whether FILE could be opened (appending to what it holds).
    bool ok() const { return file_ != nullptr; }
    // Appends `line` and a newline; false when the file could not be written.
    bool Append(std::string_view line);
    const std::string& path() const { return path_; }

private:
    bool Open(const char* mode);
    bool Rotate();

    std::string path_;
    std::uintmax_t maxBytes_;
    std::FILE* file_ = nullptr;
    std::uintmax_t size_ = 0;
};

}  // namespace zef
