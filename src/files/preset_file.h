#pragma once
// Preset files (.zef): one device's running preset and both outputs' FIR.
//
//   offset  size  content
//        0     2  format marker, 16-bit 83
//        2   624  PresetImage, record order, byte for byte
//      626  1536  output 1 FIR: 384 x 32-bit tap words, tap 0 first
//     2162  1536  output 2 FIR
//   = 3698 bytes, little-endian.
//
// Loading is split in two: LoadPresetFile parses and validates the whole file
// without touching the model; ApplyPresetFile puts an accepted file into a
// device. A rejected file therefore changes nothing.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/device_model.h"
#include "files/file_texts.h"

namespace zef {

inline constexpr std::int16_t kPresetFileMarker = 83;
inline constexpr std::size_t kPresetFileSize = 2 + kPresetSize + 2 * kFirTapCount * 4;  // 3698

using FirTable = std::array<std::array<std::uint32_t, kFirTapCount>, 2>;

struct PresetFileData {
    PresetImage preset;
    FirTable firTaps{};
};

enum class PresetFileError {
    None,
    NotFound,     // no such file
    Unreadable,   // the file could not be read
    WrongMarker,  // not a preset file (a project file starts with 53)
    Truncated,    // shorter than a preset file
    TooLarge,     // far larger than any preset file; not read
};

struct PresetFileResult {
    PresetFileError error = PresetFileError::None;
    PresetFileData data;

    bool ok() const { return error == PresetFileError::None; }
};

// The 3698 bytes of a preset file holding `device`'s PresetImage and FIR taps.
std::vector<std::uint8_t> EncodePresetFile(const DeviceModel& device);

// Parses preset-file bytes. Bytes after the 3698th are ignored. Tap words are
// kept to their 24 bits.
PresetFileResult DecodePresetFile(std::span<const std::uint8_t> bytes);

// Writes the preset file atomically; false on any file error.
bool SavePresetFile(const std::string& path, const DeviceModel& device);

// Reads and parses a preset file; the model is not touched.
PresetFileResult LoadPresetFile(const std::string& path);

// Puts an accepted preset file into the live records of a device.
void ApplyPresetFile(const PresetFileData& data, DeviceModel& device);

// The message for a failed load, shown with the exclamation icon.
FileMessage PresetFileErrorMessage(PresetFileError error);

}  // namespace zef
