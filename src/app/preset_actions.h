#pragma once
// The preset dialogs' actions with their questions and messages: storing the
// running preset into a slot and recalling a slot (device/presets.h does the
// work).

#include <string_view>

#include "app/dialogs.h"
#include "device/presets.h"

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


class PresetActions {
public:
    PresetActions(Presets& presets, Dialogs& dialogs) : presets_(presets), dialogs_(dialogs) {}

    // A blank name: "Please input the Name !" ("Edit Names", information),
    // nothing stored. Then "               Are you sure ? " ("Store
    // Program", Yes/No); Yes stores.
    PresetResult Store(int presetSlot, std::string_view name, const Progress& progress = {});
    // "Overwrite current editing, are you sure ? " ("Recall Program",
    // Yes/No); Yes recalls; an empty slot: "Preset empty" ("Recall Program",
    // critical).
    PresetResult Recall(int presetSlot, const Progress& progress = {});

private:
    Presets& presets_;
    Dialogs& dialogs_;
};

}  // namespace zef
