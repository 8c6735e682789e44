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
    NotFound,       // no such file
    NotRegular,     // a directory, a FIFO, a device: not read
    Unreadable,     // the file could not be read
    WrongMarker,    // not a preset file (a project file starts with 53)
    Truncated,      // shorter than a preset file
    TrailingBytes,  // longer than a preset file: something else, or damaged
    TooLarge,       // far larger than any preset file; not read
};

struct PresetFileResult {
    PresetFileError error = PresetFileError::None;
    PresetFileData data;
    std::string problem;  // why it was refused: "has 3699 bytes; a preset file has 3698"

    bool ok() const { return error == PresetFileError::None; }
};

// The 3698 bytes of a preset file holding `device`'s PresetImage and FIR taps.
std::vector<std::uint8_t> EncodePresetFile(const DeviceModel& device);

// Parses preset-file bytes: exactly 3698 of them, a file with bytes
// appended is refused like a truncated one. Tap words are kept to their 24
// bits.
PresetFileResult DecodePresetFile(std::span<const std::uint8_t> bytes);

// Writes the preset file atomically; false on any file error.
bool SavePresetFile(const std::string& path, const DeviceModel& device);

// Reads and parses a preset file; the model is not touched.
PresetFileResult LoadPresetFile(const std::string& path);

// Puts an accepted preset file into the live records of a device.
void ApplyPresetFile(const PresetFileData& data, DeviceModel& device);

// The message for a failed load of the file at `path`, shown with the
// exclamation icon: " File not found. Try again." for a file that cannot be
// read, "Wrong file format" for one that is no preset file, each followed
// by a line with the path and the problem.
FileMessage PresetFileErrorMessage(const PresetFileResult& result, const std::string& path);

}  // namespace zef
