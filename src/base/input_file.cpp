#include "base/input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define ZEF_POSIX_FILES 1
#endif

namespace zef {
namespace {

std::string TooLargeText(std::uint64_t size, std::size_t maxBytes) {
    return "is too large (" + ByteCountText(size) + "; at most " + std::to_string(maxBytes) + ")";
}

std::string CannotRead(int error) { return std::string("cannot be read (") + std::strerror(error) + ")"; }

#ifdef ZEF_POSIX_FILES
std::string KindText(mode_t mode) {
    if (S_ISDIR(mode)) return "is a directory, not a file";
    if (S_ISFIFO(mode)) return "is a FIFO, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a regular file";
    if (S_ISSOCK(mode)) return "is a socket, not a regular file";
    return "is not a regular file";
}
#endif

}  // namespace

InputFile::InputFile(const std::string& path, std::size_t maxBytes) { Open(path, maxBytes); }

void InputFile::Fail(FileReadError error, std::string problem) {
    error_ = error;
    problem_ = std::move(problem);
}

#ifdef ZEF_POSIX_FILES

void InputFile::Open(const std::string& path, std::size_t maxBytes) {
    // The path is looked at before it is opened (opening a device can have
    // effects of its own), and the opened descriptor again, in case the path
    // was replaced in between. O_NONBLOCK keeps the open of a FIFO from waiting.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return Fail(FileReadError::NotFound, "no such file");
        return Fail(FileReadError::Unreadable, CannotRead(errno));
    }
    if (!S_ISREG(st.st_mode)) return Fail(FileReadError::NotRegular, KindText(st.st_mode));
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) return Fail(FileReadError::Unreadable, CannotRead(errno));
    if (::fstat(fd_, &st) != 0) return Fail(FileReadError::Unreadable, CannotRead(errno));
    if (!S_ISREG(st.st_mode)) return Fail(FileReadError::NotRegular, KindText(st.st_mode));
    size_ = static_cast<std::uint64_t>(st.st_size);
    if (size_ > maxBytes) return Fail(FileReadError::TooLarge, TooLargeText(size_, maxBytes));
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t InputFile::Read(std::span<std::uint8_t> out) {
    if (!ok()) return 0;
    std::size_t got = 0;
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size_ - position_));
    while (got < wanted) {
        const ssize_t n = ::pread(fd_, out.data() + got, wanted - got, static_cast<off_t>(position_ + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Fail(FileReadError::Unreadable, CannotRead(errno));
            break;
        }
        if (n == 0) break;  // the file shrank since it was opened
        got += static_cast<std::size_t>(n);
    }
    position_ += got;
    return got;
}

#else

void InputFile::Open(const std::string& path, std::size_t maxBytes) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) return Fail(FileReadError::NotFound, "no such file");
    if (fs::is_directory(status)) return Fail(FileReadError::NotRegular, "is a directory, not a file");
    if (!fs::is_regular_file(status)) return Fail(FileReadError::NotRegular, "is not a regular file");
    size_ = fs::file_size(path, ec);
    if (ec) return Fail(FileReadError::Unreadable, "cannot be read (" + ec.message() + ")");
    if (size_ > maxBytes) return Fail(FileReadError::TooLarge, TooLargeText(size_, maxBytes));
    stream_ = std::fopen(path.c_str(), "rb");
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

#endif

void InputFile::Seek(std::uint64_t offset) { position_ = std::min(offset, size_); }

FileBytes InputFile::ReadAll() {
    FileBytes result;
    if (ok()) {
        Seek(0);
        result.bytes.resize(static_cast<std::size_t>(size_));
        result.bytes.resize(Read(result.bytes));
    }
    if (!ok()) {
        result.bytes.clear();
        result.error = error_;
        result.problem = problem_;
    }
    return result;
}

FileBytes ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    InputFile file(path, maxBytes);
    return file.ReadAll();
}

std::string ByteCountText(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string FileProblemLine(const std::string& path, const std::string& problem) { return path + ": " + problem; }

}  // namespace zef
