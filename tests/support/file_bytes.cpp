#include "file_bytes.h"

#include <fstream>
#include <iterator>

namespace zef::test {

std::string ReadFileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> LyingFlacBytes() {
    // STREAMINFO bits: rate 20, channels - 1 3, bits per sample - 1 5, frames 36.
    const std::uint64_t info = std::uint64_t{48000} << 44 | std::uint64_t{8 - 1} << 41 | std::uint64_t{16 - 1} << 36 |
                               std::uint64_t{28800000};
    // Marker, the last-block flag with type 0 and length 34, block sizes 4096, frame sizes unknown.
    std::vector<std::uint8_t> b = {'f', 'L', 'a', 'C', 0x80, 0, 0, 34, 0x10, 0, 0x10, 0, 0, 0, 0, 0, 0, 0};
    for (int shift = 56; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(info >> shift));
    b.resize(42, 0);  // the MD5 signature
    return b;
}

}  // namespace zef::test
