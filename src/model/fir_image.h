#pragma once
// FIR coefficient memory of the device as bytes.
//
// Each output o has 1152 bytes at device address 4096 + 1152*o: 384 taps of
// three bytes, most significant first, each a 24-bit two's-complement word
// with 21 fraction bits (0x200000 = 1.0). The model keeps the words as
// unsigned 24-bit numbers (DeviceModel::firTaps).

#include <array>
#include <cstddef>
#include <cstdint>

#include "model/device_model.h"

namespace zef {

inline constexpr std::uint16_t kFirBaseAddress = 0x1000;
inline constexpr std::size_t kFirImageSize = kFirTapCount * 3;  // 1152 = 0x480

using FirImage = std::array<std::uint8_t, kFirImageSize>;
using FirTapWords = std::array<std::uint32_t, kFirTapCount>;

// Device address of output `output`'s (0 or 1) coefficient image.
constexpr std::uint16_t FirAddress(int output) {
    return static_cast<std::uint16_t>(kFirBaseAddress + kFirImageSize * static_cast<std::size_t>(output));
}

// Tap words <-> the device's byte image (three bytes per tap, MSB first).
inline FirImage FirImageFromTaps(const FirTapWords& taps) {
    FirImage image{};
    for (std::size_t t = 0; t < taps.size(); ++t) {
        image[3 * t] = static_cast<std::uint8_t>(taps[t] >> 16 & 0xFF);
        image[3 * t + 1] = static_cast<std::uint8_t>(taps[t] >> 8 & 0xFF);
        image[3 * t + 2] = static_cast<std::uint8_t>(taps[t] & 0xFF);
    }
    return image;
}

inline FirTapWords TapsFromFirImage(const FirImage& image) {
    FirTapWords taps{};
    for (std::size_t t = 0; t < taps.size(); ++t)
        taps[t] = std::uint32_t{image[3 * t]} << 16 | std::uint32_t{image[3 * t + 1]} << 8 | image[3 * t + 2];
    return taps;
}

}  // namespace zef
