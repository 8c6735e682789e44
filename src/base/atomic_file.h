#pragma once
// A file that appears complete or not at all. It is written under a name of
// its own in the target's folder (two writers never share a temporary, and the
// rename never crosses a file system), synced to the disk, renamed over the
// target, and the folder is synced so that the rename survives a power cut.
// Until Commit succeeds the target is untouched; a file destroyed without a
// successful Commit leaves no temporary behind. The steps themselves are the
// system's (base/durable_file.h).

#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace zef {

class AtomicFile {
public:
    // `mode`: the permissions the file gets (0644 readable by all, 0600 its owner's only).
    explicit AtomicFile(std::string target, unsigned mode = 0644) : target_(std::move(target)), mode_(mode) {}
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary ("." + the target's name + a unique suffix, with
    // the file's mode). False when the target names no file or the folder refuses.
    bool Open();
    // The temporary's descriptor while open (for writers that take one), else -1.
    int fd() const { return fd_; }
    const std::string& temporaryPath() const { return temp_; }
    bool Write(std::span<const std::uint8_t> bytes);
    // Syncs and closes the temporary, renames it over the target and syncs
    // the folder. False on any failure (and after a failed Write); the
    // temporary is then removed and the target is as it was (a failure of the
    // last folder sync leaves the new file in place, not yet durable).
    bool Commit();

private:
    void Discard();

    std::string target_;
    unsigned mode_;
    std::string temp_;
    int fd_ = -1;
    bool failed_ = false;
};

}  // namespace zef
