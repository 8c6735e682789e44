#pragma once
// The three preset slots of a device: storing the running preset under a
// name, recalling a slot, and the texts of the two preset dialogs.
//
// Store(slot, name):
//   a blank name ("" or " ") -> "Please input the Name !" ("Edit Names",
//   information), nothing stored; "               Are you sure ? " ("Store
//   Program", Yes/No); the name is cut or blank-padded to 16 characters and
//   written into EditorValues and PI 0..15; progress 0 of 3; a 16-byte
//   memory write at 240; progress 1; command 23 with p1 = slot; progress 2;
//   DS 204 := slot (bit 7 kept); the status text; progress 3.
// Recall(slot):
//   "Overwrite current editing, are you sure ? " ("Recall Program", Yes/No);
//   command 24 with p1 = slot; reply byte 4 = 255 -> "Preset empty"
//   ("Recall Program", critical), nothing else; otherwise, for an on-line
//   device, settings, preset and both FIRs are read again into the live
//   model, the windows refreshed with sends suppressed, the slot's name kept
//   in EditorValues and the status text set.
// A failed exchange ends either operation at that step; DS 204 and the
// status text then stay as they were.

#include <string>
#include <string_view>
#include <vector>

#include "model/commands.h"
#include "model/device_model.h"
#include "model/device_reader.h"
#include "model/exchange.h"
#include "model/refresh_hooks.h"
#include "platform/dialogs.h"

namespace zef {

inline constexpr const char* kStoreTitle = "Store Program";
inline constexpr const char* kRecallTitle = "Recall Program";
inline constexpr const char* kSureQuestion = "               Are you sure ? ";
inline constexpr const char* kOverwriteQuestion = "Overwrite current editing, are you sure ? ";
inline constexpr const char* kPresetEmptyText = "Preset empty";
inline constexpr const char* kEditNamesTitle = "Edit Names";
inline constexpr const char* kInputNameText = "Please input the Name !";
// Shown (information icon) when the name box receives a character outside
// the allowed set; the groups are separated by fullwidth commas (U+FF0C).
inline constexpr const char* kNameSymbolsText =
    "Please use the following symbols: 0 - 9\xEF\xBC\x8C"
    "A - Z\xEF\xBC\x8C"
    "a - z\xEF\xBC\x8C< >\xEF\xBC\x8C()"
    "\xEF\xBC\x8C-_+=... ASCII Chars";

inline constexpr int kStoreProgressSteps = 3;
inline constexpr std::uint8_t kEmptySlotReply = 255;

enum class PresetResult {
    Done,
    Declined,  // the user answered No
    NoName,    // Store: blank name, message shown
    Empty,     // Recall: the slot holds no preset, message shown
    Failed,    // an exchange failed
};

// Can this text go into a preset name? Only 7-bit characters are allowed;
// the name is stored one byte per character. Takes UTF-8.
bool PresetNameAllowed(std::string_view text);

// A name cut or blank-padded to exactly 16 characters.
std::string PaddedPresetName(std::string_view name);

// Row of the slot lists: "01: " + name.
std::string PresetSlotRow(int presetSlot, const std::string& name);
// The three rows of a device.
std::vector<std::string> PresetSlotRows(const DeviceModel& device);

class Presets {
public:
    Presets(Model& model, Exchange& exchange, Dialogs& dialogs, DeviceReader& reader, RefreshHooks& hooks);

    // Both work on Model::currentDevice(); slot 0..2.
    PresetResult Store(int presetSlot, std::string_view name, const Progress& progress = {});
    PresetResult Recall(int presetSlot, const Progress& progress = {});

private:
    Status Send(const Command& command);
    void ShowStatus(DeviceSlot slot);

    Model& model_;
    Exchange& exchange_;
    Dialogs& dialogs_;
    DeviceReader& reader_;
    RefreshHooks& hooks_;
};

}  // namespace zef
