#include "model/memory_map.h"

#include <algorithm>

namespace zef {

namespace {

constexpr MemoryField kSettings[] = {
    {"unused0", 0, 1},
    {"firmwareVersion", ds::kFirmwareVersion, 3},
    {"copied4", ds::kCopied4, 1},
    {"deviceName", ds::kDeviceName, ds::kDeviceNameSize, true},
    {"copied21", ds::kCopied21, ds::kCopied21Size},
    {"lanMode", ds::kLanMode, 1},
    {"lanAddress", ds::kLanAddress, 4},
    {"lanSubnet", ds::kLanSubnet, 4},
    {"lanGateway", ds::kLanGateway, 4},
    {"wlanEnable", ds::kWlanEnable, 1},
    {"wlanMode", ds::kWlanMode, 1},
    {"wlanAddress", ds::kWlanAddress, 4},
    {"wlanSubnet", ds::kWlanSubnet, 4},
    {"wlanGateway", ds::kWlanGateway, 4},
    {"wlanSsidLength", ds::kWlanSsidLength, 1},
    {"wlanSsid", ds::kWlanSsid, ds::kNetworkTextSize, true},
    {"wlanSecurity", ds::kWlanSecurity, 1},
    {"wlanKeyLength", ds::kWlanKeyLength, 1},
    {"wlanKey", ds::kWlanKey, ds::kNetworkTextSize, true},
    {"apEnable", ds::kApEnable, 1},
    {"apAddress", ds::kApAddress, 4},
    {"apSubnet", ds::kApSubnet, 4},
    {"apGateway", ds::kApGateway, 4},
    {"apSsidLength", ds::kApSsidLength, 1},
    {"apSsid", ds::kApSsid, ds::kNetworkTextSize, true},
    {"apSecurity", ds::kApSecurity, 1},
    {"apKeyLength", ds::kApKeyLength, 1},
    {"apKey", ds::kApKey, ds::kNetworkTextSize, true},
    {"apChannel", ds::kApChannel, 1},
    {"loadedPreset", ds::kLoadedPreset, 1},
    {"noiseOption", ds::kNoiseOption, 1},
    {"standby", ds::kStandby, 1},
    {"delayUnit", ds::kDelayUnit, 1},
    {"noiseOn", ds::kNoiseOn, 1},
    {"noiseSubOption", ds::kNoiseSubOption, 1},
    {"noiseLevel", ds::kNoiseLevel, 1},
    {"sleepMode", ds::kSleepMode, 1},
    {"linkMask", ds::kLinkMask, 1},
    {"bridge", ds::kBridge, 1},
    {"voltage", ds::kVoltage, 1},
    {"impedance", ds::kImpedanceBase, 2},
    {"remoteEnable", ds::kRemoteEnable, 1},
    {"copied218", ds::kCopied218, ds::kCopied218Size},
};

constexpr MemoryField kPreset[] = {
    {"name", pi::kName, pi::kNameSize, true},
    {"inputGain", pi::kInputGainBase, 2},
    {"inputMute", pi::kInputMute, 1},
    {"inputPolarity", pi::kInputPolarity, 1},
    {"noiseGate", pi::kGateBase, 8},
    {"channelMode", pi::kChannelMode, 1},
    {"inputEqBypass", pi::kInputEqBypass, 1},
    {"inputBlockA", pi::kInputBlockA, 40},
    {"inputBlockB", pi::kInputBlockB, 30},
    {"routing", pi::kRouting, 4},
    {"highPass", pi::kHighPassBase, 6},
    {"lowPass", pi::kLowPassBase, 6},
    {"eqMode", pi::kEqMode, 1},
    {"outputEqBypass", pi::kOutputEqBypass, 1},
    {"outputEq", pi::kOutputEq, 300},
    {"firBypass", pi::kFirBypass, 1},
    {"firNames", pi::kFirNames, 32},
    {"firTapsHigh", pi::kFirTapsHighBase, 2},
    {"firTapsLow", pi::kFirTapsLowBase, 2},
    {"dynamicFilter", pi::kDynamicFilterBase, 6},
    {"delay", pi::kDelayBase, 6},
    {"compressor", pi::kCompressorBase, 14},
    {"compAutoMode", pi::kCompAutoModeBase, 2},
    {"compAutoKnee", pi::kCompAutoKneeBase, 2},
    {"limiter", pi::kLimiterBase, 8},
    {"outputGain", pi::kOutputGainBase, 2},
    {"outputMute", pi::kOutputMute, 1},
    {"outputPolarity", pi::kOutputPolarity, 1},
    {"maskingChannels", pi::kMaskingChannels, 1},
    {"maskingType", pi::kMaskingType, 1},
    {"maskingSubOption", pi::kMaskingSubOption, 1},
    {"maskingBands", pi::kMaskingBands, 80},
    {"maskingLevel", pi::kMaskingLevel, 1},
    {"maskingEnable", pi::kMaskingEnable, 1},
    {"delayBypass", pi::kDelayBypass, 1},
    {"copied583", pi::kCopied583, pi::kCopied583Size},
};

const MemoryField* FieldAt(std::span<const MemoryField> fields, std::size_t offset) {
    auto it = std::find_if(fields.begin(), fields.end(), [offset](const MemoryField& f) {
        return offset < f.offset + std::size_t{f.size};
    });
    return it == fields.end() ? nullptr : &*it;
}

}  // namespace

std::span<const MemoryField> SettingsFields() { return kSettings; }
std::span<const MemoryField> PresetFields() { return kPreset; }

const MemoryField* SettingsFieldAt(std::size_t offset) { return FieldAt(kSettings, offset); }
const MemoryField* PresetFieldAt(std::size_t offset) { return FieldAt(kPreset, offset); }

void EncodePresetToDevice(const PresetImage& record, std::array<std::uint8_t, kPresetSize>& device) {
    device = record.bytes;
    for (const Array2D& arr : kPresetArrays2D) {
        for (int a = 0; a < arr.dimA; ++a) {
            for (int b = 0; b < arr.dimB; ++b) {
                std::copy_n(record.bytes.begin() + static_cast<std::ptrdiff_t>(arr.recordOffset(a, b)),
                            arr.elementSize,
                            device.begin() + static_cast<std::ptrdiff_t>(arr.deviceOffset(a, b)));
            }
        }
    }
}

void DecodePresetFromDevice(const std::array<std::uint8_t, kPresetSize>& device, PresetImage& record) {
    record.bytes = device;
    for (const Array2D& arr : kPresetArrays2D) {
        for (int a = 0; a < arr.dimA; ++a) {
            for (int b = 0; b < arr.dimB; ++b) {
                std::copy_n(device.begin() + static_cast<std::ptrdiff_t>(arr.deviceOffset(a, b)),
                            arr.elementSize,
                            record.bytes.begin() + static_cast<std::ptrdiff_t>(arr.recordOffset(a, b)));
            }
        }
    }
}

}  // namespace zef
