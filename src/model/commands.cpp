#include "model/commands.h"

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

Command Make(std::uint8_t code, ChannelCode ch) {
    Command c{code, {}};
    c.p[0] = ch;
    return c;
}

Command Single(std::uint8_t code, std::uint8_t p8) {
    Command c{code, {}};
    c.p[7] = p8;
    return c;
}

void CopyRun(const PresetImage& preset, std::size_t from, Command& c, std::size_t firstParam,
             std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) c.p[firstParam + i] = preset[from + i];
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
    Command c = Make(cmd::kGain, ch);
    c.p[7] = d.preset[IsInputChannel(ch) ? pi::InputGain(InputIndex(ch)) : pi::OutputGain(OutputIndex(ch))];
    return c;
}

Command DelayCommand(const DeviceModel& d, ChannelCode output) {
    const int o = OutputIndex(output);
    Command c = Make(cmd::kDelay, output);
    c.p[4] = Flag(d.preset[pi::kDelayBypass], o);
    CopyRun(d.preset, pi::Delay(o), c, 5, 3);
    return c;
}

Command MuteCommand(const DeviceModel& d, ChannelCode ch) {
    Command c = Make(cmd::kMute, ch);
    c.p[7] = PairFlag(d.preset, pi::kInputMute, pi::kOutputMute, ch);
    return c;
}

Command PolarityCommand(const DeviceModel& d, ChannelCode ch) {
    Command c = Make(cmd::kPolarity, ch);
    c.p[7] = PairFlag(d.preset, pi::kInputPolarity, pi::kOutputPolarity, ch);
    return c;
}

Command EqBypassCommand(const DeviceModel& d, ChannelCode ch) {
    Command c = Make(cmd::kEqBypass, ch);
    c.p[7] = PairFlag(d.preset, pi::kInputEqBypass, pi::kOutputEqBypass, ch);
    return c;
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
    Command c = Make(cmd::kCompressor, output);
    CopyRun(d.preset, pi::Compressor(OutputIndex(output)), c, 1, 7);
    return c;
}

Command CompressorAutoCommand(const DeviceModel& d, ChannelCode output) {
    const int o = OutputIndex(output);
    Command c = Make(cmd::kCompressorAuto, output);
    c.p[6] = d.preset[pi::CompAutoKnee(o)];
    c.p[7] = d.preset[pi::CompAutoMode(o)];
    return c;
}

Command LimiterCommand(const DeviceModel& d, ChannelCode output) {
    Command c = Make(cmd::kLimiter, output);
    CopyRun(d.preset, pi::Limiter(OutputIndex(output)), c, 4, 4);
    return c;
}

Command NoiseGateCommand(const DeviceModel& d, ChannelCode input) {
    const std::size_t at = pi::Gate(InputIndex(input));
    Command c = Make(cmd::kNoiseGate, input);
    c.p[4] = d.preset[at + pi::kGateEnable];
    c.p[5] = d.preset[at + pi::kGateThreshold];
    c.p[6] = d.preset[at + pi::kGateTimeA];
    c.p[7] = d.preset[at + pi::kGateTimeB];
    return c;
}

Command CrossoverCommand(const DeviceModel& d, ChannelCode output, CrossoverSide side) {
    const auto r = CrossoverRecord::readFrom(d.preset, CrossoverOffset(CrossoverFilter(output, side)));
    Command c = Make(cmd::kCrossover, output);
    c.p[4] = static_cast<std::uint8_t>(side);
    c.p[5] = r.slope;
    c.p[6] = static_cast<std::uint8_t>(r.frequency >> 8);
    c.p[7] = static_cast<std::uint8_t>(r.frequency & 0xFF);
    return c;
}

Command NoiseOptionCommand(const DeviceModel& d) {
    return Single(cmd::kNoiseOption, d.settings[ds::kNoiseOption]);
}

Command GeneratorCommand(const DeviceModel& d) {
    Command c{cmd::kGeneratorMasking, {}};
    c.p[0] = kSelectorGenerator;
    c.p[5] = d.settings[ds::kNoiseOn];
    c.p[6] = d.settings[ds::kNoiseSubOption];
    c.p[7] = d.settings[ds::kNoiseLevel];
    return c;
}

Command MaskingCommand(const DeviceModel& d) {
    Command c{cmd::kGeneratorMasking, {}};
    c.p[0] = kSelectorMasking;
    c.p[3] = d.preset[pi::kMaskingEnable];
    c.p[4] = d.preset[pi::kMaskingLevel];
    c.p[5] = d.preset[pi::kMaskingChannels];
    c.p[6] = d.preset[pi::kMaskingType];
    c.p[7] = d.preset[pi::kMaskingSubOption];
    return c;
}

Command StandbyCommand(const DeviceModel& d) { return Single(cmd::kStandby, d.settings[ds::kStandby]); }
Command VoltageCommand(const DeviceModel& d) { return Single(cmd::kVoltage, d.settings[ds::kVoltage]); }
Command BridgeCommand(const DeviceModel& d) { return Single(cmd::kBridge, d.settings[ds::kBridge]); }
Command SleepModeCommand(const DeviceModel& d) { return Single(cmd::kSleepMode, d.settings[ds::kSleepMode]); }

Command RoutingCommand(const DeviceModel& d, ChannelCode output) {
    const int o = OutputIndex(output);
    Command c = Make(cmd::kRouting, output);
    c.p[6] = d.preset[pi::Routing(o, 0)];
    c.p[7] = d.preset[pi::Routing(o, 1)];
    return c;
}

Command DynamicFilterCommand(const DeviceModel& d, ChannelCode output) {
    Command c = Make(cmd::kDynamicFilter, output);
    CopyRun(d.preset, pi::DynamicFilter(OutputIndex(output)), c, 5, 3);
    return c;
}

Command FirBypassCommand(const DeviceModel& d, ChannelCode output) {
    Command c = Make(cmd::kFirBypass, output);
    c.p[7] = Flag(d.preset[pi::kFirBypass], OutputIndex(output));
    return c;
}

Command ChannelModeCommand(const DeviceModel& d, ChannelCode ch) {
    Command c = Make(cmd::kChannelMode, ch);
    c.p[1] = Flag(d.preset[pi::kChannelMode], ch);
    c.p[7] = d.preset[pi::kEqMode];
    return c;
}

Command ImpedanceCommand(const DeviceModel& d, ChannelCode output) {
    Command c = Make(cmd::kImpedance, output);
    c.p[7] = d.settings[ds::Impedance(OutputIndex(output))];
    return c;
}

Command RemoteEnableCommand(const DeviceModel& d) {
    Command c{cmd::kRemoteEnable, {}};
    c.p[0] = d.settings[ds::kRemoteEnable];
    return c;
}

Command StorePresetCommand(int presetSlot) {
    if (!ZEF_CHECK(presetSlot >= 0 && presetSlot < static_cast<int>(kPresetSlotCount))) presetSlot = 0;
    Command c{cmd::kStorePreset, {}};
    c.p[0] = static_cast<std::uint8_t>(presetSlot);
    return c;
}

Command RecallPresetCommand(int presetSlot) {
    if (!ZEF_CHECK(presetSlot >= 0 && presetSlot < static_cast<int>(kPresetSlotCount))) presetSlot = 0;
    Command c{cmd::kRecallPreset, {}};
    c.p[0] = static_cast<std::uint8_t>(presetSlot);
    return c;
}

Transmission InputBlockATransmission() {
    return Transmission::Preset(pi::kInputBlockA, pi::kBandRecordSize * pi::kInputBandsA * 2);
}

}  // namespace zef
