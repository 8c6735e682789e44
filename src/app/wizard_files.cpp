#include "app/wizard_files.h"

#include <cctype>
#include <filesystem>
#include <functional>
#include <tuple>

#include "app/wizard_texts.h"
#include "base/utf8_path.h"
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

bool TooShort(const std::string& path, std::size_t minimum) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(PathFromUtf8(path), ec);
    return !ec && size < minimum;
}

// Asks for a file to open and reads it with `read`; nullopt when no file was
// chosen, it is shorter than `minimum` bytes, or it cannot be read (told to
// the user). `path` receives the file chosen.
template <class ReadResult>
std::optional<ReadResult> OpenWith(Dialogs& dialogs, const std::string& title, const std::string& filter,
                                   const std::string& folder, std::size_t minimum,
                                   ReadResult (*read)(const std::string&), std::string& path) {
    const std::optional<std::string> chosen = dialogs.OpenFile(title, filter, folder);
    if (!chosen || TooShort(*chosen, minimum)) return std::nullopt;
    ReadResult file = read(*chosen);
    if (!file.ok()) {
        dialogs.Message(t::kFileErrorTitle, file.error, Icon::Exclamation);
        return std::nullopt;
    }
    path = *chosen;
    return file;
}

// Asks where to save and writes there with `write` ("" or a text for the
// user); false when no file was chosen or the write failed (told to the user).
bool SaveWith(Dialogs& dialogs, const std::string& title, const std::string& filter,
              const std::string& folder, const std::function<std::string(const std::string&)>& write) {
    const std::optional<std::string> path = dialogs.SavePath(title, filter, folder);
    if (!path) return false;
    if (std::string error = write(*path); !error.empty()) {
        dialogs.Message(t::kFileErrorTitle, error, Icon::Exclamation);
        return false;
    }
    return true;
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
    return SaveWith(dialogs, t::kSaveIrTitle, t::kIrwFilter, folder,
                    [&ir](const std::string& path) { return WriteIrwFile(path, ir); });
}

std::optional<std::vector<double>> OpenIr(Dialogs& dialogs, const std::string& folder) {
    std::string path;
    const auto file =
        OpenWith(dialogs, t::kOpenIrTitle, t::kIrwFilter, folder, kIrwMinimumBytes, ReadIrwFile, path);
    if (!file) return std::nullopt;
    return ReduceToSixteenBits(file->samples);
}

bool SaveWiz(Dialogs& dialogs, const std::string& folder, const WizardState& state) {
    return SaveWith(dialogs, t::kSaveWizTitle, t::kWizFilter, folder,
                    [&state](const std::string& path) { return WriteWizFile(path, ToFile(state)); });
}

std::optional<WizardState> OpenWiz(Dialogs& dialogs, const std::string& folder, std::string& fileName) {
    std::string path;
    const auto file =
        OpenWith(dialogs, t::kOpenWizTitle, t::kWizFilter, folder, kWizMinimumBytes, ReadWizFile, path);
    if (!file) return std::nullopt;
    fileName = Utf8FileName(path);
    return FromFile(file->file);
}

std::string KeptStatePath(const std::string& dataFolder, const Model& model, DeviceSlot slot) {
    std::string key;
    for (char c : model.entry(slot).uniqueId)
        if (std::isalnum(static_cast<unsigned char>(c))) key += c;
    if (key.empty()) key = "slot" + std::to_string(slot);
    return Utf8Join(Utf8Join(dataFolder, kWizardFolder), "wizard-" + key + ".wiz");
}

bool KeepState(const std::string& dataFolder, Model& model, DeviceSlot slot, const WizardState& state) {
    model.device(slot).eqTarget = state.target;
    WizardState kept = state;
    // The file always carries an IR; a wizard closed before it had one keeps
    // its design settings with a single silent sample, which reads back as none.
    kept.ir = state.ir.empty() ? std::vector<double>{0.0} : ReduceToSixteenBits(state.ir);
    const std::string path = KeptStatePath(dataFolder, model, slot);
    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(path).parent_path(), ec);
    return WriteWizFile(path, ToFile(kept)).empty();
}

std::optional<WizardState> KeptState(const std::string& dataFolder, const Model& model, DeviceSlot slot) {
    const WizReadResult file = ReadWizFile(KeptStatePath(dataFolder, model, slot));
    if (!file.ok()) return std::nullopt;
    WizardState state = FromFile(file.file);
    if (state.ir == std::vector<double>{0.0}) state.ir.clear();  // kept without an IR
    state.target = model.device(slot).eqTarget;
    return state;
}

}  // namespace zef::wizard
