#pragma once
// What identifies a firmware image to the boot loader: the model it is for,
// its version, its length and its CRC-32. The .sfu file carries it in its
// header; the boot loader's ERASE request repeats it.

#include <cstddef>
#include <cstdint>
#include <span>

namespace zef {

inline constexpr std::uint16_t kModelCodeZef4260 = 4260;

std::uint32_t Crc32(std::span<const std::uint8_t> bytes);
// Continues a CRC-32 over more bytes: Crc32Update(Crc32Update(0, a), b) == Crc32(a + b).
std::uint32_t Crc32Update(std::uint32_t crc, std::span<const std::uint8_t> bytes);

struct SfuHeader {
    std::uint16_t model = kModelCodeZef4260;
    std::uint8_t major = 0, minor = 0, patch = 0;
    std::uint32_t imageLength = 0;
    std::uint32_t imageCrc = 0;
    bool operator==(const SfuHeader&) const = default;
};

}  // namespace zef
