#include "model/controls.h"

#include <algorithm>

#include "model/encodings.h"
#include "model/memory_map.h"

namespace zef {
namespace {

int PositionOfCode(Control c, int code) {
    const ControlMapper& m = MapperFor(c);
    return m.positionFromCode(std::clamp(code, 0, m.maxCode()));
}

}  // namespace

EqBandEdit BandControls(const DeviceModel& d, int bandIndex) {
    const auto i = static_cast<std::size_t>(std::clamp(bandIndex, 0, static_cast<int>(kBandCount) - 1));
    const EditorValues& v = d.values;
    return {v.bandType[i], v.bandFrequency[i], v.bandGain[i], v.bandQ[i], v.bandBypass[i] != 0};
}

GateControls GateControlsOf(const DeviceModel& d, int input) {
    const std::size_t at = pi::Gate(input);
    GateControls g;
    g.enabled = d.preset[at + pi::kGateEnable] != 0;
    g.thresholdPosition = PositionOfCode(Control::GateThreshold, d.preset[at + pi::kGateThreshold]);
    g.timeAPosition = PositionOfCode(Control::GateTimeA, d.preset[at + pi::kGateTimeA]);
    g.timeBPosition = PositionOfCode(Control::GateTimeB, d.preset[at + pi::kGateTimeB]);
    return g;
}

CompressorControls CompressorControlsOf(const DeviceModel& d, int output) {
    const std::size_t at = pi::Compressor(output);
    CompressorControls c;
    c.enabled = d.preset[at + pi::kCompEnable] != 0;
    c.levelPosition = PositionOfCode(Control::CompressorLevel, d.preset[at + pi::kCompLevel]);
    c.ratioPosition = PositionOfCode(Control::CompressorRatio, d.preset[at + pi::kCompRatio]);
    c.valuePosition = PositionOfCode(Control::CompressorValue, d.preset[at + pi::kCompValue]);
    c.timeAPosition = PositionOfCode(Control::CompressorTimeA, d.preset[at + pi::kCompTimeA]);
    c.timeBPosition = PositionOfCode(Control::CompressorTimeB, d.preset[at + pi::kCompTimeB]);
    c.gainPosition = PositionOfCode(Control::CompressorGain, d.preset[at + pi::kCompGain]);
    return c;
}

LimiterControls LimiterControlsOf(const DeviceModel& d, int output) {
    const std::size_t at = pi::Limiter(output);
    LimiterControls l;
    l.enabled = d.preset[at + pi::kLimEnable] != 0;
    l.thresholdPosition = PositionOfCode(Control::LimiterThreshold, d.preset[at + pi::kLimThreshold]);
    l.timeAPosition = PositionOfCode(Control::LimiterTimeA, d.preset[at + pi::kLimTimeA]);
    l.timeBPosition = PositionOfCode(Control::LimiterTimeB, d.preset[at + pi::kLimTimeB]);
    return l;
}

MaskingControls MaskingControlsOf(const DeviceModel& d) {
    MaskingControls m;
    m.enableOption = 1 - std::clamp<int>(d.preset[pi::kMaskingEnable], 0, 1);
    for (int ch = 0; ch < 4; ++ch)
        m.channels[static_cast<std::size_t>(ch)] = TestBit8(d.preset[pi::kMaskingChannels], ch);
    m.typeOption = std::clamp<int>(d.preset[pi::kMaskingType], 0, 1);
    m.subOption = d.preset[pi::kMaskingSubOption];
    m.levelPosition = PositionOfCode(Control::MaskingLevel, d.preset[pi::kMaskingLevel]);
    return m;
}

DynamicFilterControls DynamicFilterControlsOf(const DeviceModel& d, int output) {
    const std::size_t at = pi::DynamicFilter(output);
    return {d.preset[at] != 0, std::min<int>(d.preset[at + 1], 100), std::min<int>(d.preset[at + 2], 100)};
}

}  // namespace zef
