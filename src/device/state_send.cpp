#include "device/state_send.h"

namespace zef {

StateSend SendState(ParameterWriter& writer, DeviceSlot device, const DeviceModel& target) {
    const StateDiff diff = DiffStates(writer.model().device(device), target);
    StateSend sent;
    sent.parameters = static_cast<int>(diff.parameters.size());
    sent.firs = static_cast<int>(diff.firs.size());
    if (!diff.parameters.empty()) sent.status = writer.Set(device, diff.parameters);
    for (const int output : diff.firs)
        if (sent.status == kOk) sent.status = writer.SetFir(device, output, target);
    return sent;
}

}  // namespace zef
