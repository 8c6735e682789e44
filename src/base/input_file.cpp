#include "base/input_file.h"

#include <algorithm>
#include <cstring>

#include "base/input_file_detail.h"

namespace zef {
namespace input_file_detail {

std::string TooLargeText(std::uint64_t size, std::size_t maxBytes) {
    return "is too large (" + ByteCountText(size) + "; at most " + std::to_string(maxBytes) + ")";
}

std::string CannotRead(int error) { return std::string("cannot be read (") + std::strerror(error) + ")"; }

}  // namespace input_file_detail

InputFile::InputFile(const std::string& path, std::size_t maxBytes) { Open(path, maxBytes); }

void InputFile::Fail(FileReadError error, std::string problem) {
    error_ = error;
    problem_ = std::move(problem);
}

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
