#pragma once
// The parameter groups the incremental update compares between the record
// last read from a device (DeviceModel::readSettings/readPreset) and the live
// record, as a table of byte ranges, and what applying a group does.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/device_model.h"
#include "model/refresh_hooks.h"
#include "model/response_observer.h"

namespace zef {

struct ByteRange {
    std::size_t first;
    std::size_t count;
};

struct UpdateGroup {
    ParamGroup group;
    bool settings;  // ranges are DeviceSettings offsets, else PresetImage offsets
    std::array<ByteRange, 4> ranges;
    std::uint8_t rangeCount;

    std::span<const ByteRange> byteRanges() const { return {ranges.data(), rangeCount}; }
};

// Channel-level groups in the order they are compared.
std::span<const UpdateGroup> ChannelUpdateGroups();
// Device-level groups in the order they are compared.
std::span<const UpdateGroup> DeviceUpdateGroups();

// Do the read and the live record differ inside the group's ranges?
bool GroupDiffers(const DeviceModel& device, const UpdateGroup& group);

// Copies the group's bytes from the read record into the live record and
// brings what depends on them along: EditorValues, the slot's linked flags
// (link mask), the list entry's standby (DS 206); then tells the observer
// which bands, crossovers and sums changed.
void ApplyGroup(Model& model, DeviceSlot slot, const UpdateGroup& group, ResponseObserver& responses);

}  // namespace zef
