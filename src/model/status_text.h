#pragma once
// The channel editor's status line:
//   device-list name + " - IP=" + address     (network device)
//                    + " - USB "              (USB device)
//   then " - program loaded: P" + two digits of (slot + 1) + " " + preset name
// or, after a preset file, " - file loaded: " + file name.

#include <string>

#include "model/device_entry.h"

namespace zef {

inline constexpr const char* kProgramLoadedText = " - program loaded: ";

// Device name and link part.
std::string EditorStatusPrefix(const DeviceEntry& entry);

// A listed device that is not on-line is edited off-line: its editor windows
// work on the model alone and their titles end in " — Offline".
inline constexpr const char* kOfflineTitleSuffix = " \xE2\x80\x94 Offline";
bool EditedOffline(const DeviceEntry& entry);
// The channel editor's title: EditorStatusPrefix, then the off-line suffix
// when EditedOffline.
std::string EditorTitle(const DeviceEntry& entry);

// The full line after a device read, a store or a recall; presetSlot 0..127
// (bits 0..6 of DS 204).
std::string ProgramLoadedStatus(const DeviceEntry& entry, int presetSlot, const std::string& presetName);

}  // namespace zef
