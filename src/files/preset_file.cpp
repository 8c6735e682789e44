#include "files/preset_file.h"

#include "files/binary_io.h"
#include "model/memory_map.h"

namespace zef {

namespace {

constexpr std::uint32_t kTapMask = 0xFFFFFF;

}  // namespace

std::vector<std::uint8_t> EncodePresetFile(const DeviceModel& device) {
    ByteWriter w;
    w.i16(kPresetFileMarker);
    w.bytes(device.preset.bytes);
    for (const auto& output : device.firTaps)
        for (std::uint32_t tap : output) w.i32(static_cast<std::int32_t>(tap & kTapMask));
    return w.data();
}

PresetFileResult DecodePresetFile(std::span<const std::uint8_t> bytes) {
    PresetFileResult result;
    ByteReader r(bytes);
    const std::int16_t marker = r.i16();
    if (!r.ok()) {
        result.error = PresetFileError::Truncated;
        return result;
    }
    if (marker != kPresetFileMarker) {
        result.error = PresetFileError::WrongMarker;
        return result;
    }
    r.bytes(result.data.preset.bytes);
    for (auto& output : result.data.firTaps)
        for (std::uint32_t& tap : output) tap = static_cast<std::uint32_t>(r.i32()) & kTapMask;
    if (!r.ok()) {
        result.error = PresetFileError::Truncated;
        result.data = {};
    }
    return result;
}

bool SavePresetFile(const std::string& path, const DeviceModel& device) {
    return WriteFileAtomic(path, EncodePresetFile(device));
}

PresetFileResult LoadPresetFile(const std::string& path) {
    FileBytes file = ReadWholeFile(path, kMaxDataFileBytes);
    PresetFileResult result;
    switch (file.error) {
        case FileReadError::None:
            return DecodePresetFile(file.bytes);
        case FileReadError::NotFound:
            result.error = PresetFileError::NotFound;
            return result;
        case FileReadError::TooLarge:
            result.error = PresetFileError::TooLarge;
            return result;
        case FileReadError::Unreadable:
            break;
    }
    result.error = PresetFileError::Unreadable;
    return result;
}

void ApplyPresetFile(const PresetFileData& data, DeviceModel& device) {
    device.preset = data.preset;
    device.firTaps = data.firTaps;
}

FileMessage PresetFileErrorMessage(PresetFileError error) {
    switch (error) {
        case PresetFileError::NotFound:
        case PresetFileError::Unreadable:
            return {kFileErrorTitle, kFileNotFoundText};
        case PresetFileError::None:
        case PresetFileError::WrongMarker:
        case PresetFileError::Truncated:
        case PresetFileError::TooLarge:
            break;
    }
    return {kPresetLoadTitle, kPresetWrongFormatText};
}

}  // namespace zef
