// The durable-file steps on POSIX: mkstemp, fchmod, fsync, rename, and fsync of the folder.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "base/durable_file.h"

namespace zef::durable {

int CreateTemporary(const std::filesystem::path& target, unsigned mode, std::filesystem::path& temp) {
    std::string name = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return -1;
    if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 || ::fchmod(fd, static_cast<mode_t>(mode)) != 0) {
        ::close(fd);
        ::unlink(name.c_str());
        return -1;
    }
    temp = name;
    return fd;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

bool SyncAndClose(int fd) {
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

void Close(int fd) { ::close(fd); }

bool Replace(const std::filesystem::path& temp, const std::filesystem::path& target) {
    return ::rename(temp.c_str(), target.c_str()) == 0;
}

bool SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void Remove(const std::filesystem::path& path) { ::unlink(path.c_str()); }

}  // namespace zef::durable

#endif  // !_WIN32
