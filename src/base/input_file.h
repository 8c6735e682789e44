#pragma once
// Opening the files the program reads. Every reader goes through here: the
// parsers of the files layer, the WAV reader of the audio layer, init.cfg and
// the password store (it sits in base, beside the atomic writer, so that
// every layer may use it).
//
// Only a regular file is opened: a directory, a FIFO, a device or a socket is
// refused before anything could wait on it (a FIFO without a writer blocks a
// plain open or read for ever, a terminal waits for a line). The file's size
// is taken when it is opened, and nothing is read past it: a reader that
// sizes a buffer by what a header claims checks the claim against size()
// first, so no file makes the program allocate more than the file holds.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zef {

enum class FileReadError { None, NotFound, NotRegular, Unreadable, TooLarge };

struct FileBytes {
    FileReadError error = FileReadError::None;
    std::vector<std::uint8_t> bytes;
    // Why the file was refused, for the user after its name: "no such file",
    // "is a directory, not a file", "is a FIFO, not a regular file",
    // "is too large (N bytes; at most M)", "cannot be read (reason)".
    std::string problem;

    bool ok() const { return error == FileReadError::None; }
};

// A regular file open for reading, at most `maxBytes` long.
class InputFile {
public:
    // Refuses a missing file, anything that is not a regular file and a file
    // above `maxBytes` without reading a byte of it.
    InputFile(const std::string& path, std::size_t maxBytes);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool ok() const { return error_ == FileReadError::None; }
    FileReadError error() const { return error_; }
    const std::string& problem() const { return problem_; }
    // The size when the file was opened; reads never go past it.
    std::uint64_t size() const { return size_; }
    std::uint64_t position() const { return position_; }

    // Reads up to out.size() bytes at the position; the count read (0 at the
    // end, or after an error: problem() then says why).
    std::size_t Read(std::span<std::uint8_t> out);
    // Moves to `offset` (clamped to 0..size()).
    void Seek(std::uint64_t offset);
    // The whole file from its start.
    FileBytes ReadAll();

private:
    void Open(const std::string& path, std::size_t maxBytes);
    void Fail(FileReadError error, std::string problem);

    FileReadError error_ = FileReadError::None;
    std::string problem_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
    int fd_ = -1;          // POSIX
    void* stream_ = nullptr;  // std::FILE* elsewhere
};

// The whole file, refusing what InputFile refuses.
FileBytes ReadWholeFile(const std::string& path, std::size_t maxBytes);

// "1 byte", "N bytes".
std::string ByteCountText(std::uint64_t count);

// "<path>: <problem>", the line a message adds under its first line.
std::string FileProblemLine(const std::string& path, const std::string& problem);

}  // namespace zef
