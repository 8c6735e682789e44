// .zef preset files. An accepted file goes into a device's live records and
// reads back the same after saving; a rejected one leaves the device as it was.

#include "files/preset_file.h"
#include "fuzz_check.h"
#include "model/defaults.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zef::DeviceModel device;
    zef::ResetToDefaults(device);
    const zef::PresetImage presetBefore = device.preset;
    const auto tapsBefore = device.firTaps;

    const zef::PresetFileResult file = zef::DecodePresetFile(FuzzBytes(data, size));
    if (!file.ok()) {
        FUZZ_CHECK(device.preset == presetBefore && device.firTaps == tapsBefore);
        return 0;
    }
    FUZZ_CHECK(size == zef::kPresetFileSize);
    zef::ApplyPresetFile(file.data, device);
    for (const auto& taps : device.firTaps)
        for (const std::uint32_t word : taps) FUZZ_CHECK(word <= 0xFFFFFF);
    const std::vector<std::uint8_t> saved = zef::EncodePresetFile(device);
    FUZZ_CHECK(saved.size() == zef::kPresetFileSize);
    const zef::PresetFileResult again = zef::DecodePresetFile(saved);
    FUZZ_CHECK(again.ok() && again.data.preset == device.preset && again.data.firTaps == device.firTaps);
    return 0;
}
