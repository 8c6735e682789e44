#pragma once
// Device slots and channel codes shared by every subsystem.

#include <cstddef>
#include <cstdint>

#include "base/check.h"

namespace zef {

// Index of a device: 0..32. The device list uses 1..32; slot 0 is never listed.
using DeviceSlot = std::int16_t;

inline constexpr int kSlotCount = 33;
inline constexpr int kMaxListedDevices = 32;

// A slot outside 0..32 is a programming error, never a user-visible case:
// it is reported and slot 0, which is never listed, stands in for it.
inline std::size_t SlotIndex(DeviceSlot slot) {
    if (!ZEF_CHECK(slot >= 0 && slot < kSlotCount && "DeviceSlot out of range")) return 0;
    return static_cast<std::size_t>(slot);
}

// The channel number as the device sees it; p1 of most channel commands.
enum ChannelCode : std::uint8_t {
    kInputL = 0,
    kInputR = 1,
    kOutput1 = 2,
    kOutput2 = 3,
};

// Status of a device operation: 0 = success, -1 = failure.
using Status = std::int16_t;
inline constexpr Status kOk = 0;
inline constexpr Status kFailed = -1;

}  // namespace zef
