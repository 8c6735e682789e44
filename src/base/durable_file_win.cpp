// The durable-file steps on Windows: an exclusive _wsopen_s, FlushFileBuffers on the file's
// handle, and MoveFileExW with MOVEFILE_WRITE_THROUGH, which returns only once the rename
// is on the disk (so the folder needs no sync of its own).
#ifdef _WIN32

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <random>
#include <string>

#include "base/durable_file.h"
#include "base/windows_api.h"

namespace zef::durable {

int CreateTemporary(const std::filesystem::path& target, unsigned mode, std::filesystem::path& temp) {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring suffix = L".";
        for (int i = 0; i < 6; ++i) suffix += static_cast<wchar_t>(kDigits[random() % 36]);
        const std::filesystem::path name =
            target.parent_path() / (L"." + target.filename().wstring() + suffix);
        // Read-only files exist on Windows: without the owner's write bit the file is made so.
        const int permission = (mode & 0200) ? (_S_IREAD | _S_IWRITE) : _S_IREAD;
        int fd = -1;
        const errno_t error = _wsopen_s(&fd, name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY | _O_NOINHERIT,
                                        _SH_DENYRW, permission);
        if (error == 0) {
            temp = name;
            return fd;
        }
        if (error != EEXIST) return -1;
    }
    return -1;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const unsigned piece = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), INT_MAX));
        const int n = _write(fd, bytes.data(), piece);
        if (n <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

bool SyncAndClose(int fd) {
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    const bool synced = h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) != 0;
    return _close(fd) == 0 && synced;
}

void Close(int fd) { _close(fd); }

bool Replace(const std::filesystem::path& temp, const std::filesystem::path& target) {
    return MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool SyncFolder(const std::filesystem::path&) { return true; }

void Remove(const std::filesystem::path& path) { DeleteFileW(path.c_str()); }

}  // namespace zef::durable

#endif  // _WIN32
