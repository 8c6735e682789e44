#include "model/parameters.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

#include "base/check.h"
#include "model/commands.h"
#include "model/controls.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "model/tables.h"

namespace zef {
namespace {

constexpr unsigned Bit(ParamChannel c) { return 1u << static_cast<unsigned>(c); }
constexpr unsigned kInputs = Bit(ParamChannel::InL) | Bit(ParamChannel::InR);
constexpr unsigned kOutputs = Bit(ParamChannel::Out1) | Bit(ParamChannel::Out2);
constexpr unsigned kChannels = kInputs | kOutputs;
constexpr unsigned kBanded = kChannels | Bit(ParamChannel::Sm);
constexpr unsigned kSm = Bit(ParamChannel::Sm);
constexpr unsigned kDevice = Bit(ParamChannel::Device);

constexpr std::array<std::string_view, kParamChannelCount> kChannelNames = {"inL",  "inR", "out1",
                                                                          "out2", "sm",  "device"};
constexpr std::array<std::string_view, 2> kOnOff = {"off", "on"};
constexpr std::array<std::string_view, 9> kSlopes = {"0", "1", "2", "3", "4", "5", "6", "7", "8"};
constexpr std::array<std::string_view, 2> kDelayUnits = {"ms", "m"};
constexpr std::array<std::string_view, 2> kEqModes = {"30peq", "10peq+fir"};
constexpr std::array<std::string_view, 3> kNoiseOptions = {"0", "1", "generator"};

std::size_t Ch(const ParamTarget& t) { return static_cast<std::size_t>(t.channel); }
int Output(const ParamTarget& t) { return static_cast<int>(t.channel) - 2; }
int Input(const ParamTarget& t) { return static_cast<int>(t.channel); }

double ValueOfCode(Control c, int code) {
    const ControlMapper& m = MapperFor(c);
    return m.valueFromCode(std::clamp(code, 0, m.maxCode()));
}
double Flag(bool on) { return on ? 1.0 : 0.0; }

int Crossover(const ParamTarget& t, CrossoverSide side) { return 2 * Output(t) + static_cast<int>(side); }

template <CrossoverSide Side>
double XoverFreq(const DeviceModel& d, const ParamTarget& t) {
    return d.values.crossoverFrequency[static_cast<std::size_t>(Crossover(t, Side))];
}
template <CrossoverSide Side>
double XoverSlope(const DeviceModel& d, const ParamTarget& t) {
    return d.values.crossoverSlope[static_cast<std::size_t>(Crossover(t, Side))];
}

template <int Field>
double BandField(const DeviceModel& d, const ParamTarget& t) {
    const EqBandEdit b = BandControls(d, BandIndexOf(t));
    if constexpr (Field == 0) return b.type;
    if constexpr (Field == 1) return b.frequencyHz;
    if constexpr (Field == 2) return b.gainDb;
    if constexpr (Field == 3) return b.q;
    return Flag(b.bypassed);
}

template <std::size_t Field, Control C>
double GateField(const DeviceModel& d, const ParamTarget& t) {
    const int code = d.preset[pi::Gate(Input(t)) + Field];
    if constexpr (Field == pi::kGateEnable) return Flag(code != 0);
    return ValueOfCode(C, code);
}

template <std::size_t Field, Control C>
double CompField(const DeviceModel& d, const ParamTarget& t) {
    const int code = d.preset[pi::Compressor(Output(t)) + Field];
    if constexpr (Field == pi::kCompEnable) return Flag(code != 0);
    return ValueOfCode(C, code);
}

template <std::size_t Field, Control C>
double LimField(const DeviceModel& d, const ParamTarget& t) {
    const int code = d.preset[pi::Limiter(Output(t)) + Field];
    if constexpr (Field == pi::kLimEnable) return Flag(code != 0);
    return ValueOfCode(C, code);
}

template <int Field>
double DynField(const DeviceModel& d, const ParamTarget& t) {
    const DynamicFilterControls f = DynamicFilterControlsOf(d, Output(t));
    if constexpr (Field == 0) return Flag(f.enabled);
    if constexpr (Field == 1) return f.value1;
    return f.value2;
}

double DelayBypassed(const DeviceModel& d, const ParamTarget& t) {
    return Flag(TestBit8(d.preset[pi::kDelayBypass], Output(t)));
}

using V = ValueKind;
using L = LinkGroup;
using R = ResponseEffect;
using C = Control;
using P = ParamId;
using Xs = CrossoverSide;
using S = ParameterDescription;

// clang-format off
const std::array<S, 54> kSpecs = {{
    {P::Gain, "gain", kChannels, V::Number, "dB", -60, 12, C::ChannelGain, {}, L::Gain, R::None,
     [](const DeviceModel& d, const ParamTarget& t) { return d.values.channelGainDb[Ch(t)]; }},
    {P::Mute, "mute", kChannels, V::Bool, "", 0, 1, {}, kOnOff, L::Mute, R::None,
     [](const DeviceModel& d, const ParamTarget& t) { return double(d.values.mute[Ch(t)]); }},
    {P::Polarity, "polarity", kChannels, V::Bool, "", 0, 1, {}, kOnOff, L::Polarity, R::None,
     [](const DeviceModel& d, const ParamTarget& t) { return double(d.values.polarity[Ch(t)]); }},
    {P::EqBypass, "eq.bypass", kChannels, V::Bool, "", 0, 1, {}, kOnOff, L::EqBypass, R::GroupSum,
     [](const DeviceModel& d, const ParamTarget& t) { return double(d.values.eqBypass[Ch(t)]); }},
    {P::InputBlockB, "eq.blockb", kInputs, V::Bool, "", 0, 1, {}, kOnOff, L::ChannelMode, R::GroupSum,
     [](const DeviceModel& d, const ParamTarget& t) { return Flag(InputUsesBlockB(d.preset, Input(t))); }},
    {P::BandType, "eq.#.type", kBanded, V::Choice, "", 0, 7, {}, kEqTypeNames, L::EqBand, R::Band, BandField<0>},
    {P::BandFreq, "eq.#.freq", kBanded, V::Number, "Hz", 20, 20000, {}, {}, L::EqBand, R::Band, BandField<1>},
    {P::BandGain, "eq.#.gain", kBanded, V::Number, "dB", -15, 15, C::EqGain, {}, L::EqBand, R::Band, BandField<2>},
    {P::BandQ, "eq.#.q", kBanded, V::Number, "", 0.4, 128, {}, {}, L::EqBand, R::Band, BandField<3>},
    {P::BandBypass, "eq.#.bypass", kBanded, V::Bool, "", 0, 1, {}, kOnOff, L::EqBand, R::Band, BandField<4>},
    {P::GateEnable, "gate.enable", kInputs, V::Bool, "", 0, 1, {}, kOnOff, L::NoiseGate, R::None,
     GateField<pi::kGateEnable, C::GateThreshold>},
    {P::GateThreshold, "gate.threshold", kInputs, V::Number, "dB", -80, -50, C::GateThreshold, {}, L::NoiseGate, R::None,
     GateField<pi::kGateThreshold, C::GateThreshold>},
    {P::GateTimeA, "gate.timea", kInputs, V::Number, "ms", 1, 1000, C::GateTimeA, {}, L::NoiseGate, R::None,
     GateField<pi::kGateTimeA, C::GateTimeA>},
    {P::GateTimeB, "gate.timeb", kInputs, V::Number, "ms", 30, 1000, C::GateTimeB, {}, L::NoiseGate, R::None,
     GateField<pi::kGateTimeB, C::GateTimeB>},
    {P::Delay, "delay", kOutputs, V::Number, "ms", 0, kDelayMaxMs, {}, {}, L::Delay, R::None,
     [](const DeviceModel& d, const ParamTarget& t) { return DelayMs(ReadDelay(d.preset, Output(t))); }},
    {P::DelayBypass, "delay.bypass", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, L::Delay, R::None, DelayBypassed},
    {P::HpFreq, "hp.freq", kOutputs, V::Number, "Hz", 20, 20000, {}, {}, L::Crossover, R::Crossover, XoverFreq<Xs::HighPass>},
    {P::HpSlope, "hp.slope", kOutputs, V::Choice, "", 0, 8, {}, kSlopes, L::Crossover, R::Crossover, XoverSlope<Xs::HighPass>},
    {P::LpFreq, "lp.freq", kOutputs, V::Number, "Hz", 20, 20000, {}, {}, L::Crossover, R::Crossover, XoverFreq<Xs::LowPass>},
    {P::LpSlope, "lp.slope", kOutputs, V::Choice, "", 0, 8, {}, kSlopes, L::Crossover, R::Crossover, XoverSlope<Xs::LowPass>},
    {P::RouteL, "route.inL", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget& t) { return Flag(ReadRouting(d.preset, Output(t)).source0); }},
    {P::RouteR, "route.inR", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget& t) { return Flag(ReadRouting(d.preset, Output(t)).source1); }},
    {P::CompEnable, "comp.enable", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, L::Compressor, R::None,
     CompField<pi::kCompEnable, C::CompressorLevel>},
    {P::CompLevel, "comp.level", kOutputs, V::Number, "dB", -18, 12, C::CompressorLevel, {}, L::Compressor, R::None,
     CompField<pi::kCompLevel, C::CompressorLevel>},
    {P::CompRatio, "comp.ratio", kOutputs, V::Number, ":1", 2, 32, C::CompressorRatio, {}, L::Compressor, R::None,
     CompField<pi::kCompRatio, C::CompressorRatio>},
    {P::CompValue, "comp.value", kOutputs, V::Number, "", 0, 100, C::CompressorValue, {}, L::Compressor, R::None,
     CompField<pi::kCompValue, C::CompressorValue>},
    {P::CompTimeA, "comp.timea", kOutputs, V::Number, "", 0.1, 3, C::CompressorTimeA, {}, L::Compressor, R::None,
     CompField<pi::kCompTimeA, C::CompressorTimeA>},
    {P::CompTimeB, "comp.timeb", kOutputs, V::Number, "", 5, 200, C::CompressorTimeB, {}, L::Compressor, R::None,
     CompField<pi::kCompTimeB, C::CompressorTimeB>},
    {P::CompGain, "comp.gain", kOutputs, V::Number, "dB", -12, 12, C::CompressorGain, {}, L::Compressor, R::None,
     CompField<pi::kCompGain, C::CompressorGain>},
    {P::CompAuto, "comp.auto", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, L::Compressor, R::None,
     [](const DeviceModel& d, const ParamTarget& t) { return Flag(d.preset[pi::CompAutoMode(Output(t))] != 0); }},
    {P::CompKnee, "comp.knee", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, L::Compressor, R::None,
     [](const DeviceModel& d, const ParamTarget& t) { return Flag(d.preset[pi::CompAutoKnee(Output(t))] != 0); }},
    {P::LimEnable, "limiter.enable", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, L::Limiter, R::None,
     LimField<pi::kLimEnable, C::LimiterThreshold>},
    {P::LimThreshold, "limiter.threshold", kOutputs, V::Number, "", 1.63, 50, C::LimiterThreshold, {}, L::Limiter, R::None,
     LimField<pi::kLimThreshold, C::LimiterThreshold>},
    {P::LimTimeA, "limiter.timea", kOutputs, V::Number, "", 0.1, 5, C::LimiterTimeA, {}, L::Limiter, R::None,
     LimField<pi::kLimTimeA, C::LimiterTimeA>},
    {P::LimTimeB, "limiter.timeb", kOutputs, V::Number, "", 1, 900, C::LimiterTimeB, {}, L::Limiter, R::None,
     LimField<pi::kLimTimeB, C::LimiterTimeB>},
    {P::DynEnable, "dynfilter.enable", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, L::DynamicFilter, R::None, DynField<0>},
    {P::DynValue1, "dynfilter.value1", kOutputs, V::Number, "", 0, 100, {}, {}, L::DynamicFilter, R::None, DynField<1>},
    {P::DynValue2, "dynfilter.value2", kOutputs, V::Number, "", 0, 100, {}, {}, L::DynamicFilter, R::None, DynField<2>},
    {P::FirBypass, "fir.bypass", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, L::FirBypass, R::GroupSum,
     [](const DeviceModel& d, const ParamTarget& t) { return Flag(TestBit8(d.preset[pi::kFirBypass], Output(t))); }},
    {P::Impedance, "impedance", kOutputs, V::Number, "", 0, 3, {}, {}, L::Impedance, R::None,
     [](const DeviceModel& d, const ParamTarget& t) { return double(d.settings[ds::Impedance(Output(t))]); }},
    {P::MaskEnable, "enable", kSm, V::Bool, "", 0, 1, {}, kOnOff, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) { return Flag(d.preset[pi::kMaskingEnable] != 0); }},
    {P::MaskLevel, "level", kSm, V::Number, "dB", -80, 0, C::MaskingLevel, {}, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) { return ValueOfCode(C::MaskingLevel, d.preset[pi::kMaskingLevel]); }},
    {P::MaskType, "type", kSm, V::Number, "", 0, 1, {}, {}, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) { return double(d.preset[pi::kMaskingType]); }},
    {P::Standby, "standby", kDevice, V::Bool, "", 0, 1, {}, kOnOff, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) { return Flag(d.settings[ds::kStandby] != 0); }},
    {P::Sleep, "sleep", kDevice, V::Bool, "", 0, 1, {}, kOnOff, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) { return Flag(d.settings[ds::kSleepMode] != 0); }},
    {P::Bridge, "bridge", kDevice, V::Bool, "", 0, 1, {}, kOnOff, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) { return Flag(d.settings[ds::kBridge] != 0); }},
    {P::Voltage, "voltage", kDevice, V::Number, "", 0, 255, {}, {}, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) { return double(d.settings[ds::kVoltage]); }},
    {P::Remote, "remote", kDevice, V::Bool, "", 0, 1, {}, kOnOff, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) { return Flag(d.settings[ds::kRemoteEnable] != 0); }},
    {P::NoiseOption, "noise.option", kDevice, V::Choice, "", 0, 2, {}, kNoiseOptions, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) {
         return d.settings[ds::kNoiseOn] != 0 ? 2.0 : double(std::min<int>(d.settings[ds::kNoiseOption], 1));
     }},
    {P::NoiseLevel, "noise.level", kDevice, V::Number, "dB", -80, 0, C::NoiseLevel, {}, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) { return ValueOfCode(C::NoiseLevel, d.settings[ds::kNoiseLevel]); }},
    {P::DelayUnit, "delayunit", kDevice, V::Choice, "", 0, 1, {}, kDelayUnits, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) { return Flag(d.settings[ds::kDelayUnit] == 1); }},
    {P::EqMode, "eqmode", kDevice, V::Choice, "", 0, 1, {}, kEqModes, L::None, R::GroupSum,
     [](const DeviceModel& d, const ParamTarget&) { return Flag(d.preset[pi::kEqMode] != 0); }},
    {P::LinkInputs, "link.inputs", kDevice, V::Bool, "", 0, 1, {}, kOnOff, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) { return Flag(TestBit8(d.settings[ds::kLinkMask], 0)); }},
    {P::LinkOutputs, "link.outputs", kDevice, V::Bool, "", 0, 1, {}, kOnOff, L::None, R::None,
     [](const DeviceModel& d, const ParamTarget&) { return Flag(TestBit8(d.settings[ds::kLinkMask], 1)); }},
}};
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

std::string ConcreteName(ParamChannel c, std::string_view path, int band) {
    std::string name = std::string(ParamChannelName(c)) + "." + std::string(path);
    const auto hash = name.find('#');
    if (hash != std::string::npos) name.replace(hash, 1, std::to_string(band));
    return name;
}

}  // namespace

std::string_view ParamChannelName(ParamChannel channel) { return kChannelNames[static_cast<std::size_t>(channel)]; }

ChannelCode CodeOf(ParamChannel channel) {
    const int c = static_cast<int>(channel);
    if (!ZEF_CHECK(c >= 0 && c <= kOutput2)) return kOutput1;
    return static_cast<ChannelCode>(c);
}

std::span<const ParameterDescription> ParameterSpecs() { return kSpecs; }

const ParameterDescription& DescriptionOf(ParamId id) {
    for (const ParameterDescription& s : kSpecs)
        if (s.id == id) return s;
    ZEF_CHECK(!"every ParamId has a description");
    return kSpecs.front();
}

int BandCount(ParamChannel channel) {
    switch (channel) {
        case ParamChannel::InL:
        case ParamChannel::InR:
            return 4;
        case ParamChannel::Out1:
        case ParamChannel::Out2:
            return 30;
        case ParamChannel::Sm:
            return 16;
        case ParamChannel::Device:
            break;
    }
    return 0;
}

int BandIndexOf(const ParamTarget& t) {
    static constexpr std::array<int, 5> kFirstBand = {0, 4, kFirstOutputBand, kFirstOutputBand + 30,
                                                      kFirstMaskingBand};
    const auto c = static_cast<std::size_t>(t.channel);
    if (!ZEF_CHECK(c < kFirstBand.size() && t.band >= 1 && t.band <= BandCount(t.channel))) return 0;
    return kFirstBand[c] + t.band - 1;
}

std::vector<Parameter> AllParameters() {
    std::vector<Parameter> all;
    for (int ci = 0; ci < kParamChannelCount; ++ci) {
        const auto c = static_cast<ParamChannel>(ci);
        for (const ParameterDescription& description : kSpecs)
            if ((description.channels & Bit(c)) && !description.banded())
                all.push_back({&description, {c, 0}, ConcreteName(c, description.path, 0)});
        for (int band = 1; band <= BandCount(c); ++band)
            for (const ParameterDescription& description : kSpecs)
                if ((description.channels & Bit(c)) && description.banded())
                    all.push_back({&description, {c, band}, ConcreteName(c, description.path, band)});
    }
    return all;
}

Parameter ParameterOf(ParamId id, ParamTarget target) {
    const ParameterDescription& description = DescriptionOf(id);
    return {&description, target, ConcreteName(target.channel, description.path, target.band)};
}

std::optional<Parameter> FindParameter(std::string_view name) {
    const auto dot = name.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const auto it = std::find(kChannelNames.begin(), kChannelNames.end(), name.substr(0, dot));
    if (it == kChannelNames.end()) return std::nullopt;
    const auto channel = static_cast<ParamChannel>(it - kChannelNames.begin());
    const std::string rest = Lower(name.substr(dot + 1));
    int band = 0;
    std::string path = rest;
    // eq.N.field: the band number becomes '#'.
    if (rest.rfind("eq.", 0) == 0) {
        const auto second = rest.find('.', 3);
        const std::string number = rest.substr(3, second == std::string::npos ? std::string::npos : second - 3);
        if (!number.empty() && std::all_of(number.begin(), number.end(), ::isdigit) && number.size() <= 3) {
            band = std::stoi(number);
            if (band < 1 || band > BandCount(channel) || second == std::string::npos) return std::nullopt;
            path = "eq.#" + rest.substr(second);
        }
    }
    for (const ParameterDescription& description : kSpecs) {
        if (!(description.channels & Bit(channel)) || Lower(description.path) != path) continue;
        return Parameter{&description, {channel, band}, ConcreteName(channel, description.path, band)};
    }
    return std::nullopt;
}

std::string RangeText(const ParameterDescription& description) {
    if (description.kind == ValueKind::Bool || description.kind == ValueKind::Choice) {
        std::string text;
        for (std::size_t i = 0; i < description.choices.size(); ++i)
            text += (i ? "|" : "") + std::string(description.choices[i]);
        return text;
    }
    std::string text = NumberText(description.min) + ".." + NumberText(description.max);
    if (!description.unit.empty()) text += " " + std::string(description.unit);
    return text;
}

std::optional<double> ParseValue(const ParameterDescription& description, std::string_view text) {
    const std::string lower = Lower(text);
    if (description.kind == ValueKind::Bool) {
        for (const char* on : {"on", "true", "yes", "1"})
            if (lower == on) return 1.0;
        for (const char* off : {"off", "false", "no", "0"})
            if (lower == off) return 0.0;
        return std::nullopt;
    }
    if (description.kind == ValueKind::Choice) {
        for (std::size_t i = 0; i < description.choices.size(); ++i)
            if (Lower(description.choices[i]) == lower) return static_cast<double>(i);
    }
    double value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    const auto r = std::from_chars(first, last, value);
    if (r.ec != std::errc() || r.ptr != last || !std::isfinite(value)) return std::nullopt;
    if (description.kind == ValueKind::Choice && value != std::floor(value)) return std::nullopt;
    if (value < description.min - 1e-9 || value > description.max + 1e-9) return std::nullopt;
    return value;
}

std::string ValueText(const ParameterDescription& description, double value) {
    if (description.kind != ValueKind::Number) {
        const auto i = static_cast<std::size_t>(std::lround(value));
        if (i < description.choices.size()) return std::string(description.choices[i]);
    }
    return NumberText(value);
}

double GetValue(const DeviceModel& device, const Parameter& p) {
    return p.description->get(device, p.target);
}

}  // namespace zef
