// InputFile with the standard library, where there is no POSIX: the path
// is looked at through std::filesystem and read with the C library (opened
// by its UTF-8 path). Compiles to nothing on Unix.
#if !defined(__unix__) && !defined(__APPLE__)

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/input_file.h"
#include "base/input_file_detail.h"
#include "base/utf8_path.h"

namespace zef {

using input_file_detail::CannotRead;
using input_file_detail::TooLargeText;

void InputFile::Open(const std::string& path, std::size_t maxBytes) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path native = PathFromUtf8(path);
    const fs::file_status status = fs::status(native, ec);
    if (!fs::exists(status)) return Fail(FileReadError::NotFound, "no such file");
    if (fs::is_directory(status)) return Fail(FileReadError::NotRegular, "is a directory, not a file");
    if (!fs::is_regular_file(status)) return Fail(FileReadError::NotRegular, "is not a regular file");
    size_ = fs::file_size(native, ec);
    if (ec) return Fail(FileReadError::Unreadable, "cannot be read (" + ec.message() + ")");
    if (size_ > maxBytes) return Fail(FileReadError::TooLarge, TooLargeText(size_, maxBytes));
    stream_ = OpenCFile(path, "rb");
    if (stream_ == nullptr) Fail(FileReadError::Unreadable, CannotRead(errno));
}

InputFile::~InputFile() {
    if (stream_ != nullptr) std::fclose(static_cast<std::FILE*>(stream_));
}

std::size_t InputFile::Read(std::span<std::uint8_t> out) {
    if (!ok()) return 0;
    auto* f = static_cast<std::FILE*>(stream_);
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size_ - position_));
    if (std::fseek(f, static_cast<long>(position_), SEEK_SET) != 0) {
        Fail(FileReadError::Unreadable, CannotRead(errno));
        return 0;
    }
    const std::size_t got = std::fread(out.data(), 1, wanted, f);
    if (std::ferror(f) != 0) Fail(FileReadError::Unreadable, "cannot be read");
    position_ += got;
    return got;
}

}  // namespace zef

#endif
