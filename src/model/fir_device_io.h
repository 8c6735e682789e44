#pragma once
// FIR coefficient memory of the device and the memory block transfers that
// move it.
//
// Each output o has 1152 bytes at device address 4096 + 1152*o: 384 taps of
// three bytes, most significant first, each a 24-bit two's-complement word
// with 21 fraction bits (0x200000 = 1.0). The model keeps the words as
// unsigned 24-bit numbers (DeviceModel::firTaps).
//
//   read   6 x ReadMemory  (command 20) of 192 bytes at base + 0, 192, ..., 960
//   write 24 x WriteMemory (command 21) of  48 bytes at base + 0, 48, ..., 1104
//
// ReadMemory: p1 address high, p2 address low, p3 count; the reply holds the
// data from byte 4. WriteMemory: p1, p2 as above, p3 count, the data in
// LinkState::blockPayload.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "model/device_model.h"
#include "model/exchange.h"

namespace zef {

inline constexpr std::uint8_t kCommandReadMemory = 20;
inline constexpr std::uint8_t kCommandWriteMemory = 21;

inline constexpr std::uint16_t kFirBaseAddress = 0x1000;
inline constexpr std::size_t kFirImageSize = kFirTapCount * 3;  // 1152 = 0x480
inline constexpr std::size_t kFirReadChunk = 192;
inline constexpr std::size_t kFirWriteChunk = 48;
inline constexpr std::size_t kFirWriteCount = kFirImageSize / kFirWriteChunk;  // 24

using FirImage = std::array<std::uint8_t, kFirImageSize>;
using FirTapWords = std::array<std::uint32_t, kFirTapCount>;

// Device address of output `output`'s (0 or 1) coefficient image.
constexpr std::uint16_t FirAddress(int output) {
    return static_cast<std::uint16_t>(kFirBaseAddress + kFirImageSize * static_cast<std::size_t>(output));
}

// Tap words <-> the device's byte image (three bytes per tap, MSB first).
FirImage FirImageFromTaps(const FirTapWords& taps);
FirTapWords TapsFromFirImage(const FirImage& image);

// One WriteMemory of data.size() (1..65) bytes at `address`; the data go
// through LinkState::blockPayload. Returns the exchange's status.
Status WriteMemoryBlock(Exchange& exchange, DeviceSlot slot, std::uint16_t address,
                        std::span<const std::uint8_t> data);

// One ReadMemory of out.size() bytes at `address`; on success the reply's
// data are copied to `out`, on failure `out` is untouched.
Status ReadMemoryBlock(Exchange& exchange, DeviceSlot slot, std::uint16_t address,
                       std::span<std::uint8_t> out);

// Reads output `output`'s FIR from the device into model.device(slot).firTaps.
// Stops at the first failed read and returns -1; the taps of the blocks that
// were read are updated, the others keep their values. The caller computes
// the response from the stored taps afterwards, whatever the result.
Status ReadFirFromDevice(Exchange& exchange, Model& model, DeviceSlot slot, int output);

// Writes a coefficient image to output `output`, 48 bytes at a time in
// ascending address order. `afterWrite`, when set, is called after each
// successful write (progress). Stops at the first failure and returns -1.
Status WriteFirToDevice(Exchange& exchange, DeviceSlot slot, int output, const FirImage& image,
                        const std::function<void()>& afterWrite = {});

}  // namespace zef
