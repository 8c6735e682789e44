#include "app/preset_actions.h"

namespace zef {

PresetResult PresetActions::Store(int presetSlot, std::string_view name, const Progress& progress) {
    if (IsBlankPresetName(name)) {
        dialogs_.Message(kEditNamesTitle, kInputNameText, Icon::Information);
        return PresetResult::NoName;
    }
    if (!PresetNameAllowed(name)) {
        dialogs_.Message(kEditNamesTitle, kNameSymbolsText, Icon::Information);
        return PresetResult::NoName;
    }
    if (dialogs_.Ask(kStoreTitle, SureThat(kSureQuestion, kStoreConsequence), Buttons::YesNo) != Answer::Yes) return PresetResult::Declined;
    return presets_.Store(device_, presetSlot, name, progress);
}

PresetResult PresetActions::Recall(int presetSlot, const Progress& progress) {
    if (dialogs_.Ask(kRecallTitle, kOverwriteQuestion, Buttons::YesNo) != Answer::Yes)
        return PresetResult::Declined;
    const PresetResult result = presets_.Recall(device_, presetSlot, progress);
    if (result == PresetResult::Empty) dialogs_.Message(kRecallTitle, kPresetEmptyText, Icon::Critical);
    return result;
}

}  // namespace zef
