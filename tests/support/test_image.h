#pragma once
// Reproducible test bytes.

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace zef::test {

// `size` bytes that differ from one seed to the next.
inline std::vector<std::uint8_t> TestImage(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> out(size);
    for (auto& b : out) b = static_cast<std::uint8_t>(random());
    return out;
}

}  // namespace zef::test
