#include "base/atomic_file.h"

#include <filesystem>

#include "base/durable_file.h"
#include "base/utf8_path.h"

namespace zef {

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open() {
    Discard();
    const std::filesystem::path target = PathFromUtf8(target_);
    if (target.filename().empty()) return false;
    std::filesystem::path temp;
    fd_ = durable::CreateTemporary(target, mode_, temp);
    if (fd_ < 0) return false;
    temp_ = Utf8FromPath(temp);
    return true;
}

bool AtomicFile::Write(std::span<const std::uint8_t> bytes) {
    if (fd_ >= 0 && !failed_ && !durable::WriteAll(fd_, bytes)) failed_ = true;
    return fd_ >= 0 && !failed_;
}

bool AtomicFile::Commit() {
    if (fd_ < 0) return false;
    bool ok = durable::SyncAndClose(fd_) && !failed_;
    fd_ = -1;
    ok = ok && durable::Replace(PathFromUtf8(temp_), PathFromUtf8(target_));
    if (!ok) {
        Discard();
        return false;
    }
    temp_.clear();
    return durable::SyncFolder(PathFromUtf8(target_).parent_path());
}

void AtomicFile::Discard() {
    if (fd_ >= 0) durable::Close(fd_);
    fd_ = -1;
    if (!temp_.empty()) durable::Remove(PathFromUtf8(temp_));
    temp_.clear();
    failed_ = false;
}

}  // namespace zef
