#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace zef {

namespace {

// Makes a finished rename durable: the folder's entry is on the disk too.
bool SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open() {
    Discard();
    const std::filesystem::path target(target_);
    if (target.filename().empty()) return false;
    std::string temp = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    fd_ = fd;
    temp_ = std::move(temp);
    if (::fchmod(fd_, static_cast<mode_t>(mode_)) == 0) return true;
    Discard();
    return false;
}

bool AtomicFile::Write(std::span<const std::uint8_t> bytes) {
    while (fd_ >= 0 && !failed_ && !bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) failed_ = true;
        else bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return fd_ >= 0 && !failed_;
}

bool AtomicFile::Commit() {
    if (fd_ < 0) return false;
    bool ok = !failed_ && ::fsync(fd_) == 0;
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    ok = ok && ::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) {
        Discard();
        return false;
    }
    temp_.clear();
    return SyncFolder(std::filesystem::path(target_).parent_path());
}

void AtomicFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    failed_ = false;
}

}  // namespace zef
