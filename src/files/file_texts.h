#pragma once
// The user texts of the preset and project file operations, exactly as shown,
// and the size limit every data-file reader applies before reading.

#include <cstddef>
#include <string>

namespace zef {

// No preset, project or device-list file comes near this; bigger files are
// refused before they are read.
inline constexpr std::size_t kMaxDataFileBytes = 16u << 20;

// Preset file rejected by the loader (exclamation icon).
inline constexpr const char* kPresetLoadTitle = "Load";
inline constexpr const char* kPresetWrongFormatText = "Wrong file format";

// Project load errors 53 and 250 (exclamation icon).
inline constexpr const char* kFileErrorTitle = " Error";
inline constexpr const char* kFileNotFoundText = " File not found. Try again.";
inline constexpr const char* kProjectWrongFormatText = "Wrong format file";

// Any other project load or save failure (critical icon).
inline constexpr const char* kProjectErrorTitle = "Error";
inline constexpr const char* kProjectLoadFailedText = "Can't load project";
inline constexpr const char* kProjectSaveFailedText = "Can't save project";

// Appended to the channel editor's status text after a preset file was loaded.
inline constexpr const char* kFileLoadedText = " - file loaded: ";

// File dialogs: filter and the data folder below the program folder.
inline constexpr const char* kPresetFileFilter = "file preset (*.Zef)|*.zef";
inline constexpr const char* kPresetFolder = "Preset";
inline constexpr const char* kProjectFileFilter = "file project (*.Prp)|*.prp";
inline constexpr const char* kProjectFolder = "Project";
inline constexpr const char* kDeviceListFileName = "tmpPrj.plt";

// Title and text of a file message box.
struct FileMessage {
    std::string title;
    std::string text;
};

}  // namespace zef
