#include "model/commands.h"

#include <algorithm>
#include <initializer_list>

#include "base/check.h"
#include "model/encodings.h"
#include "model/memory_map.h"

namespace zef {

namespace {

std::uint8_t Flag(std::uint8_t mask, int bit) { return TestBit8(mask, bit) ? 1 : 0; }

// The channel's bit in the mask byte of its pair.
std::uint8_t PairFlag(const PresetImage& preset, std::size_t inputMask, std::size_t outputMask,
                      ChannelCode ch) {
    return IsInputChannel(ch) ? Flag(preset[inputMask], InputIndex(ch))
                              : Flag(preset[outputMask], OutputIndex(ch));
}

// The command with `first` (a channel or a selector) in its first parameter.
Command Make(std::uint8_t code, std::uint8_t first) {
    Command c{code, {}};
    c.p[0] = first;
    return c;
}

// The same with `values` in its last parameters.
Command Tail(std::uint8_t code, std::uint8_t first, std::initializer_list<std::uint8_t> values) {
    Command c = Make(code, first);
    std::copy(values.begin(), values.end(), c.p.end() - values.size());
    return c;
}

Command Single(std::uint8_t code, std::uint8_t p8) { return Tail(code, 0, {p8}); }

// The channel's command with the `count` preset bytes at `from` in its last parameters.
Command TailRun(std::uint8_t code, ChannelCode ch, const PresetImage& preset, std::size_t from,
                std::size_t count) {
    Command c = Make(code, ch);
    const std::size_t first = c.p.size() - count;
    for (std::size_t i = 0; i < count; ++i) c.p[first + i] = preset[from + i];
    return c;
}

Command PresetSlotCommand(std::uint8_t code, int presetSlot) {
    if (!ZEF_CHECK(presetSlot >= 0 && presetSlot < static_cast<int>(kPresetSlotCount))) presetSlot = 0;
    return Make(code, static_cast<std::uint8_t>(presetSlot));
}

}  // namespace

bool IsInputChannel(ChannelCode ch) { return ch == kInputL || ch == kInputR; }
bool IsOutputChannel(ChannelCode ch) { return ch == kOutput1 || ch == kOutput2; }

int OutputIndex(ChannelCode ch) {
    if (!ZEF_CHECK(IsOutputChannel(ch) && "output channel expected")) return 0;
    return ch - kOutput1;
}

int InputIndex(ChannelCode ch) {
    if (!ZEF_CHECK(IsInputChannel(ch) && "input channel expected")) return 0;
    return ch;
}

ChannelCode PartnerChannel(ChannelCode ch) {
    if (!ZEF_CHECK(ch <= kOutput2)) return ch;
    return static_cast<ChannelCode>(ch ^ 1);
}

int CrossoverFilter(ChannelCode output, CrossoverSide side) {
    return 2 * OutputIndex(output) + static_cast<int>(side);
}

Command GainCommand(const DeviceModel& d, ChannelCode ch) {
    const std::size_t at =
        IsInputChannel(ch) ? pi::InputGain(InputIndex(ch)) : pi::OutputGain(OutputIndex(ch));
    return Tail(cmd::kGain, ch, {d.preset[at]});
}

Command DelayCommand(const DeviceModel& d, ChannelCode output) {
    const int o = OutputIndex(output);
    Command c = TailRun(cmd::kDelay, output, d.preset, pi::Delay(o), 3);
    c.p[4] = Flag(d.preset[pi::kDelayBypass], o);
    return c;
}

Command MuteCommand(const DeviceModel& d, ChannelCode ch) {
    return Tail(cmd::kMute, ch, {PairFlag(d.preset, pi::kInputMute, pi::kOutputMute, ch)});
}

Command PolarityCommand(const DeviceModel& d, ChannelCode ch) {
    return Tail(cmd::kPolarity, ch, {PairFlag(d.preset, pi::kInputPolarity, pi::kOutputPolarity, ch)});
}

Command EqBypassCommand(const DeviceModel& d, ChannelCode ch) {
    return Tail(cmd::kEqBypass, ch, {PairFlag(d.preset, pi::kInputEqBypass, pi::kOutputEqBypass, ch)});
}

Command EqBandCommand(const PresetImage& preset, const BandLocation& where) {
    Command c{cmd::kEqBand, {}};
    c.p[0] = where.channel;
    c.p[1] = where.band;
    c.p[2] = where.blockSelector;
    const auto bytes = BandRecord::readFrom(preset, where.offset).commandBytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) c.p[3 + i] = bytes[i];
    return c;
}

std::optional<Command> EqBandCommand(const DeviceModel& d, int bandIndex) {
    const auto where = LocateBand(d.preset, bandIndex);
    if (!where || !where->sentWithCommand5()) return std::nullopt;
    return EqBandCommand(d.preset, *where);
}

BandLocation InputBlockBLocation(int input, int band) {
    return BandLocation{BandBlock::InputB, pi::InputBandB(input, band), static_cast<std::uint8_t>(input),
                        static_cast<std::uint8_t>(band), 1};
}

Command CompressorCommand(const DeviceModel& d, ChannelCode output) {
    return TailRun(cmd::kCompressor, output, d.preset, pi::Compressor(OutputIndex(output)), 7);
}

Command CompressorAutoCommand(const DeviceModel& d, ChannelCode output) {
    const int o = OutputIndex(output);
    return Tail(cmd::kCompressorAuto, output, {d.preset[pi::CompAutoKnee(o)], d.preset[pi::CompAutoMode(o)]});
}

Command LimiterCommand(const DeviceModel& d, ChannelCode output) {
    return TailRun(cmd::kLimiter, output, d.preset, pi::Limiter(OutputIndex(output)), 4);
}

Command NoiseGateCommand(const DeviceModel& d, ChannelCode input) {
    const std::size_t at = pi::Gate(InputIndex(input));
    return Tail(cmd::kNoiseGate, input,
                {d.preset[at + pi::kGateEnable], d.preset[at + pi::kGateThreshold],
                 d.preset[at + pi::kGateTimeA], d.preset[at + pi::kGateTimeB]});
}

Command CrossoverCommand(const DeviceModel& d, ChannelCode output, CrossoverSide side) {
    const auto r = CrossoverRecord::readFrom(d.preset, CrossoverOffset(CrossoverFilter(output, side)));
    return Tail(cmd::kCrossover, output,
                {static_cast<std::uint8_t>(side), r.slope, static_cast<std::uint8_t>(r.frequency >> 8),
                 static_cast<std::uint8_t>(r.frequency & 0xFF)});
}

Command NoiseOptionCommand(const DeviceModel& d) {
    return Single(cmd::kNoiseOption, d.settings[ds::kNoiseOption]);
}

Command GeneratorCommand(const DeviceModel& d) {
    return Tail(cmd::kGeneratorMasking, kSelectorGenerator,
                {d.settings[ds::kNoiseOn], d.settings[ds::kNoiseSubOption], d.settings[ds::kNoiseLevel]});
}

Command MaskingCommand(const DeviceModel& d) {
    return Tail(cmd::kGeneratorMasking, kSelectorMasking,
                {d.preset[pi::kMaskingEnable], d.preset[pi::kMaskingLevel], d.preset[pi::kMaskingChannels],
                 d.preset[pi::kMaskingType], d.preset[pi::kMaskingSubOption]});
}

Command StandbyCommand(const DeviceModel& d) { return Single(cmd::kStandby, d.settings[ds::kStandby]); }
Command VoltageCommand(const DeviceModel& d) { return Single(cmd::kVoltage, d.settings[ds::kVoltage]); }
Command BridgeCommand(const DeviceModel& d) { return Single(cmd::kBridge, d.settings[ds::kBridge]); }
Command SleepModeCommand(const DeviceModel& d) { return Single(cmd::kSleepMode, d.settings[ds::kSleepMode]); }

Command RoutingCommand(const DeviceModel& d, ChannelCode output) {
    const int o = OutputIndex(output);
    return Tail(cmd::kRouting, output, {d.preset[pi::Routing(o, 0)], d.preset[pi::Routing(o, 1)]});
}

Command DynamicFilterCommand(const DeviceModel& d, ChannelCode output) {
    return TailRun(cmd::kDynamicFilter, output, d.preset, pi::DynamicFilter(OutputIndex(output)), 3);
}

Command FirBypassCommand(const DeviceModel& d, ChannelCode output) {
    return Tail(cmd::kFirBypass, output, {Flag(d.preset[pi::kFirBypass], OutputIndex(output))});
}

Command ChannelModeCommand(const DeviceModel& d, ChannelCode ch) {
    Command c = Make(cmd::kChannelMode, ch);
    c.p[1] = Flag(d.preset[pi::kChannelMode], ch);
    c.p[7] = d.preset[pi::kEqMode];
    return c;
}

Command ImpedanceCommand(const DeviceModel& d, ChannelCode output) {
    return Tail(cmd::kImpedance, output, {d.settings[ds::Impedance(OutputIndex(output))]});
}

Command RemoteEnableCommand(const DeviceModel& d) {
    return Make(cmd::kRemoteEnable, d.settings[ds::kRemoteEnable]);
}

Command StorePresetCommand(int presetSlot) { return PresetSlotCommand(cmd::kStorePreset, presetSlot); }

Command RecallPresetCommand(int presetSlot) { return PresetSlotCommand(cmd::kRecallPreset, presetSlot); }

Transmission InputBlockATransmission() {
    return Transmission::Preset(pi::kInputBlockA, pi::kBandRecordSize * pi::kInputBandsA * 2);
}

}  // namespace zef
