// InputFile on POSIX: stat before open, O_NONBLOCK so that a FIFO never
// waits, fstat of what was opened, pread. Compiles to nothing elsewhere.
#if defined(__unix__) || defined(__APPLE__)

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/input_file.h"
#include "base/input_file_detail.h"

namespace zef {
namespace {

using input_file_detail::CannotRead;
using input_file_detail::TooLargeText;

std::string KindText(mode_t mode) {
    if (S_ISDIR(mode)) return "is a directory, not a file";
    if (S_ISFIFO(mode)) return "is a FIFO, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a regular file";
    if (S_ISSOCK(mode)) return "is a socket, not a regular file";
    return "is not a regular file";
}

}  // namespace

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

}  // namespace zef

#endif
