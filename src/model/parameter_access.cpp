#include "model/parameter_access.h"

#include <algorithm>
#include <cmath>

#include "base/check.h"
#include "model/editor_sync.h"
#include "model/memory_map.h"
#include "model/records.h"

namespace zef::access {
namespace {

using Description = ParameterDescription;

double Flag(bool on) { return on ? 1.0 : 0.0; }
bool On(double v) { return v != 0.0; }
int Whole(double v) { return static_cast<int>(std::lround(v)); }
std::size_t Ch(const ParamTarget& t) { return static_cast<std::size_t>(t.channel); }

// ---- RecordField ----

std::size_t OffsetOf(const Description& r, const ParamTarget& t) {
    const RecordField& f = r.field;
    ZEF_CHECK(f.record != RecordField::Record::None && "the row names its record");
    return (f.base ? f.base(ChannelIndex(t)) : 0) + f.offset;
}

std::uint8_t& Byte(const Description& r, DeviceModel& d, const ParamTarget& t) {
    const std::size_t at = OffsetOf(r, t);
    return r.field.record == RecordField::Record::Settings ? d.settings[at] : d.preset[at];
}

std::uint8_t ByteOf(const Description& r, const DeviceModel& d, const ParamTarget& t) {
    const std::size_t at = OffsetOf(r, t);
    return r.field.record == RecordField::Record::Settings ? d.settings[at] : d.preset[at];
}

int BitOf(const Description& r, const ParamTarget& t) {
    return r.field.bit == RecordField::kChannelBit ? ChannelIndex(t) : r.field.bit;
}

const ControlMapper& Mapper(const Description& r) {
    ZEF_CHECK(r.control.has_value() && "a coded field has a slider mapping");
    return MapperFor(r.control.value_or(Control::ChannelGain));
}

double GetCoded(const Description& r, const DeviceModel& d, const ParamTarget& t) {
    const ControlMapper& m = Mapper(r);
    return m.valueFromCode(std::min<int>(ByteOf(r, d, t), m.maxCode()));
}
void SetCoded(const Description& r, DeviceModel& d, const ParamTarget& t, double v) {
    Byte(r, d, t) = static_cast<std::uint8_t>(Mapper(r).codeFromValue(v));
}

void SetLimiterThreshold(const Description& r, DeviceModel& d, const ParamTarget& t, double v) {
    const int code = Mapper(r).codeFromValue(v);
    Byte(r, d, t) = static_cast<std::uint8_t>(CapLimiterCode(code, LimiterCapFor(d.settings, ChannelIndex(t))));
}

double GetFlag(const Description& r, const DeviceModel& d, const ParamTarget& t) {
    const std::uint8_t byte = ByteOf(r, d, t);
    return Flag(r.field.bit == RecordField::kWholeByte ? byte != 0 : TestBit8(byte, BitOf(r, t)));
}
void SetFlag(const Description& r, DeviceModel& d, const ParamTarget& t, double v) {
    std::uint8_t& byte = Byte(r, d, t);
    if (r.field.bit == RecordField::kWholeByte) {
        byte = On(v) ? 1 : 0;
    } else {
        SetBit8(byte, BitOf(r, t), On(v));
    }
}

double GetWhole(const Description& r, const DeviceModel& d, const ParamTarget& t) { return ByteOf(r, d, t); }
void SetWhole(const Description& r, DeviceModel& d, const ParamTarget& t, double v) {
    Byte(r, d, t) = static_cast<std::uint8_t>(std::clamp(Whole(v), static_cast<int>(r.min), static_cast<int>(r.max)));
}

// ---- Channel values held in EditorValues ----

double GetGain(const Description&, const DeviceModel& d, const ParamTarget& t) {
    return d.values.channelGainDb[Ch(t)];
}
void SetGain(const Description&, DeviceModel& d, const ParamTarget& t, double v) {
    d.values.channelGainDb[Ch(t)] = v;
    StoreGain(d, CodeOf(t.channel));
}

template <auto Flags, void (*Store)(DeviceModel&, ChannelCode)>
double GetPairFlag(const Description&, const DeviceModel& d, const ParamTarget& t) {
    return Flag((d.values.*Flags)[Ch(t)] != 0);
}
template <auto Flags, void (*Store)(DeviceModel&, ChannelCode)>
void SetPairFlag(const Description&, DeviceModel& d, const ParamTarget& t, double v) {
    (d.values.*Flags)[Ch(t)] = On(v) ? 1 : 0;
    Store(d, CodeOf(t.channel));
}

double GetBlockB(const Description&, const DeviceModel& d, const ParamTarget& t) {
    return Flag(InputUsesBlockB(d.preset, ChannelIndex(t)));
}
void SetBlockB(const Description&, DeviceModel& d, const ParamTarget& t, double v) {
    const int input = ChannelIndex(t);
    SetBit8(d.preset[pi::kChannelMode], input, On(v));
    for (int b = 0; b < 4; ++b) LoadBandValues(d, 4 * input + b);
}

// ---- EQ bands ----

enum class BandField { Type, Freq, Gain, Q, Bypass };

template <BandField F>
double GetBand(const Description&, const DeviceModel& d, const ParamTarget& t) {
    const EqBandValues b = BandValues(d, BandIndexOf(t));
    if constexpr (F == BandField::Type) return b.type;
    if constexpr (F == BandField::Freq) return b.frequencyHz;
    if constexpr (F == BandField::Gain) return b.gainDb;
    if constexpr (F == BandField::Q) return b.q;
    return Flag(b.bypassed);
}
template <BandField F>
void SetBand(const Description&, DeviceModel& d, const ParamTarget& t, double v) {
    const int index = BandIndexOf(t);
    const auto i = static_cast<std::size_t>(index);
    EditorValues& e = d.values;
    if constexpr (F == BandField::Type) e.bandType[i] = static_cast<std::int16_t>(Whole(v));
    if constexpr (F == BandField::Freq) e.bandFrequency[i] = v;
    if constexpr (F == BandField::Gain) e.bandGain[i] = v;
    if constexpr (F == BandField::Q) e.bandQ[i] = v;
    if constexpr (F == BandField::Bypass) e.bandBypass[i] = Flag(On(v));
    StoreBand(d, index);  // a band with no record (an input's fourth in block B) stores nothing
}

// ---- Crossovers ----

template <CrossoverSide Side>
int Filter(const ParamTarget& t) {
    return CrossoverFilter(CodeOf(t.channel), Side);
}
template <CrossoverSide Side, bool Slope>
double GetCrossover(const Description&, const DeviceModel& d, const ParamTarget& t) {
    const auto n = static_cast<std::size_t>(Filter<Side>(t));
    return Slope ? d.values.crossoverSlope[n] : d.values.crossoverFrequency[n];
}
template <CrossoverSide Side, bool Slope>
void SetCrossover(const Description&, DeviceModel& d, const ParamTarget& t, double v) {
    const int n = Filter<Side>(t);
    (Slope ? d.values.crossoverSlope : d.values.crossoverFrequency)[static_cast<std::size_t>(n)] = v;
    StoreCrossover(d, n);
}

// ---- Delay, routing ----

double GetDelay(const Description&, const DeviceModel& d, const ParamTarget& t) {
    return DelayMs(ReadDelay(d.preset, ChannelIndex(t)));
}
void SetDelay(const Description&, DeviceModel& d, const ParamTarget& t, double v) {
    WriteDelay(d.preset, ChannelIndex(t), DelayCountsFromMs(v));
}

template <bool Left>
double GetRoute(const Description&, const DeviceModel& d, const ParamTarget& t) {
    const RoutingState r = ReadRouting(d.preset, ChannelIndex(t));
    return Flag(Left ? r.source0 : r.source1);
}
template <bool Left>
void SetRoute(const Description&, DeviceModel& d, const ParamTarget& t, double v) {
    RoutingState r = ReadRouting(d.preset, ChannelIndex(t));
    (Left ? r.source0 : r.source1) = On(v);
    WriteRouting(d.preset, ChannelIndex(t), r);
}

// ---- Device ----

double GetNoiseOption(const Description&, const DeviceModel& d, const ParamTarget&) {
    return d.settings[ds::kNoiseOn] != 0 ? 2.0 : double(std::min<int>(d.settings[ds::kNoiseOption], 1));
}
void SetNoiseOption(const Description&, DeviceModel& d, const ParamTarget&, double v) {
    const int option = std::clamp(Whole(v), 0, 2);
    if (option == 2) {
        d.settings[ds::kNoiseOn] = 1;
    } else {
        d.settings[ds::kNoiseOption] = static_cast<std::uint8_t>(option);
        d.settings[ds::kNoiseOn] = 0;
    }
}

template <bool Inputs>
double GetLink(const Description&, const DeviceModel& d, const ParamTarget&) {
    return Flag(TestBit8(d.settings[ds::kLinkMask], Inputs ? 0 : 1));
}
template <bool Inputs>
void SetLink(const Description&, DeviceModel& d, const ParamTarget&, double v) {
    (Inputs ? d.inputsLinked : d.outputsLinked) = On(v) ? 1 : 0;
    d.settings[ds::kLinkMask] = PairMask(d.inputsLinked != 0, d.outputsLinked != 0);
}

}  // namespace

const FieldAccess kCoded{GetCoded, SetCoded};
const FieldAccess kLimiterThreshold{GetCoded, SetLimiterThreshold};
const FieldAccess kFlag{GetFlag, SetFlag};
const FieldAccess kWhole{GetWhole, SetWhole};

const FieldAccess kGain{GetGain, SetGain};
const FieldAccess kMute{GetPairFlag<&EditorValues::mute, StoreMute>, SetPairFlag<&EditorValues::mute, StoreMute>};
const FieldAccess kPolarity{GetPairFlag<&EditorValues::polarity, StorePolarity>,
                            SetPairFlag<&EditorValues::polarity, StorePolarity>};
const FieldAccess kEqBypass{GetPairFlag<&EditorValues::eqBypass, StoreEqBypass>,
                            SetPairFlag<&EditorValues::eqBypass, StoreEqBypass>};
const FieldAccess kBlockB{GetBlockB, SetBlockB};
const FieldAccess kBandType{GetBand<BandField::Type>, SetBand<BandField::Type>};
const FieldAccess kBandFreq{GetBand<BandField::Freq>, SetBand<BandField::Freq>};
const FieldAccess kBandGain{GetBand<BandField::Gain>, SetBand<BandField::Gain>};
const FieldAccess kBandQ{GetBand<BandField::Q>, SetBand<BandField::Q>};
const FieldAccess kBandBypass{GetBand<BandField::Bypass>, SetBand<BandField::Bypass>};
const FieldAccess kHpFreq{GetCrossover<CrossoverSide::HighPass, false>, SetCrossover<CrossoverSide::HighPass, false>};
const FieldAccess kHpSlope{GetCrossover<CrossoverSide::HighPass, true>, SetCrossover<CrossoverSide::HighPass, true>};
const FieldAccess kLpFreq{GetCrossover<CrossoverSide::LowPass, false>, SetCrossover<CrossoverSide::LowPass, false>};
const FieldAccess kLpSlope{GetCrossover<CrossoverSide::LowPass, true>, SetCrossover<CrossoverSide::LowPass, true>};
const FieldAccess kDelay{GetDelay, SetDelay};
const FieldAccess kRouteL{GetRoute<true>, SetRoute<true>};
const FieldAccess kRouteR{GetRoute<false>, SetRoute<false>};
const FieldAccess kNoiseOption{GetNoiseOption, SetNoiseOption};
const FieldAccess kLinkInputs{GetLink<true>, SetLink<true>};
const FieldAccess kLinkOutputs{GetLink<false>, SetLink<false>};

Transmissions SendBand(const DeviceModel& d, const ParamTarget& t) {
    const auto where = LocateBand(d.preset, BandIndexOf(t));
    if (!where) return {};
    if (!where->sentWithCommand5()) return {InputBlockATransmission()};
    return {Transmission::Of(EqBandCommand(d.preset, *where))};
}

Transmissions SendHighPass(const DeviceModel& d, const ParamTarget& t) {
    return {Transmission::Of(CrossoverCommand(d, CodeOf(t.channel), CrossoverSide::HighPass))};
}

Transmissions SendLowPass(const DeviceModel& d, const ParamTarget& t) {
    return {Transmission::Of(CrossoverCommand(d, CodeOf(t.channel), CrossoverSide::LowPass))};
}

Transmissions SendNoiseOption(const DeviceModel& d, const ParamTarget&) {
    return {Transmission::Of(NoiseOptionCommand(d)), Transmission::Of(GeneratorCommand(d))};
}

Transmissions SendEqMode(const DeviceModel& d, const ParamTarget&) {
    const auto output = static_cast<ChannelCode>(d.selectedOutput == kOutput2 ? kOutput2 : kOutput1);
    return {Transmission::Of(ChannelModeCommand(d, output))};
}

Transmissions SendLinkMask(const DeviceModel&, const ParamTarget&) {
    return {Transmission::Settings(ds::kLinkMask, 1)};
}

}  // namespace zef::access
