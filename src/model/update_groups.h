#pragma once
// The parameter groups the incremental update compares between the record
// last read from a device (DeviceModel::readSettings/readPreset) and the live
// record, as a table of byte ranges, and what applying a group does.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/device_model.h"
#include "model/response_observer.h"

namespace zef {

// Parameter groups of the incremental update, channel level first (in the
// order they are compared) and then device level.
enum class ParamGroup : std::uint8_t {
    // channel level
    Gains,           // PI 16..17, 493..494
    Mutes,           // PI 18, 495
    NoiseGates,      // PI 20..27
    Delay,           // PI 461..466, 582
    CompressorAuto,  // PI 481..484
    Compressors,     // PI 467..480
    Crossovers,      // PI 104..115
    ChannelModes,    // PI 28
    EqBypass,        // PI 29, 117
    EqBands,         // PI 30..99, 118..417, 500..579
    EqMode,          // PI 116
    FirBypass,       // PI 418
    Polarity,        // PI 19, 496
    Limiters,        // PI 485..492
    Routing,         // PI 100..103
    Masking,         // PI 497..499, 580..581
    DynamicFilter,   // PI 455..460
    FirInfo,         // PI 419..454: FIR names and tap counts
    // device level
    RemoteEnable,    // DS 217
    NoiseGenerator,  // DS 205, 208..210
    BridgePower,     // DS 213..216: bridge, voltage, load impedances
    SleepMode,       // DS 211
    Standby,         // DS 206
    LinkMask,        // DS 212 and the linked flags
    DelayUnit,       // DS 207
};
inline constexpr int kParamGroupCount = 25;

// "Gains", "NoiseGates", ...: the group's name as the enum spells it.
std::string_view ParamGroupName(ParamGroup group);

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
