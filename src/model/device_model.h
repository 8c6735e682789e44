#pragma once
// The in-memory model of every amplifier: for each of the 33 device slots a
// copy of the device's parameter memory (240-byte settings at device addresses
// 0..239, 624-byte running preset at 240..863), the engineering-unit mirror the
// editors and graphs use, the FIR taps and the FIR-wizard EQ target.
//
// Offsets into DeviceSettings equal device memory addresses. Offsets into
// PresetImage are record offsets relative to device address 240: scalars and
// one-dimensional arrays sit where the device has them, but the five 2-D
// arrays hold their elements in record order (first index fastest). The
// mapping to device order is EncodePresetToDevice / DecodePresetFromDevice.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/device_entry.h"
#include "base/check.h"
#include "model/slots.h"

namespace zef {

inline constexpr std::size_t kSettingsSize = 240;
inline constexpr std::size_t kPresetSize = 624;
inline constexpr std::size_t kDeviceMemorySize = kSettingsSize + kPresetSize;  // 864
inline constexpr std::uint16_t kPresetBaseAddress = 240;
inline constexpr std::size_t kFirTapCount = 384;
inline constexpr std::size_t kBandCount = 84;
inline constexpr std::size_t kCrossoverCount = 4;
inline constexpr std::size_t kGroupCount = 5;
inline constexpr std::size_t kPresetSlotCount = 3;

// A fixed-size byte record addressed by offset.
template <std::size_t N>
struct ByteRecord {
    std::array<std::uint8_t, N> bytes{};

    static constexpr std::size_t size() { return N; }
    // An offset past the record is reported; writes then go to a scratch
    // byte and reads give 0, so nothing outside the record is touched.
    std::uint8_t& operator[](std::size_t offset) {
        if (!ZEF_CHECK(offset < N)) {
            static thread_local std::uint8_t scratch;
            scratch = 0;
            return scratch;
        }
        return bytes[offset];
    }
    std::uint8_t operator[](std::size_t offset) const {
        if (!ZEF_CHECK(offset < N)) return 0;
        return bytes[offset];
    }
    // 16-bit big-endian value at offset, offset + 1.
    std::uint16_t be16(std::size_t offset) const {
        return static_cast<std::uint16_t>((*this)[offset] << 8 | (*this)[offset + 1]);
    }
    void setBe16(std::size_t offset, std::uint16_t v) {
        (*this)[offset] = static_cast<std::uint8_t>(v >> 8);
        (*this)[offset + 1] = static_cast<std::uint8_t>(v & 0xFF);
    }
    bool operator==(const ByteRecord&) const = default;
};

using DeviceSettings = ByteRecord<kSettingsSize>;
using PresetImage = ByteRecord<kPresetSize>;

// Engineering-unit mirror of the device records, per slot.
// Band numbering: 0..3 input L, 4..7 input R, 8..37 output 1, 38..67 output 2,
// 68..83 the masking channel "SM". Channel-indexed arrays use the ChannelCode
// (0..3); index 4 of eqBypass is the "SM" group.
struct EditorValues {
    std::array<double, kBandCount> bandGain{};       // dB
    std::array<double, kBandCount> bandFrequency{};  // Hz
    std::array<double, kBandCount> bandQ{};
    std::array<double, kBandCount> bandBypass{};     // nonzero = bypassed
    std::array<std::int16_t, kBandCount> bandType{}; // 0 Bell .. 7 AP II
    std::array<double, 7> channelGainDb{};
    std::array<std::int16_t, 7> mute{};
    std::array<std::int16_t, 7> polarity{};
    std::array<std::int16_t, kGroupCount> eqBypass{};
    std::array<double, kCrossoverCount> crossoverFrequency{};  // n: output n/2, odd = low-pass
    std::array<double, kCrossoverCount> crossoverSlope{};
    std::array<std::string, kPresetSlotCount> presetNames{};
    std::int16_t lock = 0;  // interface lock value (1 = locked)
};

// FIR-wizard EQ target record, written field by field into project and wizard
// files: a leading 16-bit value, ten 16-bit section codes, ten frequencies,
// ten Q values, ten gains (doubles) and a 16-bit flag.
struct EqTargetRecord {
    std::int16_t leading = 0;
    std::array<std::int16_t, 10> sectionCode{};
    std::array<double, 10> frequency{};
    std::array<double, 10> q{};
    std::array<double, 10> gainDb{};
    std::int16_t flag = 1;
    bool operator==(const EqTargetRecord&) const = default;
};

// Everything the editor keeps for one device slot.
struct DeviceModel {
    DeviceSettings settings;
    PresetImage preset;
    DeviceSettings readSettings;  // the last image read from the device
    PresetImage readPreset;
    EditorValues values;
    std::array<std::array<std::uint32_t, kFirTapCount>, 2> firTaps{};  // 24-bit tap words per output
    EqTargetRecord eqTarget;
    std::int16_t selectedOutput = kOutput1;  // 2 or 3
    std::int16_t inputsLinked = 0;
    std::int16_t outputsLinked = 0;
    bool firmwareOk = false;
    bool alert = false;  // second state flag of the status poll (reply byte 22, bit 1)
};

// The process-wide tables of the device model.
class Model {
public:
    Model();

    DeviceModel& device(DeviceSlot slot) { return devices_[SlotIndex(slot)]; }
    const DeviceModel& device(DeviceSlot slot) const { return devices_[SlotIndex(slot)]; }
    DeviceEntry& entry(DeviceSlot slot) { return entries_[SlotIndex(slot)]; }
    const DeviceEntry& entry(DeviceSlot slot) const { return entries_[SlotIndex(slot)]; }

    // The output (kOutput1 or kOutput2) shown in a slot's output editor;
    // senders of output parameters take their channel from here.
    ChannelCode selectedOutput(DeviceSlot slot) const {
        return static_cast<ChannelCode>(device(slot).selectedOutput);
    }
    void setSelectedOutput(DeviceSlot slot, ChannelCode output) {
        if (!ZEF_CHECK((output == kOutput1 || output == kOutput2) && "SelectedOutput is an output")) return;
        device(slot).selectedOutput = output;
    }

    // Two main-window values kept in project files.
    std::int32_t windowValueA = 0;
    std::int32_t windowValueB = 0;

private:
    std::array<DeviceModel, kSlotCount> devices_;
    std::array<DeviceEntry, kSlotCount> entries_;
};

}  // namespace zef
