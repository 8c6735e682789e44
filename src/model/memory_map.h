#pragma once
// The device memory map: every field of DeviceSettings (device addresses
// 0..239) and PresetImage (record offsets 0..623, device addresses 240..863),
// as named offsets and as one table per record for tools that walk fields.
//
// Record offsets equal device offsets for scalars and one-dimensional arrays.
// The five 2-D arrays of PresetImage ([A][B], element size s) are held in
// record order, first index fastest:     record offset = base + s*(a + A*b)
// and stored by the device per channel:  device offset = base + s*(B*a + b)
//
// Per-channel accessors take the ChannelCode for inputs (0..1) and the output
// index o = code - 2 (0..1) for outputs.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "model/device_model.h"
#include "base/check.h"

namespace zef {

// ---- DeviceSettings (offset = device address) ----
namespace ds {
inline constexpr std::size_t kUnused0 = 0;
inline constexpr std::size_t kFirmwareVersion = 1;  // 3 bytes; shown as byte 3 "." byte 2 "." byte 1
inline constexpr std::size_t kCopied4 = 4;
inline constexpr std::size_t kDeviceName = 5;  // 16 characters
inline constexpr std::size_t kDeviceNameSize = 16;
inline constexpr std::size_t kCopied21 = 21;  // 8 bytes
inline constexpr std::size_t kCopied21Size = 8;
// LAN interface (written as one 13-byte block at 29).
inline constexpr std::size_t kLanMode = 29;
inline constexpr std::size_t kLanAddress = 30;  // 4 octets each, first octet first
inline constexpr std::size_t kLanSubnet = 34;
inline constexpr std::size_t kLanGateway = 38;
// WLAN client (blocks of 40 bytes at 42 and 41 bytes at 82).
inline constexpr std::size_t kWlanEnable = 42;
inline constexpr std::size_t kWlanMode = 43;
inline constexpr std::size_t kWlanAddress = 44;
inline constexpr std::size_t kWlanSubnet = 48;
inline constexpr std::size_t kWlanGateway = 52;
inline constexpr std::size_t kWlanSsidLength = 56;
inline constexpr std::size_t kWlanSsid = 57;  // 32 characters
inline constexpr std::size_t kWlanSecurity = 89;
inline constexpr std::size_t kWlanKeyLength = 90;
inline constexpr std::size_t kWlanKey = 91;  // 32 characters
// Access point (blocks of 40 bytes at 123 and 41 bytes at 163).
inline constexpr std::size_t kApEnable = 123;
inline constexpr std::size_t kApAddress = 124;
inline constexpr std::size_t kApSubnet = 128;
inline constexpr std::size_t kApGateway = 132;
inline constexpr std::size_t kApSsidLength = 136;
inline constexpr std::size_t kApSsid = 137;  // 32 characters
inline constexpr std::size_t kApSecurity = 169;
inline constexpr std::size_t kApKeyLength = 170;
inline constexpr std::size_t kApKey = 171;  // 32 characters
inline constexpr std::size_t kApChannel = 203;
inline constexpr std::size_t kNetworkTextSize = 32;
// Device state.
inline constexpr std::size_t kLoadedPreset = 204;  // bits 0..6 slot from 0; bit 7 not part of it
inline constexpr std::size_t kNoiseOption = 205;
inline constexpr std::size_t kStandby = 206;    // 1 = standby
inline constexpr std::size_t kDelayUnit = 207;  // 1 = metres
inline constexpr std::size_t kNoiseOn = 208;
inline constexpr std::size_t kNoiseSubOption = 209;
inline constexpr std::size_t kNoiseLevel = 210;  // code = 81 - slider position
inline constexpr std::size_t kSleepMode = 211;
inline constexpr std::size_t kLinkMask = 212;  // bit 0 inputs linked, bit 1 outputs linked
inline constexpr std::size_t kBridge = 213;    // nonzero = bridged
inline constexpr std::size_t kVoltage = 214;
inline constexpr std::size_t kImpedanceBase = 215;  // [output]; bridged uses output 0's entry
inline constexpr std::size_t kRemoteEnable = 217;
inline constexpr std::size_t kCopied218 = 218;  // 22 bytes
inline constexpr std::size_t kCopied218Size = 22;

inline constexpr std::uint8_t kLoadedPresetMask = 0x7F;

inline std::size_t Impedance(int output) {
    if (!ZEF_CHECK(output >= 0 && output < 2)) output = 0;
    return kImpedanceBase + static_cast<std::size_t>(output);
}
}  // namespace ds

// ---- PresetImage (record offsets; device address = 240 + offset) ----
namespace pi {
inline constexpr std::size_t kName = 0;  // 16 characters, blank padded
inline constexpr std::size_t kNameSize = 16;
inline constexpr std::size_t kInputGainBase = 16;  // [input]
inline constexpr std::size_t kInputMute = 18;      // mask, bit = input
inline constexpr std::size_t kInputPolarity = 19;  // mask, bit = input
inline constexpr std::size_t kGateBase = 20;       // [input] x 4: enable, threshold, time B, time A
inline constexpr std::size_t kGateEnable = 0;
inline constexpr std::size_t kGateThreshold = 1;
inline constexpr std::size_t kGateTimeB = 2;
inline constexpr std::size_t kGateTimeA = 3;
inline constexpr std::size_t kChannelMode = 28;         // bit ch set = input shows band block B
inline constexpr std::size_t kInputEqBypass = 29;       // mask, bit = input
inline constexpr std::size_t kInputBlockA = 30;         // 2-D BandRecord [input 0..1][band 0..3]
inline constexpr std::size_t kInputBlockB = 70;         // 2-D BandRecord [input 0..1][band 0..2]
inline constexpr std::size_t kRouting = 100;            // 2-D bytes [output 0..1][source 0..1]
inline constexpr std::size_t kHighPassBase = 104;       // CrossoverRecord [output]
inline constexpr std::size_t kLowPassBase = 110;        // CrossoverRecord [output]
inline constexpr std::size_t kEqMode = 116;             // 0 = 30-band EQ, otherwise 10-band EQ + FIR
inline constexpr std::size_t kOutputEqBypass = 117;     // mask, bit = output
inline constexpr std::size_t kOutputEq = 118;           // 2-D BandRecord [output 0..1][band 0..29]
inline constexpr std::size_t kFirBypass = 418;          // mask, bit = output
inline constexpr std::size_t kFirNames = 419;           // 2-D characters [output 0..1][char 0..15]
inline constexpr std::size_t kFirTapsHighBase = 451;    // [output]
inline constexpr std::size_t kFirTapsLowBase = 453;     // [output]
inline constexpr std::size_t kDynamicFilterBase = 455;  // [output] x 3: enable, value 1, value 2
inline constexpr std::size_t kDelayBase = 461;          // [output] x 3: coarse high, coarse low, fine
inline constexpr std::size_t kCompressorBase = 467;     // [output] x 7
inline constexpr std::size_t kCompEnable = 0;
inline constexpr std::size_t kCompLevel = 1;
inline constexpr std::size_t kCompRatio = 2;
inline constexpr std::size_t kCompValue = 3;
inline constexpr std::size_t kCompTimeA = 4;
inline constexpr std::size_t kCompTimeB = 5;
inline constexpr std::size_t kCompGain = 6;
inline constexpr std::size_t kCompAutoModeBase = 481;  // [output]
inline constexpr std::size_t kCompAutoKneeBase = 483;  // [output]
inline constexpr std::size_t kLimiterBase = 485;       // [output] x 4
inline constexpr std::size_t kLimEnable = 0;
inline constexpr std::size_t kLimThreshold = 1;
inline constexpr std::size_t kLimTimeA = 2;
inline constexpr std::size_t kLimTimeB = 3;
inline constexpr std::size_t kOutputGainBase = 493;   // [output]
inline constexpr std::size_t kOutputMute = 495;       // mask, bit = output
inline constexpr std::size_t kOutputPolarity = 496;   // mask, bit = output
inline constexpr std::size_t kMaskingChannels = 497;  // mask, bit = channel
inline constexpr std::size_t kMaskingType = 498;
inline constexpr std::size_t kMaskingSubOption = 499;
inline constexpr std::size_t kMaskingBands = 500;  // BandRecord [band 0..15]
inline constexpr std::size_t kMaskingLevel = 580;  // code = 81 - slider position
inline constexpr std::size_t kMaskingEnable = 581;
inline constexpr std::size_t kDelayBypass = 582;  // mask, bit = output
inline constexpr std::size_t kCopied583 = 583;    // 41 bytes
inline constexpr std::size_t kCopied583Size = 41;

inline constexpr std::size_t kBandRecordSize = 5;
inline constexpr std::size_t kCrossoverRecordSize = 3;
inline constexpr std::size_t kInputBandsA = 4;
inline constexpr std::size_t kInputBandsB = 3;
inline constexpr std::size_t kOutputBands = 30;
inline constexpr std::size_t kMaskingBandCount = 16;
inline constexpr std::size_t kFirNameSize = 16;

namespace detail {
// An index outside 0..count-1 is reported and 0 stands in for it.
inline std::size_t Index(int i, int count) {
    if (!ZEF_CHECK(i >= 0 && i < count)) return 0;
    return static_cast<std::size_t>(i);
}
}  // namespace detail

inline std::size_t InputGain(int input) { return kInputGainBase + detail::Index(input, 2); }
inline std::size_t Gate(int input) { return kGateBase + 4 * detail::Index(input, 2); }
inline std::size_t InputBandA(int input, int band) {
    return kInputBlockA + kBandRecordSize * (detail::Index(input, 2) + 2 * detail::Index(band, 4));
}
inline std::size_t InputBandB(int input, int band) {
    return kInputBlockB + kBandRecordSize * (detail::Index(input, 2) + 2 * detail::Index(band, 3));
}
// Routing byte of (output, source); source 0 is input L.
inline std::size_t Routing(int output, int source) {
    return kRouting + detail::Index(output, 2) + 2 * detail::Index(source, 2);
}
inline std::size_t HighPass(int output) { return kHighPassBase + 3 * detail::Index(output, 2); }
inline std::size_t LowPass(int output) { return kLowPassBase + 3 * detail::Index(output, 2); }
inline std::size_t OutputBand(int output, int band) {
    return kOutputEq + kBandRecordSize * (detail::Index(output, 2) + 2 * detail::Index(band, 30));
}
inline std::size_t FirNameChar(int output, int i) {
    return kFirNames + detail::Index(output, 2) + 2 * detail::Index(i, 16);
}
inline std::size_t FirTapsHigh(int output) { return kFirTapsHighBase + detail::Index(output, 2); }
inline std::size_t FirTapsLow(int output) { return kFirTapsLowBase + detail::Index(output, 2); }
inline std::size_t DynamicFilter(int output) { return kDynamicFilterBase + 3 * detail::Index(output, 2); }
inline std::size_t Delay(int output) { return kDelayBase + 3 * detail::Index(output, 2); }
inline std::size_t Compressor(int output) { return kCompressorBase + 7 * detail::Index(output, 2); }
inline std::size_t CompAutoMode(int output) { return kCompAutoModeBase + detail::Index(output, 2); }
inline std::size_t CompAutoKnee(int output) { return kCompAutoKneeBase + detail::Index(output, 2); }
inline std::size_t Limiter(int output) { return kLimiterBase + 4 * detail::Index(output, 2); }
inline std::size_t OutputGain(int output) { return kOutputGainBase + detail::Index(output, 2); }
inline std::size_t MaskingBand(int band) {
    return kMaskingBands + kBandRecordSize * detail::Index(band, 16);
}
}  // namespace pi

// One named field of a record: `size` bytes from `offset`. Text fields hold
// ANSI characters; the rest are bytes or byte groups.
struct MemoryField {
    std::string_view name;
    std::uint16_t offset;
    std::uint16_t size;
    bool text = false;
};

// A 2-D array of PresetImage: [dimA][dimB] elements of elementSize bytes.
struct Array2D {
    std::string_view name;
    std::uint16_t base;
    std::uint8_t dimA;
    std::uint8_t dimB;
    std::uint8_t elementSize;

    constexpr std::size_t size() const { return std::size_t{dimA} * dimB * elementSize; }
    constexpr std::size_t recordOffset(int a, int b) const {
        return base + std::size_t{elementSize} * static_cast<std::size_t>(a + dimA * b);
    }
    constexpr std::size_t deviceOffset(int a, int b) const {
        return base + std::size_t{elementSize} * static_cast<std::size_t>(dimB * a + b);
    }
};

inline constexpr std::array<Array2D, 5> kPresetArrays2D = {{
    {"inputBlockA", pi::kInputBlockA, 2, 4, 5},
    {"inputBlockB", pi::kInputBlockB, 2, 3, 5},
    {"routing", pi::kRouting, 2, 2, 1},
    {"outputEq", pi::kOutputEq, 2, 30, 5},
    {"firNames", pi::kFirNames, 2, 16, 1},
}};

// Every field of each record in offset order; together they cover each
// record exactly once.
std::span<const MemoryField> SettingsFields();
std::span<const MemoryField> PresetFields();

// The field that holds `offset`, or nullptr when offset is past the record.
const MemoryField* SettingsFieldAt(std::size_t offset);
const MemoryField* PresetFieldAt(std::size_t offset);

// Record order <-> device order of the 624-byte preset block. Scalars and 1-D
// arrays are copied in place; the 2-D arrays of kPresetArrays2D are permuted.
// The two are exact inverses. Used for every block read and write.
void EncodePresetToDevice(const PresetImage& record, std::array<std::uint8_t, kPresetSize>& device);
void DecodePresetFromDevice(const std::array<std::uint8_t, kPresetSize>& device, PresetImage& record);

}  // namespace zef
