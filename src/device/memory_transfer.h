#pragma once
// Memory block transfers: reading and writing device memory, the FIR
// coefficient images (model/fir_image.h) and a whole preset.
//
//   read   6 x ReadMemory  (command 20) of 192 bytes at base + 0, 192, ..., 960
//   write 24 x WriteMemory (command 21) of  48 bytes at base + 0, 48, ..., 1104
//
// ReadMemory: p1 address high, p2 address low, p3 count; the reply holds the
// data from byte 4. WriteMemory: p1, p2 as above, p3 count, then the data.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "model/device_model.h"
#include "model/fir_image.h"
#include "device/exchange.h"

namespace zef {


inline constexpr std::size_t kFirReadChunk = 192;
inline constexpr std::size_t kFirWriteChunk = 48;
inline constexpr std::size_t kFirWriteCount = kFirImageSize / kFirWriteChunk;  // 24

// One WriteMemory of data.size() (1..65) bytes at `address`. 0 when the
// device answered or the write was skipped (off-line, suppressed).
Status WriteMemoryBlock(Exchange& exchange, DeviceSlot slot, std::uint16_t address,
                        std::span<const std::uint8_t> data);

// One ReadMemory of out.size() (1..255) bytes at `address`. 0 only when the
// device answered: the reply's data are then in `out`. A failed or skipped
// read returns -1 and leaves `out` untouched.
Status ReadMemoryBlock(Exchange& exchange, DeviceSlot slot, std::uint16_t address,
                       std::span<std::uint8_t> out);

// A memory reply carries no echo of its request and no checksum: a
// spoilt byte in its data or in the request's address passes every check.
// ReadMemoryAgreed reads out.size() (1..255) bytes at `address` until two
// replies in a row are the same, at most kReadAttempts reads; `first`, when
// not empty, is a read already made and counts as the first. 0 with the
// data in `out`; -1 (out untouched) when a read failed or no two agreed.
inline constexpr int kReadAttempts = 4;
Status ReadMemoryAgreed(Exchange& exchange, DeviceSlot slot, std::uint16_t address, std::span<std::uint8_t> out,
                        std::span<const std::uint8_t> first = {});

// Reads output `output`'s FIR from the device into model.device(slot).firTaps,
// each block by ReadMemoryAgreed. The taps change only when all six reads were answered; a failed or skipped
// read returns -1 and leaves them as they were. The caller computes the
// response from the stored taps afterwards, whatever the result.
Status ReadFirFromDevice(Exchange& exchange, Model& model, DeviceSlot slot, int output);

// Writes a coefficient image to output `output`, 48 bytes at a time in
// ascending address order. `afterWrite`, when set, is called after each
// successful write (progress). Stops at the first failure and returns -1.
Status WriteFirToDevice(Exchange& exchange, DeviceSlot slot, int output, const FirImage& image,
                        const std::function<void()>& afterWrite = {});

inline constexpr std::size_t kPresetWriteChunk = 48;  // 13 writes cover the 624 bytes

// Writes preset bytes [first, first + count) of a device's live preset, in
// device order, to the device (device address 240 + first), in blocks of at
// most 48 bytes. The range must not cut through a 2-D array (memory_map.h):
// its device order is only defined as a whole. Stops at the first failure.
Status WritePresetRange(Exchange& exchange, const Model& model, DeviceSlot slot, std::size_t first,
                        std::size_t count);

// Sends a device's live preset and both FIRs to the device, as after loading
// a preset file: the PresetImage in device order as 13 WriteMemory blocks of
// 48 bytes at 240 + 48k, output 1's then output 2's FIR image (24 blocks
// each), then command 25 with all parameters 0. Stops at the first failed
// exchange and returns -1. Nothing reaches an off-line device (the exchange
// sends nothing and reports success), so the caller may call it either way.
Status WritePresetToDevice(Exchange& exchange, const Model& model, DeviceSlot slot);

}  // namespace zef
