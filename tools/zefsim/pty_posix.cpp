#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>

#include "pty.h"

namespace zefsim {
namespace {

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

Pty::Pty(const std::string& symlinkPath) : symlinkPath_(symlinkPath) {
    struct stat st {};
    if (lstat(symlinkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) throw std::runtime_error(symlinkPath + " exists and is not a symlink");
        unlink(symlinkPath.c_str());
    }
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        const auto error = SystemError("pseudo-terminal");
        if (master_ >= 0) close(master_);
        throw error;
    }
    slavePath_ = ptsname(master_);
    slaveKeep_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveKeep_ < 0) {
        const auto error = SystemError("open " + slavePath_);
        close(master_);
        throw error;
    }
    termios tio{};
    tcgetattr(slaveKeep_, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tcsetattr(slaveKeep_, TCSANOW, &tio);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (symlink(slavePath_.c_str(), symlinkPath.c_str()) != 0) {
        const auto error = SystemError("symlink " + symlinkPath);
        close(slaveKeep_);
        close(master_);
        throw error;
    }
}

Pty::~Pty() {
    char target[PATH_MAX] = {};
    if (readlink(symlinkPath_.c_str(), target, sizeof target - 1) > 0 && slavePath_ == target)
        unlink(symlinkPath_.c_str());
    close(slaveKeep_);
    close(master_);
}

zef::net::NativeHandle Pty::handle() const { return master_; }

std::size_t Pty::Read(std::span<std::uint8_t> out) {
    const ssize_t n = read(master_, out.data(), out.size());
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void Pty::Write(std::span<const std::uint8_t> bytes) {
    [[maybe_unused]] const ssize_t n = write(master_, bytes.data(), bytes.size());
}

}  // namespace zefsim
