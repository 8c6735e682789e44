#include "files/preset_file.h"

#include "files/binary_io.h"
#include "base/input_file.h"
#include "model/memory_map.h"

namespace zef {

namespace {

constexpr std::uint32_t kTapMask = 0xFFFFFF;

PresetFileResult Refused(PresetFileError error, std::string problem) {
    PresetFileResult result;
    result.error = error;
    result.problem = std::move(problem);
    return result;
}

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
    ByteReader r(bytes);
    const std::int16_t marker = r.i16();
    if (r.ok() && marker != kPresetFileMarker)
        return Refused(PresetFileError::WrongMarker,
                       "starts with " + std::to_string(marker) + ", not with 83 as a preset file does");
    if (bytes.size() < kPresetFileSize)
        return Refused(PresetFileError::Truncated,
                       "has " + ByteCountText(bytes.size()) + "; a preset file has 3698");
    if (bytes.size() > kPresetFileSize)
        return Refused(PresetFileError::TrailingBytes,
                       "has " + ByteCountText(bytes.size() - kPresetFileSize) + " after the 3698 of a preset file");
    PresetFileResult result;
    r.bytes(result.data.preset.bytes);
    for (auto& output : result.data.firTaps)
        for (std::uint32_t& tap : output) tap = static_cast<std::uint32_t>(r.i32()) & kTapMask;
    return result;
}

bool SavePresetFile(const std::string& path, const DeviceModel& device) {
    return WriteFileAtomic(path, EncodePresetFile(device));
}

PresetFileResult LoadPresetFile(const std::string& path) {
    FileBytes file = ReadWholeFile(path, kMaxDataFileBytes);
    switch (file.error) {
        case FileReadError::None:
            return DecodePresetFile(file.bytes);
        case FileReadError::NotFound:
            return Refused(PresetFileError::NotFound, file.problem);
        case FileReadError::NotRegular:
            return Refused(PresetFileError::NotRegular, file.problem);
        case FileReadError::TooLarge:
            return Refused(PresetFileError::TooLarge, file.problem);
        case FileReadError::Unreadable:
            break;
    }
    return Refused(PresetFileError::Unreadable, file.problem);
}

void ApplyPresetFile(const PresetFileData& data, DeviceModel& device) {
    device.preset = data.preset;
    device.firTaps = data.firTaps;
}

FileMessage PresetFileErrorMessage(const PresetFileResult& result, const std::string& path) {
    const std::string line = "\r\n" + FileProblemLine(path, result.problem);
    switch (result.error) {
        case PresetFileError::NotFound:
        case PresetFileError::NotRegular:
        case PresetFileError::Unreadable:
            return {kFileErrorTitle, kFileNotFoundText + line};
        case PresetFileError::None:
        case PresetFileError::WrongMarker:
        case PresetFileError::Truncated:
        case PresetFileError::TrailingBytes:
        case PresetFileError::TooLarge:
            break;
    }
    return {kPresetLoadTitle, kPresetWrongFormatText + line};
}

}  // namespace zef
