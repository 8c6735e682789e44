#include "model/editor_sync.h"

#include <algorithm>
#include <cmath>

#include "model/encodings.h"
#include "model/memory_map.h"
#include "model/tables.h"

namespace zef {

namespace {

constexpr int kLastBandType = kBandAllPass2;
constexpr int kLastSlope = static_cast<int>(kCrossoverSlopeNames.size()) - 1;
constexpr int kLastQCode = static_cast<int>(kEqQ.size()) - 1;

bool IsInput(ChannelCode channel) { return channel == kInputL || channel == kInputR; }

// Offset of the pair's mask byte and the channel's bit in it.
struct PairBit {
    std::size_t offset;
    int bit;
};

PairBit MaskBit(std::size_t inputMask, std::size_t outputMask, ChannelCode channel) {
    return IsInput(channel) ? PairBit{inputMask, channel} : PairBit{outputMask, channel - kOutput1};
}

std::size_t GainOffset(ChannelCode channel) {
    return IsInput(channel) ? pi::InputGain(channel) : pi::OutputGain(channel - kOutput1);
}

template <typename Flags>
void LoadPairFlags(const PresetImage& preset, std::size_t inputMask, std::size_t outputMask, Flags& flags) {
    for (int ch = kInputL; ch <= kOutput2; ++ch) {
        const PairBit at = MaskBit(inputMask, outputMask, static_cast<ChannelCode>(ch));
        flags[static_cast<std::size_t>(ch)] = TestBit8(preset[at.offset], at.bit) ? 1 : 0;
    }
}

template <typename Flags>
void StorePairMask(PresetImage& preset, std::size_t inputMask, std::size_t outputMask, Flags& flags,
                   ChannelCode channel) {
    const int first = IsInput(channel) ? kInputL : kOutput1;
    auto& a = flags[static_cast<std::size_t>(first)];
    auto& b = flags[static_cast<std::size_t>(first + 1)];
    a = a != 0 ? 1 : 0;
    b = b != 0 ? 1 : 0;
    preset[IsInput(channel) ? inputMask : outputMask] = PairMask(a != 0, b != 0);
}

}  // namespace

void LoadBandValues(DeviceModel& device, int bandIndex) {
    const auto location = LocateBand(device.preset, bandIndex);
    if (!location) return;
    const BandRecord r = BandRecord::readFrom(device.preset, location->offset);
    const auto i = static_cast<std::size_t>(bandIndex);
    EditorValues& v = device.values;
    v.bandType[i] = static_cast<std::int16_t>(std::min<int>(r.type, kLastBandType));
    v.bandFrequency[i] = r.frequency;
    v.bandQ[i] = kEqQ[static_cast<std::size_t>(std::min<int>(r.qCode, kLastQCode))];
    const ControlMapper& gain = MapperFor(Control::EqGain);
    v.bandGain[i] = gain.valueFromCode(std::min(r.gainCode(), gain.maxCode()));
    v.bandBypass[i] = r.bypassed() ? 1.0 : 0.0;
}

void LoadCrossoverValues(DeviceModel& device, int n) {
    const CrossoverRecord r = CrossoverRecord::readFrom(device.preset, CrossoverOffset(n));
    const auto i = static_cast<std::size_t>(n);
    device.values.crossoverFrequency[i] = r.frequency;
    device.values.crossoverSlope[i] = std::min<int>(r.slope, kLastSlope);
}

void LoadChannelValues(DeviceModel& device) {
    const ControlMapper& gain = MapperFor(Control::ChannelGain);
    for (int ch = kInputL; ch <= kOutput2; ++ch) {
        const int code = device.preset[GainOffset(static_cast<ChannelCode>(ch))];
        device.values.channelGainDb[static_cast<std::size_t>(ch)] =
            gain.valueFromCode(std::min(code, gain.maxCode()));
    }
    LoadPairFlags(device.preset, pi::kInputMute, pi::kOutputMute, device.values.mute);
    LoadPairFlags(device.preset, pi::kInputPolarity, pi::kOutputPolarity, device.values.polarity);
    LoadPairFlags(device.preset, pi::kInputEqBypass, pi::kOutputEqBypass, device.values.eqBypass);
}

void LoadEditorValues(DeviceModel& device) {
    for (int band = 0; band < static_cast<int>(kBandCount); ++band) LoadBandValues(device, band);
    for (int n = 0; n < static_cast<int>(kCrossoverCount); ++n) LoadCrossoverValues(device, n);
    LoadChannelValues(device);
}

void FollowRecords(DeviceModel& device) {
    LoadEditorValues(device);
    device.inputsLinked = TestBit8(device.settings[ds::kLinkMask], 0) ? 1 : 0;
    device.outputsLinked = TestBit8(device.settings[ds::kLinkMask], 1) ? 1 : 0;
}

std::optional<BandLocation> StoreBand(DeviceModel& device, int bandIndex) {
    const auto location = LocateBand(device.preset, bandIndex);
    if (!location) return std::nullopt;
    const auto i = static_cast<std::size_t>(bandIndex);
    EditorValues& v = device.values;
    BandRecord r;
    r.type = static_cast<std::uint8_t>(std::clamp<int>(v.bandType[i], 0, kLastBandType));
    r.frequency = EqFrequencyCode(v.bandFrequency[i]);
    r.qCode = static_cast<std::uint8_t>(SnapToTable(v.bandQ[i], kEqQ));
    const int gainCode = MapperFor(Control::EqGain).codeFromValue(v.bandGain[i]);
    r.setGainCode(gainCode);
    r.setBypassed(v.bandBypass[i] != 0.0);
    r.writeTo(device.preset, location->offset);
    LoadBandValues(device, bandIndex);
    return location;
}

void StoreCrossover(DeviceModel& device, int n) {
    const auto i = static_cast<std::size_t>(n);
    CrossoverRecord r;
    const double slope = device.values.crossoverSlope[i];
    r.slope = static_cast<std::uint8_t>(
        std::isnan(slope) ? 0 : std::clamp<double>(std::round(slope), 0, kLastSlope));
    r.frequency = CrossoverFrequencyCode(device.values.crossoverFrequency[i]);
    r.writeTo(device.preset, CrossoverOffset(n));
    LoadCrossoverValues(device, n);
}

void StoreGain(DeviceModel& device, ChannelCode channel) {
    const ControlMapper& gain = MapperFor(Control::ChannelGain);
    double& db = device.values.channelGainDb[channel];
    const int code = gain.codeFromValue(db);
    device.preset[GainOffset(channel)] = static_cast<std::uint8_t>(code);
    db = gain.valueFromCode(code);
}

void StoreMute(DeviceModel& device, ChannelCode channel) {
    StorePairMask(device.preset, pi::kInputMute, pi::kOutputMute, device.values.mute, channel);
}

void StorePolarity(DeviceModel& device, ChannelCode channel) {
    StorePairMask(device.preset, pi::kInputPolarity, pi::kOutputPolarity, device.values.polarity, channel);
}

void StoreEqBypass(DeviceModel& device, ChannelCode channel) {
    StorePairMask(device.preset, pi::kInputEqBypass, pi::kOutputEqBypass, device.values.eqBypass, channel);
}

}  // namespace zef
