#include "app/eq_mode.h"

#include "app/texts.h"
#include "model/memory_map.h"

namespace zef {

EqModeSwitchOutcome SetOutputEqMode(DeviceModel& device, dsp::ResponseStore& store, DeviceSlot slot,
                                    std::uint8_t mode, const EqModeSwitchPorts& ports) {
    if (device.preset[pi::kEqMode] == mode) return {EqModeSwitch::Unchanged, kOk};
    if (ports.dialogs.Ask(kApplyTitle, SureThat(kPlainSureQuestion, kEqModeConsequence), Buttons::YesNo,
                          Icon::Question) != Answer::Yes) {
        return {EqModeSwitch::Declined, kOk};
    }
    if (ports.closeEditor) ports.closeEditor();
    device.preset[pi::kEqMode] = mode;
    const Status sent = ports.sendMode ? ports.sendMode() : kOk;
    dsp::SumGroup(store, device, slot, dsp::kGroupOutput1);
    dsp::SumGroup(store, device, slot, dsp::kGroupOutput2);
    return {EqModeSwitch::Switched, sent};
}

}  // namespace zef
