#pragma once
// The preset dialogs' actions with their questions and messages: storing the
// running preset into a slot and recalling a slot (device/presets.h does the
// work).

#include <string_view>

#include "app/texts.h"
#include "app/dialogs.h"
#include "device/presets.h"

namespace zef {

class PresetActions {
public:
    // The actions on the device in `device`.
    PresetActions(Presets& presets, Dialogs& dialogs, DeviceSlot device)
        : presets_(presets), dialogs_(dialogs), device_(device) {}

    // A blank name: "Please input the Name !" ("Edit Names", information),
    // nothing stored; a character the device cannot store: the symbols
    // message, nothing stored. Then "               Are you sure ? " ("Store
    // Program", Yes/No); Yes stores.
    PresetResult Store(int presetSlot, std::string_view name, const Progress& progress = {});
    // "Overwrite current editing, are you sure ? " ("Recall Program",
    // Yes/No); Yes recalls; an empty slot: "Preset empty" ("Recall Program",
    // critical).
    PresetResult Recall(int presetSlot, const Progress& progress = {});

private:
    Presets& presets_;
    Dialogs& dialogs_;
    DeviceSlot device_;
};

}  // namespace zef
