// Dynamics senders: noise gate, compressor, compressor automatics, limiter,
// dynamic filter.


#include "base/check.h"
#include "model/memory_map.h"
#include "device/senders.h"
#include "device/senders_detail.h"

namespace zef {

Status Senders::SendNoiseGate(int sliderIndex, const GateControls& gate) {
    if (!ZEF_CHECK(sliderIndex >= 0 && sliderIndex < 6 && "three gate sliders per input")) return kFailed;
    const auto input = static_cast<ChannelCode>(sliderIndex / 3);
    DeviceModel& d = device();
    const std::size_t at = pi::Gate(input);
    d.preset[at + pi::kGateEnable] = gate.enabled ? 1 : 0;
    d.preset[at + pi::kGateThreshold] = PositionCode(Control::GateThreshold, gate.thresholdPosition);
    d.preset[at + pi::kGateTimeA] = PositionCode(Control::GateTimeA, gate.timeAPosition);
    d.preset[at + pi::kGateTimeB] = PositionCode(Control::GateTimeB, gate.timeBPosition);
    return Transmit(NoiseGateCommand(d, input));
}

Status Senders::SendCompressor(ChannelCode output, const CompressorControls& c) {
    DeviceModel& d = device();
    const std::size_t at = pi::Compressor(OutputIndex(output));
    d.preset[at + pi::kCompEnable] = c.enabled ? 1 : 0;
    d.preset[at + pi::kCompLevel] = PositionCode(Control::CompressorLevel, c.levelPosition);
    d.preset[at + pi::kCompRatio] = PositionCode(Control::CompressorRatio, c.ratioPosition);
    d.preset[at + pi::kCompValue] = PositionCode(Control::CompressorValue, c.valuePosition);
    d.preset[at + pi::kCompTimeA] = PositionCode(Control::CompressorTimeA, c.timeAPosition);
    d.preset[at + pi::kCompTimeB] = PositionCode(Control::CompressorTimeB, c.timeBPosition);
    d.preset[at + pi::kCompGain] = PositionCode(Control::CompressorGain, c.gainPosition);
    return Transmit(CompressorCommand(d, output));
}

Status Senders::SendCompressorAuto(ChannelCode output, bool automaticMode, bool automaticKnee) {
    DeviceModel& d = device();
    const int o = OutputIndex(output);
    d.preset[pi::CompAutoMode(o)] = automaticMode ? 1 : 0;
    d.preset[pi::CompAutoKnee(o)] = automaticKnee ? 1 : 0;
    return Transmit(CompressorAutoCommand(d, output));
}

Status Senders::SendLimiter(ChannelCode output, const LimiterControls& l) {
    DeviceModel& d = device();
    const int o = OutputIndex(output);
    const std::size_t at = pi::Limiter(o);
    const int threshold = PositionCode(Control::LimiterThreshold, l.thresholdPosition);
    d.preset[at + pi::kLimEnable] = l.enabled ? 1 : 0;
    d.preset[at + pi::kLimThreshold] =
        static_cast<std::uint8_t>(CapLimiterCode(threshold, LimiterCapFor(d.settings, o)));
    d.preset[at + pi::kLimTimeA] = PositionCode(Control::LimiterTimeA, l.timeAPosition);
    d.preset[at + pi::kLimTimeB] = PositionCode(Control::LimiterTimeB, l.timeBPosition);
    return Transmit(LimiterCommand(d, output));
}

Status Senders::SendDynamicFilter(ChannelCode output, bool enabled, int value1, int value2) {
    if (!ZEF_CHECK(value1 >= 0 && value1 <= 100 && value2 >= 0 && value2 <= 100)) return kFailed;
    DeviceModel& d = device();
    const std::size_t at = pi::DynamicFilter(OutputIndex(output));
    d.preset[at] = enabled ? 1 : 0;
    d.preset[at + 1] = static_cast<std::uint8_t>(std::clamp(value1, 0, 100));
    d.preset[at + 2] = static_cast<std::uint8_t>(std::clamp(value2, 0, 100));
    return Transmit(DynamicFilterCommand(d, output));
}

}  // namespace zef
