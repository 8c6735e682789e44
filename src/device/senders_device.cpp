// Device-level senders: noise generator, masking, standby, voltage, bridge,
// sleep mode, load impedance, remote enable, delay unit and link mask.

#include <span>

#include "device/memory_transfer.h"

#include "base/check.h"
#include "model/memory_map.h"
#include "device/senders.h"
#include "device/senders_detail.h"

namespace zef {

Status Senders::WriteSettingsBytes(std::size_t offset, std::size_t count) {
    if (!ZEF_CHECK(count >= 1 && count <= kMaxBlockWrite && offset + count <= kSettingsSize)) return kFailed;
    const DeviceModel& d = device();
    return WriteMemoryBlock(exchange_, slot(), static_cast<std::uint16_t>(offset),
                            std::span<const std::uint8_t>(d.settings.bytes.data() + offset, count));
}

Status Senders::SendNoiseOption(int option) {
    if (!ZEF_CHECK(option >= 0 && option <= 2)) return kFailed;
    DeviceModel& d = device();
    if (option == 2) {
        d.settings[ds::kNoiseOn] = 1;
    } else {
        d.settings[ds::kNoiseOption] = static_cast<std::uint8_t>(option);
        d.settings[ds::kNoiseOn] = 0;
    }
    if (const Status status = Transmit(NoiseOptionCommand(d)); status != kOk) return status;
    return Transmit(GeneratorCommand(d));
}

Status Senders::SendNoiseLevel(int levelPosition, std::uint8_t subOption) {
    DeviceModel& d = device();
    d.settings[ds::kNoiseSubOption] = subOption;
    d.settings[ds::kNoiseLevel] = PositionCode(Control::NoiseLevel, levelPosition);
    return Transmit(GeneratorCommand(d));
}

Status Senders::SendMasking(const MaskingControls& m) {
    if (!ZEF_CHECK((m.enableOption == 0 || m.enableOption == 1) && (m.typeOption == 0 || m.typeOption == 1)))
        return kFailed;
    DeviceModel& d = device();
    d.preset[pi::kMaskingEnable] = static_cast<std::uint8_t>(1 - m.enableOption);
    d.preset[pi::kMaskingLevel] = PositionCode(Control::MaskingLevel, m.levelPosition);
    for (std::size_t ch = 0; ch < m.channels.size(); ++ch)
        SetBit8(d.preset[pi::kMaskingChannels], static_cast<int>(ch), m.channels[ch]);
    d.preset[pi::kMaskingType] = static_cast<std::uint8_t>(m.typeOption);
    d.preset[pi::kMaskingSubOption] = m.subOption;
    return Transmit(MaskingCommand(d));
}

Status Senders::SendStandby(bool on) {
    device().settings[ds::kStandby] = on ? 1 : 0;
    model_.entry(slot()).standby = on ? 1 : 0;
    return Transmit(StandbyCommand(device()));
}

Status Senders::SendVoltage(int listIndex) {
    if (!ZEF_CHECK(listIndex >= 0 && listIndex <= 255)) return kFailed;
    device().settings[ds::kVoltage] = static_cast<std::uint8_t>(listIndex);
    return Transmit(VoltageCommand(device()));
}

Status Senders::SendBridge(bool bridged) {
    device().settings[ds::kBridge] = bridged ? 1 : 0;
    return Transmit(BridgeCommand(device()));
}

Status Senders::SendSleepMode(bool on) {
    device().settings[ds::kSleepMode] = on ? 1 : 0;
    return Transmit(SleepModeCommand(device()));
}

Status Senders::SendImpedance(ChannelCode output, int impedanceCode) {
    if (!ZEF_CHECK(impedanceCode >= 0 && impedanceCode <= 3)) return kFailed;
    device().settings[ds::Impedance(OutputIndex(output))] = static_cast<std::uint8_t>(impedanceCode);
    return Transmit(ImpedanceCommand(device(), output));
}

Status Senders::SendRemoteEnable(bool enabled) {
    device().settings[ds::kRemoteEnable] = enabled ? 1 : 0;
    return Transmit(RemoteEnableCommand(device()));
}

Status Senders::SendDelayUnit(bool metres) {
    device().settings[ds::kDelayUnit] = metres ? 1 : 0;
    return WriteSettingsBytes(ds::kDelayUnit, 1);
}

Status Senders::SendLinkInputs(bool linked) {
    device().inputsLinked = linked ? 1 : 0;
    return SendLinkMask();
}

Status Senders::SendLinkOutputs(bool linked) {
    device().outputsLinked = linked ? 1 : 0;
    return SendLinkMask();
}

Status Senders::SendLinkMask() {
    DeviceModel& d = device();
    d.settings[ds::kLinkMask] = PairMask(d.inputsLinked != 0, d.outputsLinked != 0);
    return WriteSettingsBytes(ds::kLinkMask, 1);
}

}  // namespace zef
