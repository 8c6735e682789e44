// Channel senders: gain, mute, polarity, EQ bypass, EQ bands, crossovers,
// delay, routing, channel mode, EQ mode, FIR bypass.


#include "base/check.h"
#include "model/editor_sync.h"
#include "model/memory_map.h"
#include "device/memory_transfer.h"
#include "device/senders.h"
#include "device/senders_detail.h"

namespace zef {

Senders::Senders(Model& model, Exchange& exchange, ResponseObserver& responses)
    : model_(model), exchange_(exchange), responses_(responses) {}

Status Senders::Transmit(const Command& command) {
    return exchange_.SendCommandFrame(slot(), command.code, command.p);
}

Status Senders::SendGain(ChannelCode ch, int position) {
    if (!ZEF_CHECK(ch <= kOutput2)) return kFailed;
    DeviceModel& d = device();
    d.values.channelGainDb[ch] =
        MapperFor(Control::ChannelGain).valueFromCode(PositionCode(Control::ChannelGain, position));
    StoreGain(d, ch);
    return Transmit(GainCommand(d, ch));
}

Status Senders::SendMute(ChannelCode ch, bool muted) {
    if (!ZEF_CHECK(ch <= kOutput2)) return kFailed;
    DeviceModel& d = device();
    d.values.mute[ch] = muted ? 1 : 0;
    StoreMute(d, ch);
    return Transmit(MuteCommand(d, ch));
}

Status Senders::SendPolarity(ChannelCode ch, bool inverted) {
    if (!ZEF_CHECK(ch <= kOutput2)) return kFailed;
    DeviceModel& d = device();
    d.values.polarity[ch] = inverted ? 1 : 0;
    StorePolarity(d, ch);
    return Transmit(PolarityCommand(d, ch));
}

Status Senders::SendEqBypass(ChannelCode ch, bool bypassed) {
    if (!ZEF_CHECK(ch <= kOutput2)) return kFailed;
    DeviceModel& d = device();
    d.values.eqBypass[ch] = bypassed ? 1 : 0;
    StoreEqBypass(d, ch);
    const Status status = Transmit(EqBypassCommand(d, ch));
    responses_.GroupChanged(slot(), GroupOf(ch));
    return status;
}

Status Senders::SendEqBand(int bandIndex, const EqBandEdit& edit) {
    if (!ZEF_CHECK(bandIndex >= 0 && bandIndex < static_cast<int>(kBandCount))) return kFailed;
    EditorValues& v = device().values;
    const auto i = static_cast<std::size_t>(bandIndex);
    v.bandType[i] = edit.type;
    v.bandFrequency[i] = edit.frequencyHz;
    v.bandGain[i] = edit.gainDb;
    v.bandQ[i] = edit.q;
    v.bandBypass[i] = edit.bypassed ? 1.0 : 0.0;
    return SendEqBand(bandIndex);
}

Status Senders::SendEqBand(int bandIndex) {
    if (!ZEF_CHECK(bandIndex >= 0 && bandIndex < static_cast<int>(kBandCount))) return kFailed;
    DeviceModel& d = device();
    const auto where = StoreBand(d, bandIndex);
    if (!where) return kOk;
    Status status = kOk;
    if (where->sentWithCommand5()) {
        status = Transmit(EqBandCommand(d.preset, *where));
    } else {
        status = SendInputBlockA();
    }
    responses_.BandChanged(slot(), bandIndex);
    return status;
}

Status Senders::SendInputBlockA() {
    // No command 5 carries block A: its 40 bytes go as one memory write and
    // command 25 makes the device take them, as after a preset load.
    const Status written = WritePresetRange(exchange_, model_, slot(), pi::kInputBlockA,
                                            pi::kBandRecordSize * pi::kInputBandsA * 2);
    if (written != kOk) return written;
    return exchange_.SendCommandFrame(slot(), cmd::kActivateSettings, CommandParams{});
}

Status Senders::SendCrossover(ChannelCode output, CrossoverSide side, double frequencyHz, int slopeCode) {
    const int n = CrossoverFilter(output, side);
    if (!ZEF_CHECK(slopeCode >= 0 && slopeCode <= 8)) return kFailed;
    DeviceModel& d = device();
    d.values.crossoverFrequency[static_cast<std::size_t>(n)] = frequencyHz;
    d.values.crossoverSlope[static_cast<std::size_t>(n)] = slopeCode;
    StoreCrossover(d, n);
    const Status status = Transmit(CrossoverCommand(d, output, side));
    responses_.CrossoverChanged(slot(), n);
    return status;
}

Status Senders::SendDelay(ChannelCode output, DelayCounts counts, bool bypass) {
    const int o = OutputIndex(output);
    if (!ZEF_CHECK(counts.coarse <= kDelayMaxCoarse && counts.fine <= kDelayMaxFine)) return kFailed;
    DeviceModel& d = device();
    WriteDelay(d.preset, o, counts);
    SetBit8(d.preset[pi::kDelayBypass], o, bypass);
    return Transmit(DelayCommand(d, output));
}

Status Senders::SendRouting(ChannelCode output, RoutingState sources) {
    DeviceModel& d = device();
    WriteRouting(d.preset, OutputIndex(output), sources);
    return Transmit(RoutingCommand(d, output));
}

Status Senders::SendChannelMode(ChannelCode ch, bool flag) {
    if (!ZEF_CHECK(ch <= kOutput2)) return kFailed;
    DeviceModel& d = device();
    SetBit8(d.preset[pi::kChannelMode], ch, flag);
    if (IsInputChannel(ch)) {
        // The input now shows the other band block.
        for (int b = 0; b < 4; ++b) LoadBandValues(d, 4 * ch + b);
    }
    const Status status = Transmit(ChannelModeCommand(d, ch));
    if (IsInputChannel(ch)) {
        for (int b = 0; b < 4; ++b) responses_.BandChanged(slot(), 4 * ch + b);
    }
    responses_.GroupChanged(slot(), GroupOf(ch));
    return status;
}

Status Senders::SendEqMode(std::uint8_t mode) {
    DeviceModel& d = device();
    d.preset[pi::kEqMode] = mode;
    const auto output = static_cast<ChannelCode>(d.selectedOutput == kOutput2 ? kOutput2 : kOutput1);
    const Status status = Transmit(ChannelModeCommand(d, output));
    responses_.GroupChanged(slot(), GroupOf(kOutput1));
    responses_.GroupChanged(slot(), GroupOf(kOutput2));
    return status;
}

Status Senders::SendFirBypass(ChannelCode output, bool bypassed) {
    DeviceModel& d = device();
    SetBit8(d.preset[pi::kFirBypass], OutputIndex(output), bypassed);
    const Status status = Transmit(FirBypassCommand(d, output));
    responses_.GroupChanged(slot(), GroupOf(output));
    return status;
}

}  // namespace zef
