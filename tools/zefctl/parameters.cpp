#include "parameters.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "model/commands.h"
#include "model/encodings.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "model/tables.h"

namespace zefctl {
namespace {

using zef::ChannelCode;
using zef::Control;
using zef::DeviceModel;
using zef::MapperFor;
using zef::Senders;
using zef::Status;
namespace pi = zef::pi;
namespace ds = zef::ds;

constexpr unsigned Bit(Channel c) { return 1u << static_cast<unsigned>(c); }
constexpr unsigned kInputs = Bit(Channel::InL) | Bit(Channel::InR);
constexpr unsigned kOutputs = Bit(Channel::Out1) | Bit(Channel::Out2);
constexpr unsigned kChannels = kInputs | kOutputs;
constexpr unsigned kBanded = kChannels | Bit(Channel::Sm);
constexpr unsigned kDevice = Bit(Channel::Device);

constexpr std::array<std::string_view, kChannelCount> kChannelNames = {"inL",  "inR", "out1",
                                                                       "out2", "sm",  "device"};
constexpr std::array<std::string_view, 2> kOnOff = {"off", "on"};
constexpr std::array<std::string_view, 9> kSlopes = {"0", "1", "2", "3", "4", "5", "6", "7", "8"};
constexpr std::array<std::string_view, 2> kDelayUnits = {"ms", "m"};
constexpr std::array<std::string_view, 2> kEqModes = {"30peq", "10peq+fir"};
constexpr std::array<std::string_view, 3> kNoiseOptions = {"0", "1", "generator"};

ChannelCode Code(const Target& t) { return static_cast<ChannelCode>(t.channel); }
int Output(const Target& t) { return static_cast<int>(t.channel) - 2; }
int Input(const Target& t) { return static_cast<int>(t.channel); }
bool On(double v) { return v != 0.0; }

// Editor band index 0..83 of a channel's band 1..N.
int BandIndex(const Target& t) {
    static constexpr std::array<int, 5> kFirstBand = {0, 4, 8, 38, 68};
    return kFirstBand[static_cast<std::size_t>(t.channel)] + t.band - 1;
}

int Position(Control c, double value) { return MapperFor(c).positionFromValue(value); }
int PositionOfCode(Control c, int code) { return MapperFor(c).positionFromCode(code); }
double ValueOfCode(Control c, int code) {
    return MapperFor(c).valueFromCode(std::clamp(code, 0, MapperFor(c).maxCode()));
}

// ---- multi-field commands: the current controls, one field changed ----

zef::GateControls Gate(const DeviceModel& d, int input) {
    const std::size_t at = pi::Gate(input);
    zef::GateControls g;
    g.enabled = d.preset[at + pi::kGateEnable] != 0;
    g.thresholdPosition = PositionOfCode(Control::GateThreshold, d.preset[at + pi::kGateThreshold]);
    g.timeAPosition = PositionOfCode(Control::GateTimeA, d.preset[at + pi::kGateTimeA]);
    g.timeBPosition = PositionOfCode(Control::GateTimeB, d.preset[at + pi::kGateTimeB]);
    return g;
}

zef::CompressorControls Compressor(const DeviceModel& d, int output) {
    const std::size_t at = pi::Compressor(output);
    zef::CompressorControls c;
    c.enabled = d.preset[at + pi::kCompEnable] != 0;
    c.levelPosition = PositionOfCode(Control::CompressorLevel, d.preset[at + pi::kCompLevel]);
    c.ratioPosition = PositionOfCode(Control::CompressorRatio, d.preset[at + pi::kCompRatio]);
    c.valuePosition = PositionOfCode(Control::CompressorValue, d.preset[at + pi::kCompValue]);
    c.timeAPosition = PositionOfCode(Control::CompressorTimeA, d.preset[at + pi::kCompTimeA]);
    c.timeBPosition = PositionOfCode(Control::CompressorTimeB, d.preset[at + pi::kCompTimeB]);
    c.gainPosition = PositionOfCode(Control::CompressorGain, d.preset[at + pi::kCompGain]);
    return c;
}

zef::LimiterControls Limiter(const DeviceModel& d, int output) {
    const std::size_t at = pi::Limiter(output);
    zef::LimiterControls l;
    l.enabled = d.preset[at + pi::kLimEnable] != 0;
    l.thresholdPosition = PositionOfCode(Control::LimiterThreshold, d.preset[at + pi::kLimThreshold]);
    l.timeAPosition = PositionOfCode(Control::LimiterTimeA, d.preset[at + pi::kLimTimeA]);
    l.timeBPosition = PositionOfCode(Control::LimiterTimeB, d.preset[at + pi::kLimTimeB]);
    return l;
}

zef::EqBandEdit Band(const DeviceModel& d, int index) {
    const auto i = static_cast<std::size_t>(index);
    const zef::EditorValues& v = d.values;
    return {v.bandType[i], v.bandFrequency[i], v.bandGain[i], v.bandQ[i], v.bandBypass[i] != 0};
}

zef::MaskingControls Masking(const DeviceModel& d) {
    zef::MaskingControls m;
    m.enableOption = 1 - std::clamp<int>(d.preset[pi::kMaskingEnable], 0, 1);
    for (int ch = 0; ch < 4; ++ch)
        m.channels[static_cast<std::size_t>(ch)] = (d.preset[pi::kMaskingChannels] >> ch) & 1;
    m.typeOption = std::clamp<int>(d.preset[pi::kMaskingType], 0, 1);
    m.subOption = d.preset[pi::kMaskingSubOption];
    m.levelPosition = PositionOfCode(Control::MaskingLevel, d.preset[pi::kMaskingLevel]);
    return m;
}

double DelayValue(const DeviceModel& d, int output) { return zef::DelayMs(zef::ReadDelay(d.preset, output)); }
bool DelayBypassed(const DeviceModel& d, int output) { return (d.preset[pi::kDelayBypass] >> output) & 1; }

struct Xover {
    zef::CrossoverSide side;
    int Filter(const Target& t) const { return 2 * Output(t) + static_cast<int>(side); }
};

template <zef::CrossoverSide Side>
double XoverFreq(const DeviceModel& d, const Target& t) {
    return d.values.crossoverFrequency[static_cast<std::size_t>(Xover{Side}.Filter(t))];
}
template <zef::CrossoverSide Side>
double XoverSlope(const DeviceModel& d, const Target& t) {
    return d.values.crossoverSlope[static_cast<std::size_t>(Xover{Side}.Filter(t))];
}
template <zef::CrossoverSide Side>
Status SetXoverFreq(Senders& s, const Target& t, double v) {
    const int slope = static_cast<int>(std::lround(XoverSlope<Side>(s.device(), t)));
    return s.SendCrossover(Code(t), Side, v, slope);
}
template <zef::CrossoverSide Side>
Status SetXoverSlope(Senders& s, const Target& t, double v) {
    return s.SendCrossover(Code(t), Side, XoverFreq<Side>(s.device(), t), static_cast<int>(v));
}

template <int Field>
double BandField(const DeviceModel& d, const Target& t) {
    const zef::EqBandEdit b = Band(d, BandIndex(t));
    if constexpr (Field == 0) return b.type;
    if constexpr (Field == 1) return b.frequencyHz;
    if constexpr (Field == 2) return b.gainDb;
    if constexpr (Field == 3) return b.q;
    return b.bypassed ? 1 : 0;
}
template <int Field>
Status SetBandField(Senders& s, const Target& t, double v) {
    zef::EqBandEdit b = Band(s.device(), BandIndex(t));
    if constexpr (Field == 0) b.type = static_cast<std::int16_t>(v);
    if constexpr (Field == 1) b.frequencyHz = v;
    if constexpr (Field == 2) b.gainDb = v;
    if constexpr (Field == 3) b.q = v;
    if constexpr (Field == 4) b.bypassed = On(v);
    return s.SendEqBand(BandIndex(t), b);
}

// PI offset of a gate field of the target input.
template <std::size_t Field, Control C>
double GateField(const DeviceModel& d, const Target& t) {
    const int code = d.preset[pi::Gate(Input(t)) + Field];
    if constexpr (Field == pi::kGateEnable) return code != 0;
    return ValueOfCode(C, code);
}
template <std::size_t Field, Control C>
Status SetGateField(Senders& s, const Target& t, double v) {
    zef::GateControls g = Gate(s.device(), Input(t));
    if constexpr (Field == pi::kGateEnable) g.enabled = On(v);
    if constexpr (Field == pi::kGateThreshold) g.thresholdPosition = Position(C, v);
    if constexpr (Field == pi::kGateTimeA) g.timeAPosition = Position(C, v);
    if constexpr (Field == pi::kGateTimeB) g.timeBPosition = Position(C, v);
    return s.SendNoiseGate(3 * Input(t), g);
}

template <std::size_t Field, Control C>
double CompField(const DeviceModel& d, const Target& t) {
    const int code = d.preset[pi::Compressor(Output(t)) + Field];
    if constexpr (Field == pi::kCompEnable) return code != 0;
    return ValueOfCode(C, code);
}
template <std::size_t Field, Control C>
Status SetCompField(Senders& s, const Target& t, double v) {
    zef::CompressorControls c = Compressor(s.device(), Output(t));
    if constexpr (Field == pi::kCompEnable) c.enabled = On(v);
    if constexpr (Field == pi::kCompLevel) c.levelPosition = Position(C, v);
    if constexpr (Field == pi::kCompRatio) c.ratioPosition = Position(C, v);
    if constexpr (Field == pi::kCompValue) c.valuePosition = Position(C, v);
    if constexpr (Field == pi::kCompTimeA) c.timeAPosition = Position(C, v);
    if constexpr (Field == pi::kCompTimeB) c.timeBPosition = Position(C, v);
    if constexpr (Field == pi::kCompGain) c.gainPosition = Position(C, v);
    return s.SendCompressor(Code(t), c);
}

template <std::size_t Field, Control C>
double LimField(const DeviceModel& d, const Target& t) {
    const int code = d.preset[pi::Limiter(Output(t)) + Field];
    if constexpr (Field == pi::kLimEnable) return code != 0;
    return ValueOfCode(C, code);
}
template <std::size_t Field, Control C>
Status SetLimField(Senders& s, const Target& t, double v) {
    zef::LimiterControls l = Limiter(s.device(), Output(t));
    if constexpr (Field == pi::kLimEnable) l.enabled = On(v);
    if constexpr (Field == pi::kLimThreshold) l.thresholdPosition = Position(C, v);
    if constexpr (Field == pi::kLimTimeA) l.timeAPosition = Position(C, v);
    if constexpr (Field == pi::kLimTimeB) l.timeBPosition = Position(C, v);
    return s.SendLimiter(Code(t), l);
}

template <int Field>
double DynField(const DeviceModel& d, const Target& t) {
    return d.preset[pi::DynamicFilter(Output(t)) + static_cast<std::size_t>(Field)];
}
template <int Field>
Status SetDynField(Senders& s, const Target& t, double v) {
    const DeviceModel& d = s.device();
    std::array<int, 3> f = {static_cast<int>(DynField<0>(d, t)), static_cast<int>(DynField<1>(d, t)),
                            static_cast<int>(DynField<2>(d, t))};
    f[Field] = static_cast<int>(std::lround(v));
    return s.SendDynamicFilter(Code(t), f[0] != 0, std::clamp(f[1], 0, 100), std::clamp(f[2], 0, 100));
}

template <std::size_t Offset>
double SettingsByte(const DeviceModel& d, const Target&) {
    return d.settings[Offset];
}

double MaskBit(std::uint8_t mask, int bit) { return (mask >> bit) & 1; }

const std::array<std::string_view, 8>& EqTypes() { return zef::kEqTypeNames; }

// clang-format off
const std::vector<ParamDef>& Table() {
    static const std::vector<ParamDef> table = {
        {"gain", kChannels, ValueKind::Number, "dB", -60, 12, {},
         [](const DeviceModel& d, const Target& t) { return d.values.channelGainDb[static_cast<std::size_t>(Code(t))]; },
         [](Senders& s, const Target& t, double v) { return s.SendGain(Code(t), Position(Control::ChannelGain, v)); }},
        {"mute", kChannels, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target& t) { return double(d.values.mute[static_cast<std::size_t>(Code(t))]); },
         [](Senders& s, const Target& t, double v) { return s.SendMute(Code(t), On(v)); }},
        {"polarity", kChannels, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target& t) { return double(d.values.polarity[static_cast<std::size_t>(Code(t))]); },
         [](Senders& s, const Target& t, double v) { return s.SendPolarity(Code(t), On(v)); }},
        {"eq.bypass", kChannels, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target& t) { return double(d.values.eqBypass[static_cast<std::size_t>(Code(t))]); },
         [](Senders& s, const Target& t, double v) { return s.SendEqBypass(Code(t), On(v)); }},
        {"eq.blockb", kInputs, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target& t) { return double(zef::InputUsesBlockB(d.preset, Input(t))); },
         [](Senders& s, const Target& t, double v) { return s.SendChannelMode(Code(t), On(v)); }},
        {"eq.#.type", kBanded, ValueKind::Choice, "", 0, 7, EqTypes(), BandField<0>, SetBandField<0>},
        {"eq.#.freq", kBanded, ValueKind::Number, "Hz", 20, 20000, {}, BandField<1>, SetBandField<1>},
        {"eq.#.gain", kBanded, ValueKind::Number, "dB", -15, 15, {}, BandField<2>, SetBandField<2>},
        {"eq.#.q", kBanded, ValueKind::Number, "", 0.4, 128, {}, BandField<3>, SetBandField<3>},
        {"eq.#.bypass", kBanded, ValueKind::Bool, "", 0, 1, kOnOff, BandField<4>, SetBandField<4>},
        {"gate.enable", kInputs, ValueKind::Bool, "", 0, 1, kOnOff,
         GateField<pi::kGateEnable, Control::GateThreshold>, SetGateField<pi::kGateEnable, Control::GateThreshold>},
        {"gate.threshold", kInputs, ValueKind::Number, "dB", -80, -50, {},
         GateField<pi::kGateThreshold, Control::GateThreshold>, SetGateField<pi::kGateThreshold, Control::GateThreshold>},
        {"gate.timea", kInputs, ValueKind::Number, "ms", 1, 1000, {},
         GateField<pi::kGateTimeA, Control::GateTimeA>, SetGateField<pi::kGateTimeA, Control::GateTimeA>},
        {"gate.timeb", kInputs, ValueKind::Number, "ms", 30, 1000, {},
         GateField<pi::kGateTimeB, Control::GateTimeB>, SetGateField<pi::kGateTimeB, Control::GateTimeB>},
        {"delay", kOutputs, ValueKind::Number, "ms", 0, zef::kDelayMaxMs, {},
         [](const DeviceModel& d, const Target& t) { return DelayValue(d, Output(t)); },
         [](Senders& s, const Target& t, double v) {
             return s.SendDelay(Code(t), zef::DelayCountsFromMs(v), DelayBypassed(s.device(), Output(t)));
         }},
        {"delay.bypass", kOutputs, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target& t) { return double(DelayBypassed(d, Output(t))); },
         [](Senders& s, const Target& t, double v) {
             return s.SendDelay(Code(t), zef::ReadDelay(s.device().preset, Output(t)), On(v));
         }},
        {"hp.freq", kOutputs, ValueKind::Number, "Hz", 20, 20000, {},
         XoverFreq<zef::CrossoverSide::HighPass>, SetXoverFreq<zef::CrossoverSide::HighPass>},
        {"hp.slope", kOutputs, ValueKind::Choice, "", 0, 8, kSlopes,
         XoverSlope<zef::CrossoverSide::HighPass>, SetXoverSlope<zef::CrossoverSide::HighPass>},
        {"lp.freq", kOutputs, ValueKind::Number, "Hz", 20, 20000, {},
         XoverFreq<zef::CrossoverSide::LowPass>, SetXoverFreq<zef::CrossoverSide::LowPass>},
        {"lp.slope", kOutputs, ValueKind::Choice, "", 0, 8, kSlopes,
         XoverSlope<zef::CrossoverSide::LowPass>, SetXoverSlope<zef::CrossoverSide::LowPass>},
        {"route.inL", kOutputs, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target& t) { return double(zef::ReadRouting(d.preset, Output(t)).source0); },
         [](Senders& s, const Target& t, double v) {
             zef::RoutingState r = zef::ReadRouting(s.device().preset, Output(t));
             r.source0 = On(v);
             return s.SendRouting(Code(t), r);
         }},
        {"route.inR", kOutputs, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target& t) { return double(zef::ReadRouting(d.preset, Output(t)).source1); },
         [](Senders& s, const Target& t, double v) {
             zef::RoutingState r = zef::ReadRouting(s.device().preset, Output(t));
             r.source1 = On(v);
             return s.SendRouting(Code(t), r);
         }},
        {"comp.enable", kOutputs, ValueKind::Bool, "", 0, 1, kOnOff,
         CompField<pi::kCompEnable, Control::CompressorLevel>, SetCompField<pi::kCompEnable, Control::CompressorLevel>},
        {"comp.level", kOutputs, ValueKind::Number, "dB", -18, 12, {},
         CompField<pi::kCompLevel, Control::CompressorLevel>, SetCompField<pi::kCompLevel, Control::CompressorLevel>},
        {"comp.ratio", kOutputs, ValueKind::Number, ":1", 2, 32, {},
         CompField<pi::kCompRatio, Control::CompressorRatio>, SetCompField<pi::kCompRatio, Control::CompressorRatio>},
        {"comp.value", kOutputs, ValueKind::Number, "", 0, 100, {},
         CompField<pi::kCompValue, Control::CompressorValue>, SetCompField<pi::kCompValue, Control::CompressorValue>},
        {"comp.timea", kOutputs, ValueKind::Number, "", 0.1, 3, {},
         CompField<pi::kCompTimeA, Control::CompressorTimeA>, SetCompField<pi::kCompTimeA, Control::CompressorTimeA>},
        {"comp.timeb", kOutputs, ValueKind::Number, "", 5, 200, {},
         CompField<pi::kCompTimeB, Control::CompressorTimeB>, SetCompField<pi::kCompTimeB, Control::CompressorTimeB>},
        {"comp.gain", kOutputs, ValueKind::Number, "dB", -12, 12, {},
         CompField<pi::kCompGain, Control::CompressorGain>, SetCompField<pi::kCompGain, Control::CompressorGain>},
        {"comp.auto", kOutputs, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target& t) { return double(d.preset[pi::CompAutoMode(Output(t))] != 0); },
         [](Senders& s, const Target& t, double v) {
             return s.SendCompressorAuto(Code(t), On(v), s.device().preset[pi::CompAutoKnee(Output(t))] != 0);
         }},
        {"comp.knee", kOutputs, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target& t) { return double(d.preset[pi::CompAutoKnee(Output(t))] != 0); },
         [](Senders& s, const Target& t, double v) {
             return s.SendCompressorAuto(Code(t), s.device().preset[pi::CompAutoMode(Output(t))] != 0, On(v));
         }},
        {"limiter.enable", kOutputs, ValueKind::Bool, "", 0, 1, kOnOff,
         LimField<pi::kLimEnable, Control::LimiterThreshold>, SetLimField<pi::kLimEnable, Control::LimiterThreshold>},
        {"limiter.threshold", kOutputs, ValueKind::Number, "", 1.63, 50, {},
         LimField<pi::kLimThreshold, Control::LimiterThreshold>, SetLimField<pi::kLimThreshold, Control::LimiterThreshold>},
        {"limiter.timea", kOutputs, ValueKind::Number, "", 0.1, 5, {},
         LimField<pi::kLimTimeA, Control::LimiterTimeA>, SetLimField<pi::kLimTimeA, Control::LimiterTimeA>},
        {"limiter.timeb", kOutputs, ValueKind::Number, "", 1, 900, {},
         LimField<pi::kLimTimeB, Control::LimiterTimeB>, SetLimField<pi::kLimTimeB, Control::LimiterTimeB>},
        {"dynfilter.enable", kOutputs, ValueKind::Bool, "", 0, 1, kOnOff, DynField<0>, SetDynField<0>},
        {"dynfilter.value1", kOutputs, ValueKind::Number, "", 0, 100, {}, DynField<1>, SetDynField<1>},
        {"dynfilter.value2", kOutputs, ValueKind::Number, "", 0, 100, {}, DynField<2>, SetDynField<2>},
        {"fir.bypass", kOutputs, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target& t) { return MaskBit(d.preset[pi::kFirBypass], Output(t)); },
         [](Senders& s, const Target& t, double v) { return s.SendFirBypass(Code(t), On(v)); }},
        {"impedance", kOutputs, ValueKind::Number, "", 0, 3, {},
         [](const DeviceModel& d, const Target& t) { return double(d.settings[ds::Impedance(Output(t))]); },
         [](Senders& s, const Target& t, double v) { return s.SendImpedance(Code(t), static_cast<int>(std::lround(v))); }},
        {"enable", Bit(Channel::Sm), ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target&) { return double(d.preset[pi::kMaskingEnable] != 0); },
         [](Senders& s, const Target&, double v) {
             zef::MaskingControls m = Masking(s.device());
             m.enableOption = On(v) ? 0 : 1;
             return s.SendMasking(m);
         }},
        {"level", Bit(Channel::Sm), ValueKind::Number, "dB", -80, 0, {},
         [](const DeviceModel& d, const Target&) { return ValueOfCode(Control::MaskingLevel, d.preset[pi::kMaskingLevel]); },
         [](Senders& s, const Target&, double v) {
             zef::MaskingControls m = Masking(s.device());
             m.levelPosition = Position(Control::MaskingLevel, v);
             return s.SendMasking(m);
         }},
        {"type", Bit(Channel::Sm), ValueKind::Number, "", 0, 1, {},
         [](const DeviceModel& d, const Target&) { return double(d.preset[pi::kMaskingType]); },
         [](Senders& s, const Target&, double v) {
             zef::MaskingControls m = Masking(s.device());
             m.typeOption = static_cast<int>(std::lround(v));
             return s.SendMasking(m);
         }},
        {"standby", kDevice, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target&) { return double(d.settings[ds::kStandby] != 0); },
         [](Senders& s, const Target&, double v) { return s.SendStandby(On(v)); }},
        {"sleep", kDevice, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target&) { return double(d.settings[ds::kSleepMode] != 0); },
         [](Senders& s, const Target&, double v) { return s.SendSleepMode(On(v)); }},
        {"bridge", kDevice, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target&) { return double(d.settings[ds::kBridge] != 0); },
         [](Senders& s, const Target&, double v) {
             const zef::Confirmed c = s.SendBridge(On(v));
             return c == zef::Confirmed::Sent ? zef::kOk : zef::kFailed;
         }},
        {"voltage", kDevice, ValueKind::Number, "", 0, 255, {}, SettingsByte<ds::kVoltage>,
         [](Senders& s, const Target&, double v) { return s.SendVoltage(static_cast<int>(std::lround(v))); }},
        {"remote", kDevice, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target&) { return double(d.settings[ds::kRemoteEnable] != 0); },
         [](Senders& s, const Target&, double v) { return s.SendRemoteEnable(On(v)); }},
        {"noise.option", kDevice, ValueKind::Choice, "", 0, 2, kNoiseOptions,
         [](const DeviceModel& d, const Target&) {
             return d.settings[ds::kNoiseOn] != 0 ? 2.0 : double(std::min<int>(d.settings[ds::kNoiseOption], 1));
         },
         [](Senders& s, const Target&, double v) { return s.SendNoiseOption(static_cast<int>(v)); }},
        {"noise.level", kDevice, ValueKind::Number, "dB", -80, 0, {},
         [](const DeviceModel& d, const Target&) { return ValueOfCode(Control::NoiseLevel, d.settings[ds::kNoiseLevel]); },
         [](Senders& s, const Target&, double v) {
             return s.SendNoiseLevel(Position(Control::NoiseLevel, v), s.device().settings[ds::kNoiseSubOption]);
         }},
        {"delayunit", kDevice, ValueKind::Choice, "", 0, 1, kDelayUnits,
         [](const DeviceModel& d, const Target&) { return double(d.settings[ds::kDelayUnit] == 1); },
         [](Senders& s, const Target&, double v) { return s.SendDelayUnit(On(v)); }},
        {"eqmode", kDevice, ValueKind::Choice, "", 0, 1, kEqModes,
         [](const DeviceModel& d, const Target&) { return double(d.preset[pi::kEqMode] != 0); },
         [](Senders& s, const Target&, double v) { return s.SendEqMode(static_cast<std::uint8_t>(On(v))); }},
        {"link.inputs", kDevice, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target&) { return MaskBit(d.settings[ds::kLinkMask], 0); },
         [](Senders& s, const Target&, double v) { return s.SendLinkInputs(On(v)); }},
        {"link.outputs", kDevice, ValueKind::Bool, "", 0, 1, kOnOff,
         [](const DeviceModel& d, const Target&) { return MaskBit(d.settings[ds::kLinkMask], 1); },
         [](Senders& s, const Target&, double v) { return s.SendLinkOutputs(On(v)); }},
    };
    return table;
}
// clang-format on

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string NumberText(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string ConcreteName(Channel c, std::string_view path, int band) {
    std::string name = std::string(ChannelName(c)) + "." + std::string(path);
    const auto hash = name.find('#');
    if (hash != std::string::npos) name.replace(hash, 1, std::to_string(band));
    return name;
}

}  // namespace

std::string_view ChannelName(Channel channel) { return kChannelNames[static_cast<std::size_t>(channel)]; }

std::span<const ParamDef> ParameterTable() { return Table(); }

int BandCount(Channel channel) {
    switch (channel) {
        case Channel::InL:
        case Channel::InR:
            return 4;
        case Channel::Out1:
        case Channel::Out2:
            return 30;
        case Channel::Sm:
            return 16;
        case Channel::Device:
            break;
    }
    return 0;
}

std::vector<Parameter> AllParameters() {
    std::vector<Parameter> all;
    for (int ci = 0; ci < kChannelCount; ++ci) {
        const auto c = static_cast<Channel>(ci);
        auto banded = [](const ParamDef& def) { return def.path.find('#') != std::string_view::npos; };
        for (const ParamDef& def : Table())
            if ((def.channels & Bit(c)) && !banded(def))
                all.push_back({&def, {c, 0}, ConcreteName(c, def.path, 0)});
        for (int band = 1; band <= BandCount(c); ++band)
            for (const ParamDef& def : Table())
                if ((def.channels & Bit(c)) && banded(def))
                    all.push_back({&def, {c, band}, ConcreteName(c, def.path, band)});
    }
    return all;
}

std::optional<Parameter> FindParameter(std::string_view name) {
    const auto dot = name.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const auto it = std::find(kChannelNames.begin(), kChannelNames.end(), name.substr(0, dot));
    if (it == kChannelNames.end()) return std::nullopt;
    const auto channel = static_cast<Channel>(it - kChannelNames.begin());
    const std::string rest = Lower(name.substr(dot + 1));
    int band = 0;
    std::string path = rest;
    // eq.N.field: the band number becomes '#'.
    if (rest.rfind("eq.", 0) == 0) {
        const auto second = rest.find('.', 3);
        const std::string number =
            rest.substr(3, second == std::string::npos ? std::string::npos : second - 3);
        if (!number.empty() && std::all_of(number.begin(), number.end(), ::isdigit) && number.size() <= 3) {
            band = std::stoi(number);
            if (band < 1 || band > BandCount(channel) || second == std::string::npos) return std::nullopt;
            path = "eq.#" + rest.substr(second);
        }
    }
    for (const ParamDef& def : Table()) {
        if (!(def.channels & Bit(channel)) || Lower(def.path) != path) continue;
        return Parameter{&def, {channel, band}, ConcreteName(channel, def.path, band)};
    }
    return std::nullopt;
}

std::string RangeText(const ParamDef& def) {
    if (def.kind == ValueKind::Bool || def.kind == ValueKind::Choice) {
        std::string text;
        for (std::size_t i = 0; i < def.choices.size(); ++i)
            text += (i ? "|" : "") + std::string(def.choices[i]);
        return text;
    }
    std::string text = NumberText(def.min) + ".." + NumberText(def.max);
    if (!def.unit.empty()) text += " " + std::string(def.unit);
    return text;
}

std::optional<double> ParseValue(const ParamDef& def, std::string_view text) {
    const std::string lower = Lower(text);
    if (def.kind == ValueKind::Bool) {
        for (const char* on : {"on", "true", "yes", "1"})
            if (lower == on) return 1.0;
        for (const char* off : {"off", "false", "no", "0"})
            if (lower == off) return 0.0;
        return std::nullopt;
    }
    if (def.kind == ValueKind::Choice) {
        for (std::size_t i = 0; i < def.choices.size(); ++i)
            if (Lower(def.choices[i]) == lower) return static_cast<double>(i);
    }
    double value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    const auto r = std::from_chars(first, last, value);
    if (r.ec != std::errc() || r.ptr != last || !std::isfinite(value)) return std::nullopt;
    if (def.kind == ValueKind::Choice && value != std::floor(value)) return std::nullopt;
    if (value < def.min - 1e-9 || value > def.max + 1e-9) return std::nullopt;
    return value;
}

std::string ValueText(const ParamDef& def, double value) {
    if (def.kind != ValueKind::Number) {
        const auto i = static_cast<std::size_t>(std::lround(value));
        if (i < def.choices.size()) return std::string(def.choices[i]);
    }
    return NumberText(value);
}

double GetValue(const zef::DeviceModel& device, const Parameter& p) { return p.def->get(device, p.target); }

zef::Status SetValue(zef::Senders& senders, const Parameter& p, double value) {
    return p.def->set(senders, p.target, value);
}

}  // namespace zefctl
