#include "app/output_eq_actions.h"

#include <algorithm>

#include "dsp/fir.h"
#include "files/binary_io.h"
#include "model/records.h"
#include "model/status_text.h"

namespace zef {

std::string OutputEditorTitle(const DeviceEntry& entry) {
    return EditorStatusPrefix(entry) + " - Output Filter" + (EditedOffline(entry) ? kOfflineTitleSuffix : "");
}

std::string FirTapsCaption(const DeviceModel& device, int output) {
    const int taps = std::clamp(FirTapCount(device.preset, output), 0, static_cast<int>(kFirTapCount));
    return "Taps = " + std::to_string(taps);
}

std::string FirNameCaption(const DeviceModel& device, int output) {
    std::string name = FirName(device.preset, output);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    return name;
}

bool SaveFirTextAsked(const DeviceModel& device, int output, Dialogs& dialogs, const std::string& firFolder,
                      bool decimalComma) {
    const auto path = dialogs.SavePath(kSaveFirTitle, kSaveFirFilter, firFolder);
    if (!path) return false;
    const std::string text = dsp::FirText(device, output, decimalComma);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (!WriteFileAtomic(*path, {bytes, text.size()})) {
        dialogs.Message(kCantSaveFirTitle, kCantSaveFirText, Icon::Exclamation);
        return false;
    }
    return true;
}

}  // namespace zef
