#include "dsp/eq_mode.h"

#include "model/memory_map.h"

namespace zef::dsp {

EqModeSwitchOutcome SetOutputEqMode(DeviceModel& device, ResponseStore& store, DeviceSlot slot,
                                    std::uint8_t mode, const EqModeSwitchPorts& ports) {
    if (device.preset[pi::kEqMode] == mode) return {EqModeSwitch::Unchanged, kOk};
    if (ports.dialogs.Ask("Apply", "Are you sure?", Buttons::YesNo, Icon::Question) != Answer::Yes) {
        return {EqModeSwitch::Declined, kOk};
    }
    if (ports.closeEditor) ports.closeEditor();
    device.preset[pi::kEqMode] = mode;
    const Status sent = ports.sendMode ? ports.sendMode() : kOk;
    SumGroup(store, device, slot, kGroupOutput1);
    SumGroup(store, device, slot, kGroupOutput2);
    return {EqModeSwitch::Switched, sent};
}

}  // namespace zef::dsp
