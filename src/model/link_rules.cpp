#include "model/link_rules.h"

#include <algorithm>
#include <array>

#include "base/check.h"
#include "model/editor_sync.h"
#include "model/memory_map.h"
#include "model/parameter_access.h"
#include "model/records.h"

namespace zef {
namespace {

using namespace access;

int Index(const ParamTarget& t) { return ChannelIndex(t); }
ChannelCode Code(const ParamTarget& t) { return CodeOf(t.channel); }

void CopyBytes(PresetImage& preset, std::size_t from, std::size_t to, std::size_t count) {
    std::copy_n(preset.bytes.begin() + from, count, preset.bytes.begin() + to);
}

void CopyBit(std::uint8_t& mask, int fromBit, int toBit) { SetBit8(mask, toBit, TestBit8(mask, fromBit)); }

// A group of `Count` bytes at Base(index) of each channel.
template <std::size_t (*Base)(int), std::size_t Count>
void CopyRun(DeviceModel& d, const ParamTarget& from, const ParamTarget& to) {
    CopyBytes(d.preset, Base(Index(from)), Base(Index(to)), Count);
}

void CopyCompressor(DeviceModel& d, const ParamTarget& from, const ParamTarget& to) {
    const int f = Index(from);
    const int t = Index(to);
    CopyBytes(d.preset, pi::Compressor(f), pi::Compressor(t), 7);
    d.preset[pi::CompAutoMode(t)] = d.preset[pi::CompAutoMode(f)];
    d.preset[pi::CompAutoKnee(t)] = d.preset[pi::CompAutoKnee(f)];
}

Transmissions SendCompressor(const DeviceModel& d, const ParamTarget& to) {
    return {Transmission::Of(CompressorCommand(d, Code(to))), Transmission::Of(CompressorAutoCommand(d, Code(to)))};
}

void CopyCrossovers(DeviceModel& d, const ParamTarget& from, const ParamTarget& to) {
    for (const CrossoverSide side : {CrossoverSide::HighPass, CrossoverSide::LowPass}) {
        const int n = CrossoverFilter(Code(to), side);
        CopyBytes(d.preset, CrossoverOffset(CrossoverFilter(Code(from), side)), CrossoverOffset(n),
                  pi::kCrossoverRecordSize);
        LoadCrossoverValues(d, n);
    }
}

Transmissions SendCrossovers(const DeviceModel& d, const ParamTarget& to) {
    return {SendHighPass(d, to).front(), SendLowPass(d, to).front()};
}

void CopyDelay(DeviceModel& d, const ParamTarget& from, const ParamTarget& to) {
    CopyBytes(d.preset, pi::Delay(Index(from)), pi::Delay(Index(to)), 3);
    CopyBit(d.preset[pi::kDelayBypass], Index(from), Index(to));
}

// A flag held in EditorValues and stored as the pair's mask byte.
template <auto Flags, void (*Store)(DeviceModel&, ChannelCode)>
void CopyPairFlag(DeviceModel& d, const ParamTarget& from, const ParamTarget& to) {
    (d.values.*Flags)[static_cast<std::size_t>(to.channel)] = (d.values.*Flags)[static_cast<std::size_t>(from.channel)];
    Store(d, Code(to));
}

void CopyGain(DeviceModel& d, const ParamTarget& from, const ParamTarget& to) {
    d.values.channelGainDb[static_cast<std::size_t>(to.channel)] =
        d.values.channelGainDb[static_cast<std::size_t>(from.channel)];
    StoreGain(d, Code(to));
}

template <std::size_t Mask>
void CopyMaskBit(DeviceModel& d, const ParamTarget& from, const ParamTarget& to) {
    CopyBit(d.preset[Mask], Index(from), Index(to));
}

void CopyChannelMode(DeviceModel& d, const ParamTarget& from, const ParamTarget& to) {
    CopyBit(d.preset[pi::kChannelMode], Code(from), Code(to));
    if (IsInputChannel(Code(to)))
        for (int b = 0; b < 4; ++b) LoadBandValues(d, 4 * Index(to) + b);
}

// One band's EditorValues, stored into the partner's record wherever the
// partner shows it (the inputs may show different blocks).
void CopyBand(DeviceModel& d, const ParamTarget& from, const ParamTarget& to) {
    EditorValues& v = d.values;
    const auto f = static_cast<std::size_t>(BandIndexOf(from));
    const auto t = static_cast<std::size_t>(BandIndexOf(to));
    v.bandType[t] = v.bandType[f];
    v.bandFrequency[t] = v.bandFrequency[f];
    v.bandQ[t] = v.bandQ[f];
    v.bandGain[t] = v.bandGain[f];
    v.bandBypass[t] = v.bandBypass[f];
    StoreBand(d, static_cast<int>(t));
}

// Every band record of a channel: both blocks of an input, the 30 bands of an output.
void CopyBands(DeviceModel& d, const ParamTarget& from, const ParamTarget& to) {
    const int f = Index(from);
    const int t = Index(to);
    if (IsInputChannel(Code(to))) {
        for (int b = 0; b < static_cast<int>(pi::kInputBandsA); ++b)
            CopyBytes(d.preset, pi::InputBandA(f, b), pi::InputBandA(t, b), pi::kBandRecordSize);
        for (int b = 0; b < static_cast<int>(pi::kInputBandsB); ++b)
            CopyBytes(d.preset, pi::InputBandB(f, b), pi::InputBandB(t, b), pi::kBandRecordSize);
        for (int b = 0; b < 4; ++b) LoadBandValues(d, 4 * t + b);
        return;
    }
    const int bands = static_cast<int>(pi::kOutputBands);
    for (int b = 0; b < bands; ++b) {
        CopyBytes(d.preset, pi::OutputBand(f, b), pi::OutputBand(t, b), pi::kBandRecordSize);
        LoadBandValues(d, kFirstOutputBand + bands * t + b);
    }
}

Transmissions SendBands(const DeviceModel& d, const ParamTarget& to) {
    Transmissions out;
    const int t = Index(to);
    if (IsInputChannel(Code(to))) {
        for (int b = 0; b < static_cast<int>(pi::kInputBandsB); ++b)
            out.push_back(Transmission::Of(EqBandCommand(d.preset, InputBlockBLocation(t, b))));
        out.push_back(InputBlockATransmission());
        return out;
    }
    const int bands = static_cast<int>(pi::kOutputBands);
    for (int b = 0; b < bands; ++b)
        out.push_back(Transmission::Of(EqBandCommand(d.preset, *LocateBand(d.preset, kFirstOutputBand + bands * t + b))));
    return out;
}

void CopyFir(DeviceModel& d, const ParamTarget& from, const ParamTarget& to) {
    const int f = Index(from);
    const int t = Index(to);
    for (int i = 0; i < static_cast<int>(pi::kFirNameSize); ++i)
        d.preset[pi::FirNameChar(t, i)] = d.preset[pi::FirNameChar(f, i)];
    SetFirTapCount(d.preset, t, FirTapCount(d.preset, f));
    d.firTaps[static_cast<std::size_t>(t)] = d.firTaps[static_cast<std::size_t>(f)];
}

Transmissions SendFir(const DeviceModel&, const ParamTarget& to) { return {Transmission::FirOf(Index(to))}; }

void CopyImpedance(DeviceModel& d, const ParamTarget& from, const ParamTarget& to) {
    d.settings[ds::Impedance(Index(to))] = d.settings[ds::Impedance(Index(from))];
}

using L = LinkGroup;
using R = ResponseEffect;

// clang-format off
constexpr auto kRules = std::to_array<LinkRule>({
    {L::Gain, CopyGain, SendChannel<GainCommand>, R::None},
    {L::Mute, CopyPairFlag<&EditorValues::mute, StoreMute>, SendChannel<MuteCommand>, R::None},
    {L::Polarity, CopyPairFlag<&EditorValues::polarity, StorePolarity>, SendChannel<PolarityCommand>, R::None},
    {L::EqBypass, CopyPairFlag<&EditorValues::eqBypass, StoreEqBypass>, SendChannel<EqBypassCommand>, R::GroupSum},
    {L::ChannelMode, CopyChannelMode, SendChannel<ChannelModeCommand>, R::GroupBands},
    {L::EqBand, CopyBand, SendBand, R::Band},
    {L::NoiseGate, CopyRun<pi::Gate, 4>, SendChannel<NoiseGateCommand>, R::None},
    {L::Delay, CopyDelay, SendChannel<DelayCommand>, R::None},
    {L::Crossover, CopyCrossovers, SendCrossovers, R::Crossovers},
    {L::Compressor, CopyCompressor, SendCompressor, R::None},
    {L::Limiter, CopyRun<pi::Limiter, 4>, SendChannel<LimiterCommand>, R::None},
    {L::DynamicFilter, CopyRun<pi::DynamicFilter, 3>, SendChannel<DynamicFilterCommand>, R::None},
    {L::FirBypass, CopyMaskBit<pi::kFirBypass>, SendChannel<FirBypassCommand>, R::GroupSum},
    {L::Impedance, CopyImpedance, SendChannel<ImpedanceCommand>, R::None},
    {L::Bands, CopyBands, SendBands, R::GroupBands},
    {L::Fir, CopyFir, SendFir, R::Fir},
});
// clang-format on

constexpr auto kInputCopy = std::to_array<LinkGroup>(
    {L::NoiseGate, L::ChannelMode, L::Bands, L::EqBypass, L::Gain, L::Mute});
constexpr auto kOutputCopy = std::to_array<LinkGroup>(
    {L::EqBypass, L::Polarity, L::Compressor, L::Limiter, L::Bands, L::Fir, L::Crossover, L::Delay});

}  // namespace

const LinkRule* LinkRuleOf(LinkGroup group) {
    for (const LinkRule& r : kRules)
        if (r.group == group) return &r;
    ZEF_CHECK(group == LinkGroup::None && "every link group has a rule");
    return nullptr;
}

ParamTarget PartnerOf(const ParamTarget& t) {
    if (!ZEF_CHECK(static_cast<int>(t.channel) <= kOutput2 && "only inputs and outputs have a partner")) return t;
    return {static_cast<ParamChannel>(static_cast<int>(t.channel) ^ 1), t.band};
}

bool PairLinked(const DeviceModel& d, ParamChannel channel) {
    switch (channel) {
        case ParamChannel::InL:
        case ParamChannel::InR:
            return d.inputsLinked != 0;
        case ParamChannel::Out1:
        case ParamChannel::Out2:
            return d.outputsLinked != 0;
        default:
            return false;
    }
}

std::span<const LinkGroup> ChannelCopyGroups(bool outputs) {
    if (outputs) return kOutputCopy;
    return kInputCopy;
}

}  // namespace zef
