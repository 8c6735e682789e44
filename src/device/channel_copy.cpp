// The channel copy of Linking: one input onto the other, or one output onto
// the other, in the model and then on the device.

#include <algorithm>

#include "model/editor_sync.h"
#include "device/linking.h"

#include "base/check.h"
#include "model/memory_map.h"
#include "model/records.h"

namespace zef {

namespace {

void CopyBytes(PresetImage& preset, std::size_t from, std::size_t to, std::size_t count) {
    std::copy_n(preset.bytes.begin() + from, count, preset.bytes.begin() + to);
}

void CopyBit(std::uint8_t& mask, int fromBit, int toBit) { SetBit8(mask, toBit, TestBit8(mask, fromBit)); }

// Keeps the first failure; later sends still run (they send nothing once
// the device is off-line).
class FirstFailure {
public:
    void add(Status s) {
        if (status_ == kOk) status_ = s;
    }
    Status status() const { return status_; }

private:
    Status status_ = kOk;
};

std::string RawFirName(const PresetImage& preset, int output) {
    std::string name(pi::kFirNameSize, ' ');
    for (std::size_t i = 0; i < pi::kFirNameSize; ++i)
        name[i] = static_cast<char>(preset[pi::FirNameChar(output, static_cast<int>(i))]);
    return name;
}

}  // namespace

Status Linking::Copy(ChannelCode source, ChannelCode destination) {
    if (!ZEF_CHECK(source != destination && IsInputChannel(source) == IsInputChannel(destination)))
        return kFailed;
    return IsInputChannel(source) ? CopyInput(source, destination) : CopyOutput(source, destination);
}

Status Linking::CopyOutput(ChannelCode source, ChannelCode destination) {
    const int s = OutputIndex(source);
    const int t = OutputIndex(destination);
    DeviceModel& d = senders_.device();
    EditorValues& v = d.values;

    v.eqBypass[destination] = v.eqBypass[source];
    StoreEqBypass(d, destination);
    v.polarity[destination] = v.polarity[source];
    StorePolarity(d, destination);
    CopyBytes(d.preset, pi::Compressor(s), pi::Compressor(t), 7);
    d.preset[pi::CompAutoMode(t)] = d.preset[pi::CompAutoMode(s)];
    d.preset[pi::CompAutoKnee(t)] = d.preset[pi::CompAutoKnee(s)];
    CopyBytes(d.preset, pi::Limiter(s), pi::Limiter(t), 4);
    const int bands = static_cast<int>(pi::kOutputBands);
    for (int b = 0; b < bands; ++b) {
        CopyBytes(d.preset, pi::OutputBand(s, b), pi::OutputBand(t, b), pi::kBandRecordSize);
        LoadBandValues(d, kFirstOutputBand + bands * t + b);
    }
    for (const CrossoverSide side : {CrossoverSide::HighPass, CrossoverSide::LowPass}) {
        const int to = CrossoverFilter(destination, side);
        CopyBytes(d.preset, CrossoverOffset(CrossoverFilter(source, side)), CrossoverOffset(to),
                  pi::kCrossoverRecordSize);
        LoadCrossoverValues(d, to);
    }
    CopyBytes(d.preset, pi::Delay(s), pi::Delay(t), 3);
    CopyBit(d.preset[pi::kDelayBypass], s, t);

    FirstFailure result;
    result.add(senders_.Transmit(EqBypassCommand(d, destination)));
    result.add(senders_.Transmit(PolarityCommand(d, destination)));
    result.add(senders_.Transmit(CompressorCommand(d, destination)));
    result.add(senders_.Transmit(CompressorAutoCommand(d, destination)));
    result.add(senders_.Transmit(LimiterCommand(d, destination)));
    for (int b = 0; b < bands; ++b) {
        const auto where = LocateBand(d.preset, kFirstOutputBand + bands * t + b);
        result.add(senders_.Transmit(EqBandCommand(d.preset, *where)));
    }
    const bool firOk = ZEF_CHECK(firWriter_) && firWriter_(senders_.slot(), t, RawFirName(d.preset, s),
                                  static_cast<std::uint16_t>(FirTapCount(d.preset, s)),
                                  FirImageFromTaps(d.firTaps[static_cast<std::size_t>(s)]));
    result.add(firOk ? kOk : kFailed);
    result.add(senders_.Transmit(CrossoverCommand(d, destination, CrossoverSide::HighPass)));
    result.add(senders_.Transmit(CrossoverCommand(d, destination, CrossoverSide::LowPass)));
    result.add(senders_.Transmit(DelayCommand(d, destination)));

    ResponseObserver& responses = senders_.responses();
    responses.GroupBandsChanged(senders_.slot(), GroupOf(destination));
    responses.CrossoverChanged(senders_.slot(), CrossoverFilter(destination, CrossoverSide::HighPass));
    responses.CrossoverChanged(senders_.slot(), CrossoverFilter(destination, CrossoverSide::LowPass));
    responses.FirChanged(senders_.slot(), t);
    return result.status();
}

Status Linking::CopyInput(ChannelCode source, ChannelCode destination) {
    const int s = InputIndex(source);
    const int t = InputIndex(destination);
    DeviceModel& d = senders_.device();
    EditorValues& v = d.values;

    CopyBytes(d.preset, pi::Gate(s), pi::Gate(t), 4);
    CopyBit(d.preset[pi::kChannelMode], s, t);
    for (int b = 0; b < static_cast<int>(pi::kInputBandsA); ++b)
        CopyBytes(d.preset, pi::InputBandA(s, b), pi::InputBandA(t, b), pi::kBandRecordSize);
    for (int b = 0; b < static_cast<int>(pi::kInputBandsB); ++b)
        CopyBytes(d.preset, pi::InputBandB(s, b), pi::InputBandB(t, b), pi::kBandRecordSize);
    for (int b = 0; b < 4; ++b) LoadBandValues(d, 4 * t + b);
    v.eqBypass[destination] = v.eqBypass[source];
    StoreEqBypass(d, destination);
    v.channelGainDb[destination] = v.channelGainDb[source];
    StoreGain(d, destination);
    v.mute[destination] = v.mute[source];
    StoreMute(d, destination);

    FirstFailure result;
    result.add(senders_.Transmit(NoiseGateCommand(d, destination)));
    result.add(senders_.Transmit(ChannelModeCommand(d, destination)));
    for (int b = 0; b < static_cast<int>(pi::kInputBandsB); ++b)
        result.add(senders_.Transmit(EqBandCommand(d.preset, InputBlockBLocation(t, b))));
    result.add(senders_.SendInputBlockA());
    result.add(senders_.Transmit(EqBypassCommand(d, destination)));
    result.add(senders_.Transmit(GainCommand(d, destination)));
    result.add(senders_.Transmit(MuteCommand(d, destination)));

    senders_.responses().GroupBandsChanged(senders_.slot(), GroupOf(destination));
    return result.status();
}

}  // namespace zef
