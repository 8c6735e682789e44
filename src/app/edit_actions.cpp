#include "app/edit_actions.h"

#include "base/c_number.h"

namespace zef {

bool ConfirmWrites(ParameterWriter& writer, DeviceSlot device, Dialogs& dialogs) {
    const Confirmation c = writer.Confirm(device);
    if (c.report.outcome == WriteOutcome::Mismatch)
        dialogs.Message(kNotHeldTitle, kNotHeldText + c.report.detail, Icon::Exclamation);
    return c.report.ok();
}

Confirmed SendBridgeAsked(ParameterWriter& writer, DeviceSlot device, Dialogs& dialogs, bool bridged) {
    const Answer answer =
        dialogs.Ask(kBridgeTitle, bridged ? kBridgeEnableQuestion : kBridgeDisableQuestion, Buttons::YesNo);
    if (answer != Answer::Yes) return Confirmed::Declined;
    const Status sent = writer.Set(device, ParameterOf(ParamId::Bridge, {}), bridged ? 1.0 : 0.0);
    return sent == kOk && ConfirmWrites(writer, device, dialogs) ? Confirmed::Sent : Confirmed::Failed;
}

CopyResult ConfirmCopy(ParameterWriter& writer, DeviceSlot device, Dialogs& dialogs, ChannelCode source,
                       ChannelCode destination) {
    if (source == destination) {
        dialogs.Message(kCopyTitle, kCopySameText, Icon::Critical);
        return CopyResult::SameChannel;
    }
    if (dialogs.Ask(kCopyTitle,
                    SureThat(kSureQuestion, source >= kOutput1 ? kOutputCopyConsequence : kInputCopyConsequence),
                    Buttons::YesNo) != Answer::Yes) return CopyResult::Declined;
    if (writer.Copy(device, source, destination) != kOk) return CopyResult::Failed;
    return ConfirmWrites(writer, device, dialogs) ? CopyResult::Copied : CopyResult::Failed;
}

bool DragBand(ParameterWriter& writer, DeviceSlot device, int band, const BandDrag& drag, SendCoalescer& coalescer) {
    DeviceModel& d = writer.model().device(device);
    const auto i = static_cast<std::size_t>(band);
    if (d.values.bandFrequency[i] == drag.frequencyHz && d.values.bandGain[i] == drag.gainDb) return false;
    d.values.bandFrequency[i] = drag.frequencyHz;
    d.values.bandGain[i] = drag.gainDb;
    writer.responses().BandChanged(device, band);
    const ParamTarget target = BandTarget(band);
    const std::vector<ParameterValue> edit = {{ParameterOf(ParamId::BandFreq, target), drag.frequencyHz},
                                              {ParameterOf(ParamId::BandGain, target), drag.gainDb}};
    coalescer.Post([&writer, device, edit] { writer.Set(device, edit); });
    return true;
}

std::string CrossoverClosedText(const DeviceModel& device, ParamChannel channel) {
    const double hp = GetValue(device, ParameterOf(ParamId::HpFreq, {channel, 0}));
    const double lp = GetValue(device, ParameterOf(ParamId::LpFreq, {channel, 0}));
    if (hp <= lp) return {};
    return "The high-pass (" + CFixed(hp, 0) + " Hz) is above the low-pass (" + CFixed(lp, 0) +
           " Hz): this output passes nothing.\nBoth values are kept; lower the high-pass or raise the "
           "low-pass.";
}

}  // namespace zef
