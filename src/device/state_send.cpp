#include "device/state_send.h"

#include <algorithm>

#include "device/device_reader.h"
#include "model/editor_sync.h"
#include "model/validation.h"

namespace zef {

Status SendDiff(ParameterWriter& writer, DeviceSlot device, const StateDiff& diff, const DeviceModel& firSource) {
    Status status = kOk;
    if (!diff.parameters.empty()) status = writer.Set(device, diff.parameters);
    for (const int output : diff.firs)
        if (status == kOk) status = writer.SetFir(device, output, firSource);
    return status;
}

StateSend SendState(ParameterWriter& writer, DeviceSlot device, const DeviceModel& target) {
    const StateDiff diff = DiffStates(writer.model().device(device), target);
    StateSend sent;
    sent.parameters = static_cast<int>(diff.parameters.size());
    sent.firs = static_cast<int>(diff.firs.size());
    sent.status = SendDiff(writer, device, diff, target);
    return sent;
}

DeviceModel LoadedState(const DeviceModel& device, const DeviceModel& loaded) {
    DeviceModel d = device;
    std::copy_n(loaded.settings.bytes.begin() + kDeviceStateFirst, kDeviceStateCount,
                d.settings.bytes.begin() + kDeviceStateFirst);
    d.preset = loaded.preset;
    d.firTaps = loaded.firTaps;
    d.eqTarget = loaded.eqTarget;
    LoadEditorValues(d);
    return d;
}

VerifiedStateSend SendStateVerified(ParameterWriter& writer, DeviceSlot device, const DeviceModel& target) {
    VerifiedStateSend v;
    if (const auto illegal = ValidateDeviceModel(target)) {
        v.report = {WriteOutcome::Refused, illegal->Text()};
        return v;
    }
    const DeviceMemory before = ImageOf(writer.model().device(device));
    const DeviceMemory wanted = ImageOf(target);
    v.sent = SendState(writer, device, target);
    if (v.sent.status != kOk) {
        v.report = {WriteOutcome::Failed, {}};
    } else {
        v.report = writer.Confirm(device).report;
    }
    writer.model().device(device) = target;
    const MemoryScope rest = Changed(before, wanted) & EditableMemory();
    if (v.report.ok() && rest.any()) v.report = ConfirmMemory(writer.exchange(), device, wanted, rest).report;
    return v;
}

}  // namespace zef
