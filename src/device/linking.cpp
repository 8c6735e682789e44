#include "device/linking.h"

#include "base/check.h"

#include <algorithm>

#include "model/editor_sync.h"
#include "model/memory_map.h"
#include "model/records.h"

namespace zef {

namespace {

void CopyBytes(PresetImage& preset, std::size_t from, std::size_t to, std::size_t count) {
    std::copy_n(preset.bytes.begin() + from, count, preset.bytes.begin() + to);
}

void CopyBit(std::uint8_t& mask, int fromBit, int toBit) { SetBit8(mask, toBit, TestBit8(mask, fromBit)); }

}  // namespace

int PartnerBand(int bandIndex) {
    if (!ZEF_CHECK(bandIndex >= 0 && bandIndex < static_cast<int>(kBandCount))) return -1;
    constexpr int kOutputBands = static_cast<int>(pi::kOutputBands);
    if (bandIndex < kFirstOutputBand) return bandIndex < 4 ? bandIndex + 4 : bandIndex - 4;
    if (bandIndex < kFirstMaskingBand)
        return bandIndex < kFirstOutputBand + kOutputBands ? bandIndex + kOutputBands
                                                           : bandIndex - kOutputBands;
    return -1;
}

Linking::Linking(Senders& senders, FirWriter firWriter)
    : senders_(senders), firWriter_(std::move(firWriter)) {}

bool Linking::PairLinked(ChannelCode ch) const {
    const DeviceModel& d = senders_.model().current();
    return (IsInputChannel(ch) ? d.inputsLinked : d.outputsLinked) != 0;
}

Status Linking::LinkDynamicFilter(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    DeviceModel& d = senders_.device();
    CopyBytes(d.preset, pi::DynamicFilter(OutputIndex(edited)), pi::DynamicFilter(OutputIndex(p)), 3);
    return senders_.Transmit(DynamicFilterCommand(d, p));
}

Status Linking::LinkNoiseGate(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    DeviceModel& d = senders_.device();
    CopyBytes(d.preset, pi::Gate(InputIndex(edited)), pi::Gate(InputIndex(p)), 4);
    return senders_.Transmit(NoiseGateCommand(d, p));
}

Status Linking::LinkCompressor(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    const int from = OutputIndex(edited);
    const int to = OutputIndex(p);
    DeviceModel& d = senders_.device();
    CopyBytes(d.preset, pi::Compressor(from), pi::Compressor(to), 7);
    d.preset[pi::CompAutoMode(to)] = d.preset[pi::CompAutoMode(from)];
    d.preset[pi::CompAutoKnee(to)] = d.preset[pi::CompAutoKnee(from)];
    if (const Status s = senders_.Transmit(CompressorCommand(d, p)); s != kOk) return s;
    return senders_.Transmit(CompressorAutoCommand(d, p));
}

Status Linking::LinkLimiter(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    DeviceModel& d = senders_.device();
    CopyBytes(d.preset, pi::Limiter(OutputIndex(edited)), pi::Limiter(OutputIndex(p)), 4);
    return senders_.Transmit(LimiterCommand(d, p));
}

Status Linking::LinkCrossover(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    DeviceModel& d = senders_.device();
    Status status = kOk;
    for (const CrossoverSide side : {CrossoverSide::HighPass, CrossoverSide::LowPass}) {
        const int from = CrossoverFilter(edited, side);
        const int to = CrossoverFilter(p, side);
        CopyBytes(d.preset, CrossoverOffset(from), CrossoverOffset(to), pi::kCrossoverRecordSize);
        LoadCrossoverValues(d, to);
        if (status == kOk) status = senders_.Transmit(CrossoverCommand(d, p, side));
        senders_.responses().CrossoverChanged(senders_.slot(), to);
    }
    return status;
}

Status Linking::LinkDelay(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    DeviceModel& d = senders_.device();
    CopyBytes(d.preset, pi::Delay(OutputIndex(edited)), pi::Delay(OutputIndex(p)), 3);
    CopyBit(d.preset[pi::kDelayBypass], OutputIndex(edited), OutputIndex(p));
    return senders_.Transmit(DelayCommand(d, p));
}

Status Linking::LinkPolarity(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    DeviceModel& d = senders_.device();
    d.values.polarity[p] = d.values.polarity[edited];
    StorePolarity(d, p);
    return senders_.Transmit(PolarityCommand(d, p));
}

Status Linking::LinkMute(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    DeviceModel& d = senders_.device();
    d.values.mute[p] = d.values.mute[edited];
    StoreMute(d, p);
    return senders_.Transmit(MuteCommand(d, p));
}

Status Linking::LinkGain(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    DeviceModel& d = senders_.device();
    d.values.channelGainDb[p] = d.values.channelGainDb[edited];
    StoreGain(d, p);
    return senders_.Transmit(GainCommand(d, p));
}

Status Linking::LinkChannelMode(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    DeviceModel& d = senders_.device();
    CopyBit(d.preset[pi::kChannelMode], edited, p);
    if (IsInputChannel(p))
        for (int b = 0; b < 4; ++b) LoadBandValues(d, 4 * p + b);
    const Status status = senders_.Transmit(ChannelModeCommand(d, p));
    if (IsInputChannel(p)) senders_.responses().GroupBandsChanged(senders_.slot(), GroupOf(p));
    return status;
}

Status Linking::LinkEqBand(int bandIndex) {
    const int partner = PartnerBand(bandIndex);
    if (partner < 0) return kOk;
    const auto edited = static_cast<ChannelCode>(
        bandIndex < kFirstOutputBand ? bandIndex / 4 : (bandIndex < 38 ? kOutput1 : kOutput2));
    if (!PairLinked(edited)) return kOk;
    EditorValues& v = senders_.device().values;
    const auto from = static_cast<std::size_t>(bandIndex);
    const auto to = static_cast<std::size_t>(partner);
    v.bandType[to] = v.bandType[from];
    v.bandFrequency[to] = v.bandFrequency[from];
    v.bandQ[to] = v.bandQ[from];
    v.bandGain[to] = v.bandGain[from];
    v.bandBypass[to] = v.bandBypass[from];
    return senders_.SendEqBand(partner);
}

Status Linking::LinkEqBypass(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    DeviceModel& d = senders_.device();
    d.values.eqBypass[p] = d.values.eqBypass[edited];
    StoreEqBypass(d, p);
    const Status status = senders_.Transmit(EqBypassCommand(d, p));
    senders_.responses().GroupChanged(senders_.slot(), GroupOf(p));
    return status;
}

Status Linking::LinkFirBypass(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    DeviceModel& d = senders_.device();
    CopyBit(d.preset[pi::kFirBypass], OutputIndex(edited), OutputIndex(p));
    const Status status = senders_.Transmit(FirBypassCommand(d, p));
    senders_.responses().GroupChanged(senders_.slot(), GroupOf(p));
    return status;
}

Status Linking::LinkImpedance(ChannelCode edited) {
    if (!PairLinked(edited)) return kOk;
    const ChannelCode p = PartnerChannel(edited);
    DeviceModel& d = senders_.device();
    d.settings[ds::Impedance(OutputIndex(p))] = d.settings[ds::Impedance(OutputIndex(edited))];
    return senders_.Transmit(ImpedanceCommand(d, p));
}

}  // namespace zef
