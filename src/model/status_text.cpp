#include "model/status_text.h"

#include "model/encodings.h"

namespace zef {

std::string EditorStatusPrefix(const DeviceEntry& entry) {
    return entry.name + (entry.isUsb() ? std::string(" - USB ") : " - IP=" + entry.ip);
}

bool EditedOffline(const DeviceEntry& entry) { return entry.inList && !entry.online; }

std::string EditorTitle(const DeviceEntry& entry) {
    return EditorStatusPrefix(entry) + (EditedOffline(entry) ? kOfflineTitleSuffix : "");
}

std::string ProgramLoadedStatus(const DeviceEntry& entry, int presetSlot, const std::string& presetName) {
    return EditorStatusPrefix(entry) + kProgramLoadedText + PresetSlotText(presetSlot) + " " + presetName;
}

}  // namespace zef
