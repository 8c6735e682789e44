#include "app/editor_actions.h"

#include <algorithm>
#include <filesystem>

#include "device/memory_transfer.h"
#include "dsp/groups.h"
#include "files/preset_file.h"
#include "model/defaults.h"
#include "model/editor_sync.h"
#include "model/records.h"
#include "model/status_text.h"

namespace zef {
namespace {

// After the records changed wholesale: values, responses, windows.
void Reloaded(Model& model, DeviceReader& reader, ResponseObserver& responses, DeviceSlot slot) {
    LoadEditorValues(model.device(slot));
    responses.DeviceReloaded(slot);
    reader.RefreshWindows(slot);
}

}  // namespace

bool FlattenEq(Senders& senders, Linking& linking, Dialogs& dialogs, int group, int bandCount) {
    if (dialogs.Ask(kEqFlatTitle, kEditorSureQuestion, Buttons::YesNo) != Answer::Yes) return false;
    const dsp::GroupInfo& info = dsp::kGroupInfo[static_cast<std::size_t>(group)];
    const int count = bandCount < 0 ? info.bandCount : std::min(bandCount, info.bandCount);
    for (int b = info.firstBand; b < info.firstBand + count; ++b) {
        EqBandEdit edit = BandControls(senders.device(), b);
        edit.gainDb = 0;
        senders.SendEqBand(b, edit);
        linking.LinkEqBand(b);
    }
    return true;
}

bool ConfirmCloseEditor(Dialogs& dialogs) {
    return dialogs.Ask(kCloseEditorTitle, kEditorSureQuestion, Buttons::YesNo) == Answer::Yes;
}

PresetFileOutcome SavePresetFileAsked(const Model& model, Dialogs& dialogs, const std::string& presetFolder) {
    const auto path = dialogs.SaveFile(kSavePresetTitle, kPresetFileFilter, presetFolder);
    if (!path) return {};
    if (!SavePresetFile(*path, model.device(model.currentDevice()))) {
        dialogs.Message(kCantSavePresetTitle, kCantSavePresetText, Icon::Critical);
        return {};
    }
    return {true, {}};
}

PresetFileOutcome LoadPresetFileAsked(Model& model, Exchange& exchange, DeviceReader& reader,
                                      ResponseObserver& responses, Dialogs& dialogs,
                                      const std::string& presetFolder) {
    const auto path = dialogs.OpenFile(kLoadPresetTitle, kPresetFileFilter, presetFolder);
    if (!path) return {};
    const PresetFileResult file = LoadPresetFile(*path);
    if (!file.ok()) {
        const FileMessage m = PresetFileErrorMessage(file.error);
        dialogs.Message(m.title, m.text, Icon::Exclamation);
        return {};
    }
    const DeviceSlot slot = model.currentDevice();
    ApplyPresetFile(file.data, model.device(slot));
    WritePresetToDevice(exchange, model, slot);
    Reloaded(model, reader, responses, slot);
    const std::string name = std::filesystem::path(*path).filename().string();
    return {true, EditorStatusPrefix(model.entry(slot)) + kFileLoadedText + name};
}

bool LoadDefaultProgram(Model& model, Exchange& exchange, DeviceReader& reader, ResponseObserver& responses,
                        Dialogs& dialogs) {
    if (dialogs.Ask(kDefaultProgramTitle, kDefaultProgramQuestion, Buttons::YesNo) != Answer::Yes) return false;
    const DeviceSlot slot = model.currentDevice();
    DeviceModel& d = model.device(slot);
    const std::string name = PresetName(d.preset);
    d.preset = DefaultPreset();
    SetPresetName(d.preset, name);
    for (auto& taps : d.firTaps) {
        taps.fill(0);
        taps[0] = kUnitTap;
    }
    WritePresetToDevice(exchange, model, slot);
    Reloaded(model, reader, responses, slot);
    return true;
}

}  // namespace zef
