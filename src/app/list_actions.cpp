#include "app/list_actions.h"

#include "app/preset_actions.h"
#include "model/records.h"

namespace zef {

std::string IpAlreadyListedText(const std::string& address) {
    return "IP " + address + " address already on the list!";
}

std::optional<DeviceSlot> ListActions::BeginAdd() {
    const auto slot = list_.FirstFreeSlot();
    if (!slot) dialogs_.Message(kAddDeviceTitle, kMaxDevicesText, Icon::Information);
    return slot;
}

std::optional<DeviceSlot> ListActions::Add(const AddRequest& request) {
    const AddCheck check = list_.CheckAdd(request);
    switch (check.problem) {
        case AddProblem::BadAddress:
            dialogs_.Message(kAddTitle, kIpNotCorrectText, Icon::Exclamation);
            return std::nullopt;
        case AddProblem::UsbListed:
            dialogs_.Message(kAddTitle, kUsbAlreadyListedText, Icon::Exclamation);
            return std::nullopt;
        case AddProblem::AddressListed:
            dialogs_.Message(kAddTitle, IpAlreadyListedText(check.address), Icon::Exclamation);
            return std::nullopt;
        case AddProblem::ListFull:
            return BeginAdd();
        case AddProblem::None:
            break;
    }
    return list_.AddEntry(request);
}

bool ListActions::Remove(const std::vector<DeviceSlot>& ticked) {
    if (ticked.empty()) {
        dialogs_.Message(kRemoveTitle, kSelectDeviceText, Icon::Exclamation);
        return false;
    }
    if (dialogs_.Ask(kRemoveTitle, kRemoveQuestion, Buttons::YesNo) != Answer::Yes) return false;
    list_.RemoveSlots(ticked);
    return true;
}

bool ListActions::EditName(DeviceSlot slot, const std::string& text, Exchange& exchange) {
    switch (CheckDeviceName(text)) {
        case NameProblem::Missing:
            dialogs_.Message(kEditNameTitle, kNameMissingText, Icon::Exclamation);
            return false;
        case NameProblem::TooShort:
            dialogs_.Message(kEditNameTitle, kMinCharactersText, Icon::Exclamation);
            return false;
        case NameProblem::None:
            break;
    }
    if (!StorableText(text)) {
        dialogs_.Message(kEditNameTitle, kNameSymbolsText, Icon::Information);
        return false;
    }
    return list_.WriteName(slot, text, exchange) == kOk;
}

}  // namespace zef
