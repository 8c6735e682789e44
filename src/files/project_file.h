#pragma once
// Project files (.prp) and the device-list file tmpPrj.plt share one layout,
// little-endian, byte-packed:
//
//   16-bit marker 53
//   32 DeviceEntry records, slots 1..32, field by field:
//     Online i16 (-1/0), Interface i16, EditorOpen i16 (-1/0), DeviceId i16,
//     Ip text, Network i16, InList i16 (-1/0), Type u8, Name text,
//     UniqueId text, Standby i16            (text = 16-bit length + bytes)
//   two 32-bit main-window values
//   for every slot 1..32 whose InList is set, in slot order:
//     DeviceSettings 240, PresetImage 624,
//     output 1 FIR 384 x i32, output 2 FIR 384 x i32,
//     EQ target: leading i16, 10 x i16 codes, 10 x f64 frequency,
//                10 x f64 Q, 10 x f64 gain, i16 flag  (264 bytes, no padding)
//
// Loading parses and validates the whole file first (ReadProjectFile) and only
// then changes the model (ApplyProject): a wrong marker, a truncated file or an
// unreadable one leaves the model exactly as it was.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/device_model.h"
#include "files/file_texts.h"

namespace zef {

inline constexpr std::int16_t kProjectFileMarker = 53;
inline constexpr std::size_t kEqTargetRecordSize = 2 + 10 * 2 + 30 * 8 + 2;  // 264
inline constexpr std::size_t kProjectDeviceBlockSize =
    kSettingsSize + kPresetSize + 2 * kFirTapCount * 4 + kEqTargetRecordSize;  // 4200

// Error codes of a failed project load, as the main window tells them apart.
inline constexpr int kErrorFileNotFound = 53;
inline constexpr int kErrorWrongMarker = 250;
inline constexpr int kErrorPastEndOfFile = 62;  // truncated file
inline constexpr int kErrorFileAccess = 75;     // unreadable, not a regular file or absurdly large
inline constexpr int kErrorTrailingBytes = 251;  // bytes after the last device block

// One listed device's data as a project file carries it.
struct ProjectDeviceBlock {
    DeviceSettings settings;
    PresetImage preset;
    std::array<std::array<std::uint32_t, kFirTapCount>, 2> firTaps{};
    EqTargetRecord eqTarget;
    bool operator==(const ProjectDeviceBlock&) const = default;
};

// A parsed project file: list entries and blocks for slots 1..32 (index 0 is
// slot 1); a block is present exactly when its entry is in the list.
struct ProjectImage {
    std::array<DeviceEntry, kMaxListedDevices> entries;
    std::int32_t windowValueA = 0;
    std::int32_t windowValueB = 0;
    std::vector<std::optional<ProjectDeviceBlock>> blocks =
        std::vector<std::optional<ProjectDeviceBlock>>(kMaxListedDevices);
};

struct LoadProjectResult {
    bool ok = false;
    int errorCode = 0;    // 0 on success, else one of the kError... codes
    std::string problem;  // why it was refused: "ends after 1200 bytes, inside the device list"
};

struct ProjectReadResult {
    LoadProjectResult status;
    ProjectImage image;  // meaningful when status.ok
};

// The project image of the live model.
ProjectImage CaptureProject(const Model& model);

// The bytes of a project file for `image`; nullopt when a text is too long to
// be written (more than 65535 bytes).
std::optional<std::vector<std::uint8_t>> EncodeProject(const ProjectImage& image);

// Parses project-file bytes. The file ends with the last listed device's
// block: bytes after it are refused (the file is something else, or damaged).
ProjectReadResult DecodeProject(std::span<const std::uint8_t> bytes);

// Reads and parses a project file without touching the model. The main
// window uses this to check the file before it disconnects the devices.
ProjectReadResult ReadProjectFile(const std::string& path);

// Puts a parsed project into the model: the 32 list entries, the two window
// values and, for every listed slot, settings, preset, FIR taps and EQ target
// (EditorValues and the linked flags follow them: model/editor_sync.h FollowRecords).
// Other slots' device data and slot 0 are left alone; the on-line flags are
// taken as the file has them.
void ApplyProject(const ProjectImage& image, Model& model);

// Writes the project atomically; false on any failure.
bool SaveProject(const std::string& path, const Model& model);

// ReadProjectFile then, when it succeeded, ApplyProject.
LoadProjectResult LoadProject(const std::string& path, Model& model);

// The message for a failed load of the file at `path` (title, text): its
// first line tells the code (53 " File not found. Try again.", 250 "Wrong
// format file", both with the exclamation icon; everything else "Can't load
// project"), the second the path and the problem.
FileMessage LoadProjectErrorMessage(const LoadProjectResult& result, const std::string& path);

}  // namespace zef
