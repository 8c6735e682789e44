#pragma once
// The wizard's files through the dialogs seam: impulse responses (.irw, in
// the "IR_saved" folder), whole wizard states (.wiz, in "Project"), and the
// state kept for a device between wizard sessions.
//
// The kept state: answering Yes to the exit question stores the EQ target
// into the device model (it travels with tmpPrj.plt and project files) and
// writes settings, EQ target and the IR reduced to 16-bit samples as a .wiz
// file in the data folder's "Project" folder, named after the device's
// unique ID (or its slot when it has none). The next wizard opened for that
// device starts from it.

#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/wizard_settings.h"
#include "files/wiz_file.h"
#include "model/device_model.h"

namespace zef::wizard {

inline constexpr const char* kIrFolder = "IR_saved";
inline constexpr const char* kWizardFolder = "Project";

// Everything a .wiz file holds.
struct WizardState {
    std::vector<double> ir;
    // Further microphone positions measured with `ir` (the main one); not
    // kept in the .wiz file, which holds one response.
    std::vector<std::vector<double>> morePositions;
    EqTargetRecord target;
    DesignSettings settings;
    bool operator==(const WizardState&) const = default;
};

WizardFile ToFile(const WizardState& state);
// Settings as the file holds them; the smoothing word split into its fields.
WizardState FromFile(const WizardFile& file);

// Asks for a file name in `folder` and writes the IR. False when cancelled
// or failed (the failure is shown).
bool SaveIr(Dialogs& dialogs, const std::string& folder, const std::vector<double>& ir);
// Asks for a file in `folder` and reads it; the samples come back reduced to
// 16-bit resolution. Nothing when cancelled, when the file is shorter than
// 10 bytes (not used, silently) or unreadable (shown).
std::optional<std::vector<double>> OpenIr(Dialogs& dialogs, const std::string& folder);

// The same for wizard files; OpenWiz also returns the file's name for the
// window's read-out.
bool SaveWiz(Dialogs& dialogs, const std::string& folder, const WizardState& state);
std::optional<WizardState> OpenWiz(Dialogs& dialogs, const std::string& folder, std::string& fileName);

// The kept state of a device (see above).
std::string KeptStatePath(const std::string& dataFolder, const Model& model, DeviceSlot slot);
bool KeepState(const std::string& dataFolder, Model& model, DeviceSlot slot, const WizardState& state);
// The kept state, with the model's EQ target; nothing when none was kept.
std::optional<WizardState> KeptState(const std::string& dataFolder, const Model& model, DeviceSlot slot);

}  // namespace zef::wizard
