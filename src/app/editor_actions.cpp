#include "app/editor_actions.h"

#include <algorithm>
#include <filesystem>

#include "base/utf8_path.h"
#include "device/memory_transfer.h"
#include "device/verified_writes.h"
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

bool FlattenEq(ParameterWriter& writer, DeviceSlot device, Dialogs& dialogs, int group, int bandCount) {
    if (dialogs.Ask(kEqFlatTitle, SureThat(kSureQuestion, kEqFlatConsequence), Buttons::YesNo) != Answer::Yes) return false;
    const dsp::GroupInfo& info = dsp::kGroupInfo[static_cast<std::size_t>(group)];
    const int count = bandCount < 0 ? info.bandCount : std::min(bandCount, info.bandCount);
    std::vector<ParameterValue> flat;
    for (int b = info.firstBand; b < info.firstBand + count; ++b)
        flat.push_back({ParameterOf(ParamId::BandGain, BandTarget(b)), 0.0});
    writer.Set(device, flat);
    return true;
}

bool ConfirmCloseEditor(Dialogs& dialogs) {
    return dialogs.Ask(kCloseEditorTitle, SureThat(kSureQuestion, kCloseEditorConsequence), Buttons::YesNo) == Answer::Yes;
}

PresetFileOutcome SavePresetFileAsked(const Model& model, DeviceSlot device, Dialogs& dialogs,
                                      const std::string& presetFolder) {
    const auto path = dialogs.SavePath(kSavePresetTitle, kPresetFileFilter, presetFolder);
    if (!path) return {};
    if (!SavePresetFile(*path, model.device(device))) {
        dialogs.Message(kCantSavePresetTitle, kCantSavePresetText, Icon::Critical);
        return {};
    }
    return {true, {}};
}

namespace {

// Writes the slot's live preset and FIRs (already in the model) to the device
// and reads them back. A refused program never reaches the device and the
// model gets `before` back; a failed or differing write leaves the model as
// the device reads. Both are said; true only when the device holds the program.
bool LoadVerified(Model& model, Exchange& exchange, DeviceReader& reader, ResponseObserver& responses,
                  Dialogs& dialogs, DeviceSlot slot, const DeviceModel& before, const char* title) {
    const WriteReport report = LoadPresetIntoDevice(exchange, model, slot);
    if (report.outcome == WriteOutcome::Refused) {
        model.device(slot) = before;
        dialogs.Message(title, kProgramNotLoadedText + report.Text(), Icon::Exclamation);
        return false;
    }
    Reloaded(model, reader, responses, slot);
    if (!report.ok()) {
        dialogs.Message(title, kProgramNotLoadedText + report.Text(), Icon::Exclamation);
        return false;
    }
    return true;
}

}  // namespace

PresetFileOutcome LoadPresetFileAsked(Model& model, DeviceSlot slot, Exchange& exchange, DeviceReader& reader,
                                      ResponseObserver& responses, Dialogs& dialogs,
                                      const std::string& presetFolder) {
    const auto path = dialogs.OpenFile(kLoadPresetTitle, kPresetFileFilter, presetFolder);
    if (!path) return {};
    const PresetFileResult file = LoadPresetFile(*path);
    if (!file.ok()) {
        const FileMessage m = PresetFileErrorMessage(file, *path);
        dialogs.Message(m.title, m.text, Icon::Exclamation);
        return {};
    }
    const DeviceModel before = model.device(slot);
    ApplyPresetFile(file.data, model.device(slot));
    if (!LoadVerified(model, exchange, reader, responses, dialogs, slot, before, kLoadPresetTitle)) return {};
    const std::string name = Utf8FileName(*path);
    return {true, EditorStatusPrefix(model.entry(slot)) + kFileLoadedText + name};
}

bool LoadDefaultProgram(Model& model, DeviceSlot slot, Exchange& exchange, DeviceReader& reader,
                        ResponseObserver& responses, Dialogs& dialogs) {
    if (dialogs.Ask(kDefaultProgramTitle, kDefaultProgramQuestion, Buttons::YesNo) != Answer::Yes) return false;
    DeviceModel& d = model.device(slot);
    const std::string name = PresetName(d.preset);
    d.preset = DefaultPreset();
    SetPresetName(d.preset, name);
    const DeviceModel before = d;
    for (auto& taps : d.firTaps) {
        taps.fill(0);
        taps[0] = kUnitTap;
    }
    return LoadVerified(model, exchange, reader, responses, dialogs, slot, before, kDefaultProgramTitle);
}

}  // namespace zef
