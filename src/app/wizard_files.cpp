#include "app/wizard_files.h"

#include <cctype>
#include <filesystem>
#include <tuple>

#include "app/wizard_texts.h"
#include "files/irw_file.h"

namespace zef::wizard {

namespace t = wizard_text;

namespace {

// The design settings a .wiz file holds field for field, as one tuple of
// references (the smoothing is packed into one word on the file's side).
template <class Settings>
auto SharedSettings(Settings& s) {
    return std::tie(s.precision, s.maxFrequency, s.latencyMs, s.firMode, s.tapChoice, s.minFrequency,
                    s.windowStep);
}

}  // namespace

WizardFile ToFile(const WizardState& state) {
    WizardFile f;
    f.ir = state.ir;
    f.target = state.target;
    SharedSettings(f) = SharedSettings(state.settings);
    f.smoothingWord = SmoothingWord(state.settings);
    return f;
}

WizardState FromFile(const WizardFile& f) {
    WizardState state;
    state.ir = f.ir;
    state.target = f.target;
    SharedSettings(state.settings) = SharedSettings(f);
    SetSmoothingWord(state.settings, f.smoothingWord);
    return state;
}

bool SaveIr(Dialogs& dialogs, const std::string& folder, const std::vector<double>& ir) {
    const std::optional<std::string> path = dialogs.SaveFile(t::kSaveIrTitle, t::kIrwFilter, folder);
    if (!path) return false;
    if (std::string error = WriteIrwFile(*path, ir); !error.empty()) {
        dialogs.Message(t::kFileErrorTitle, error, Icon::Exclamation);
        return false;
    }
    return true;
}

namespace {

bool TooShort(const std::string& path, std::size_t minimum) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return !ec && size < minimum;
}

}  // namespace

std::optional<std::vector<double>> OpenIr(Dialogs& dialogs, const std::string& folder) {
    const std::optional<std::string> path = dialogs.OpenFile(t::kOpenIrTitle, t::kIrwFilter, folder);
    if (!path || TooShort(*path, kIrwMinimumBytes)) return std::nullopt;
    const IrwReadResult file = ReadIrwFile(*path);
    if (!file.ok()) {
        dialogs.Message(t::kFileErrorTitle, file.error, Icon::Exclamation);
        return std::nullopt;
    }
    return ReduceToSixteenBits(file.samples);
}

bool SaveWiz(Dialogs& dialogs, const std::string& folder, const WizardState& state) {
    const std::optional<std::string> path = dialogs.SaveFile(t::kSaveWizTitle, t::kWizFilter, folder);
    if (!path) return false;
    if (std::string error = WriteWizFile(*path, ToFile(state)); !error.empty()) {
        dialogs.Message(t::kFileErrorTitle, error, Icon::Exclamation);
        return false;
    }
    return true;
}

std::optional<WizardState> OpenWiz(Dialogs& dialogs, const std::string& folder, std::string& fileName) {
    const std::optional<std::string> path = dialogs.OpenFile(t::kOpenWizTitle, t::kWizFilter, folder);
    if (!path || TooShort(*path, kWizMinimumBytes)) return std::nullopt;
    const WizReadResult file = ReadWizFile(*path);
    if (!file.ok()) {
        dialogs.Message(t::kFileErrorTitle, file.error, Icon::Exclamation);
        return std::nullopt;
    }
    fileName = std::filesystem::path(*path).filename().string();
    return FromFile(file.file);
}

std::string KeptStatePath(const std::string& dataFolder, const Model& model, DeviceSlot slot) {
    std::string key;
    for (char c : model.entry(slot).uniqueId)
        if (std::isalnum(static_cast<unsigned char>(c))) key += c;
    if (key.empty()) key = "slot" + std::to_string(slot);
    return (std::filesystem::path(dataFolder) / kWizardFolder / ("wizard-" + key + ".wiz")).string();
}

bool KeepState(const std::string& dataFolder, Model& model, DeviceSlot slot, const WizardState& state) {
    model.device(slot).eqTarget = state.target;
    if (state.ir.empty()) return true;
    WizardState kept = state;
    kept.ir = ReduceToSixteenBits(state.ir);
    const std::string path = KeptStatePath(dataFolder, model, slot);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return WriteWizFile(path, ToFile(kept)).empty();
}

std::optional<WizardState> KeptState(const std::string& dataFolder, const Model& model, DeviceSlot slot) {
    const WizReadResult file = ReadWizFile(KeptStatePath(dataFolder, model, slot));
    if (!file.ok()) return std::nullopt;
    WizardState state = FromFile(file.file);
    state.target = model.device(slot).eqTarget;
    return state;
}

}  // namespace zef::wizard
