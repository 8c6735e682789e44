#pragma once
// The file-system steps that make a write survive a crash or a power cut, one set per
// system: a temporary created exclusively beside its target, its bytes forced to the disk,
// a rename over the target in one step, and the folder's entry forced to the disk after it.
// The descriptors are C runtime file descriptors on both (POSIX open, Windows _wsopen_s).

#include <cstdint>
#include <filesystem>
#include <span>

namespace zef::durable {

// Creates "." + the target's name + a unique suffix in the target's folder, exclusively
// (never an existing file), readable and writable, with `mode`'s permission bits where the
// system has them. Returns its descriptor and sets `temp`, or returns -1.
int CreateTemporary(const std::filesystem::path& target, unsigned mode, std::filesystem::path& temp);

// Writes every byte; false when the system refuses one.
bool WriteAll(int fd, std::span<const std::uint8_t> bytes);

// Forces the file's bytes to the disk and closes it; false when either fails (it is closed
// either way).
bool SyncAndClose(int fd);
void Close(int fd);

// Puts `temp` in `target`'s place in one step (an existing target is replaced).
bool Replace(const std::filesystem::path& temp, const std::filesystem::path& target);

// Forces the folder's entries (a finished Replace) to the disk.
bool SyncFolder(const std::filesystem::path& folder);

void Remove(const std::filesystem::path& path);

}  // namespace zef::durable
