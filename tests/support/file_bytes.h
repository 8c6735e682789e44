#pragma once
// A file's whole content, read or written in one call, for tests that look
// at what the code under test put on disk (or prepare what it reads).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zef::test {

// Everything in the file; empty when it cannot be read.
std::string ReadFileText(const std::filesystem::path& path);
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);

// Replaces the file with exactly `bytes`.
void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// A sound file whose header lies: a FLAC stream of 42 bytes, its marker and
// one STREAMINFO block claiming 28.8 million frames of 8 channels at 48 kHz
// (921.6 MB as floats), and no audio at all.
std::vector<std::uint8_t> LyingFlacBytes();

}  // namespace zef::test
