#include "files/rotating_log.h"

#include <filesystem>

#include "base/utf8_path.h"

namespace zef {

RotatingLog::RotatingLog(std::string path, std::uintmax_t maxBytes) : path_(std::move(path)), maxBytes_(maxBytes) {
    Open("a");
}

RotatingLog::~RotatingLog() {
    if (file_) std::fclose(file_);
}

bool RotatingLog::Open(const char* mode) {
    file_ = OpenCFile(path_, mode);
    if (!file_) return false;
    std::setvbuf(file_, nullptr, _IOLBF, 4096);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(PathFromUtf8(path_), ec);
    size_ = ec ? 0 : size;
    return true;
}

bool RotatingLog::Rotate() {
    std::fclose(file_);
    file_ = nullptr;
    std::error_code ec;
    std::filesystem::rename(PathFromUtf8(path_), PathFromUtf8(path_ + ".1"), ec);
    return !ec && Open("w");
}

bool RotatingLog::Append(std::string_view line) {
    if (!file_) return false;
    const std::uintmax_t bytes = line.size() + 1;
    if (size_ > 0 && size_ + bytes > maxBytes_ && !Rotate()) return false;
    const bool written = std::fwrite(line.data(), 1, line.size(), file_) == line.size() && std::fputc('\n', file_) != EOF;
    size_ += bytes;
    return written;
}

}  // namespace zef
