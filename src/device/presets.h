#pragma once
// The three preset slots of a device: storing the running preset under a
// name and recalling a slot. The questions and messages around them are the
// preset dialogs' (app/preset_actions.h).
//
// Store(slot, name):
//   a blank name ("" or " ") stores nothing (NoName); the name is cut or
//   blank-padded to 16 characters and written into EditorValues and PI
//   0..15; progress 0 of 3; a 16-byte memory write at 240, read back
//   (device/readback.h: written once more when it differs, and a name the
//   device still does not hold fails the store before the slot is
//   touched); progress 1; command 23 with p1 = slot; progress 2; DS 204 := slot (bit 7 kept); the
//   status text; progress 3.
// Recall(slot):
//   command 24 with p1 = slot; reply byte 4 = 255: the slot is empty
//   (Empty), nothing else; otherwise, for an on-line device, settings,
//   preset and both FIRs are read again into the live model, the windows
//   refreshed with sends suppressed, the slot's name kept in EditorValues
//   and the status text set.
// A failed exchange ends either operation at that step; DS 204 and the
// status text then stay as they were.

#include <string>
#include <string_view>
#include <vector>

#include "model/commands.h"
#include "model/device_model.h"
#include "device/device_reader.h"
#include "device/exchange.h"
#include "device/refresh_hooks.h"

namespace zef {

inline constexpr int kStoreProgressSteps = 3;

enum class PresetResult {
    Done,
    Declined,  // the user answered No (app/preset_actions.h asks)
    NoName,    // Store: blank name, message shown
    Empty,     // Recall: the slot holds no preset, message shown
    Failed,    // an exchange failed
};

// Can this text go into a preset name? The device stores one Windows-1252
// byte per character: every character must have one. Takes UTF-8.
bool PresetNameAllowed(std::string_view text);

// "" and " " are no names.
bool IsBlankPresetName(std::string_view name);

// A name cut or blank-padded to exactly 16 characters.
std::string PaddedPresetName(std::string_view name);

// Row of the slot lists: "01: " + name.
std::string PresetSlotRow(int presetSlot, const std::string& name);
// The three rows of a device.
std::vector<std::string> PresetSlotRows(const DeviceModel& device);

class Presets {
public:
    Presets(Model& model, Exchange& exchange, DeviceReader& reader, RefreshEvents& events);

    // Preset slot 0..2 of the device in `device`.
    PresetResult Store(DeviceSlot device, int presetSlot, std::string_view name, const Progress& progress = {});
    PresetResult Recall(DeviceSlot device, int presetSlot, const Progress& progress = {});

private:
    void ShowStatus(DeviceSlot slot);

    Model& model_;
    Exchange& exchange_;
    DeviceReader& reader_;
    RefreshEvents& events_;
};

}  // namespace zef
