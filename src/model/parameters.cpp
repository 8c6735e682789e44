#include "model/parameters.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "base/c_number.h"
#include "base/check.h"
#include "model/commands.h"
#include "model/memory_map.h"
#include "model/parameter_access.h"
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

using V = ValueKind;
using L = LinkGroup;
using R = ResponseEffect;
using C = Control;
using P = ParamId;
using G = ParamGroup;
using Rec = RecordField::Record;
using namespace access;

// Record fields of the generic accessors.
constexpr RecordField Preset(std::size_t (*base)(int), std::size_t field, int bit = RecordField::kWholeByte) {
    return {Rec::Preset, base, field, bit};
}
constexpr RecordField Preset(std::size_t offset, int bit = RecordField::kWholeByte) {
    return {Rec::Preset, nullptr, offset, bit};
}
constexpr RecordField Settings(std::size_t (*base)(int), std::size_t field) { return {Rec::Settings, base, field}; }
constexpr RecordField Settings(std::size_t offset) { return {Rec::Settings, nullptr, offset}; }
constexpr RecordField kHeld{};  // EditorValues-backed or composite: the accessor knows its bytes
constexpr int kBit = RecordField::kChannelBit;

constexpr auto Gate = &SendChannel<NoiseGateCommand>;
constexpr auto Comp = &SendChannel<CompressorCommand>;
constexpr auto CompAuto = &SendChannel<CompressorAutoCommand>;
constexpr auto Lim = &SendChannel<LimiterCommand>;
constexpr auto Dyn = &SendChannel<DynamicFilterCommand>;
constexpr auto Masking = &SendDevice<MaskingCommand>;
constexpr auto Generator = &SendDevice<GeneratorCommand>;

// clang-format off
constexpr auto kDescriptions = std::to_array<ParameterDescription>({
    {P::Gain, "gain", kChannels, V::Number, "dB", -60, 12, C::ChannelGain, {}, kHeld, &kGain,
     SendChannel<GainCommand>, G::Gains, L::Gain},
    {P::Mute, "mute", kChannels, V::Bool, "", 0, 1, {}, kOnOff, kHeld, &kMute, SendChannel<MuteCommand>, G::Mutes, L::Mute},
    {P::Polarity, "polarity", kChannels, V::Bool, "", 0, 1, {}, kOnOff, kHeld, &kPolarity,
     SendChannel<PolarityCommand>, G::Polarity, L::Polarity},
    {P::EqBypass, "eq.bypass", kChannels, V::Bool, "", 0, 1, {}, kOnOff, kHeld, &kEqBypass,
     SendChannel<EqBypassCommand>, G::EqBypass, L::EqBypass, R::GroupSum},
    {P::InputBlockB, "eq.blockb", kInputs, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::kChannelMode, kBit), &kBlockB,
     SendChannel<ChannelModeCommand>, G::ChannelModes, L::ChannelMode, R::GroupBands},
    {P::BandType, "eq.#.type", kBanded, V::Choice, "", 0, 7, {}, kEqTypeNames, kHeld, &kBandType, SendBand,
     G::EqBands, L::EqBand, R::Band},
    {P::BandFreq, "eq.#.freq", kBanded, V::Number, "Hz", 20, 20000, {}, {}, kHeld, &kBandFreq, SendBand,
     G::EqBands, L::EqBand, R::Band},
    {P::BandGain, "eq.#.gain", kBanded, V::Number, "dB", -15, 15, C::EqGain, {}, kHeld, &kBandGain, SendBand,
     G::EqBands, L::EqBand, R::Band},
    {P::BandQ, "eq.#.q", kBanded, V::Number, "", 0.4, 128, {}, {}, kHeld, &kBandQ, SendBand, G::EqBands, L::EqBand, R::Band},
    {P::BandBypass, "eq.#.bypass", kBanded, V::Bool, "", 0, 1, {}, kOnOff, kHeld, &kBandBypass, SendBand,
     G::EqBands, L::EqBand, R::Band},
    {P::GateEnable, "gate.enable", kInputs, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::Gate, pi::kGateEnable), &kFlag,
     Gate, G::NoiseGates, L::NoiseGate},
    {P::GateThreshold, "gate.threshold", kInputs, V::Number, "dB", -80, -50, C::GateThreshold, {},
     Preset(pi::Gate, pi::kGateThreshold), &kCoded, Gate, G::NoiseGates, L::NoiseGate},
    {P::GateTimeA, "gate.timea", kInputs, V::Number, "ms", 1, 1000, C::GateTimeA, {}, Preset(pi::Gate, pi::kGateTimeA),
     &kCoded, Gate, G::NoiseGates, L::NoiseGate},
    {P::GateTimeB, "gate.timeb", kInputs, V::Number, "ms", 30, 1000, C::GateTimeB, {}, Preset(pi::Gate, pi::kGateTimeB),
     &kCoded, Gate, G::NoiseGates, L::NoiseGate},
    {P::Delay, "delay", kOutputs, V::Number, "ms", 0, kDelayMaxMs, {}, {}, kHeld, &kDelay, SendChannel<DelayCommand>,
     G::Delay, L::Delay},
    {P::DelayBypass, "delay.bypass", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::kDelayBypass, kBit), &kFlag,
     SendChannel<DelayCommand>, G::Delay, L::Delay},
    {P::HpFreq, "hp.freq", kOutputs, V::Number, "Hz", 20, 20000, {}, {}, kHeld, &kHpFreq, SendHighPass, G::Crossovers,
     L::Crossover, R::HighPass},
    {P::HpSlope, "hp.slope", kOutputs, V::Choice, "", 0, 8, {}, kSlopes, kHeld, &kHpSlope, SendHighPass, G::Crossovers,
     L::Crossover, R::HighPass},
    {P::LpFreq, "lp.freq", kOutputs, V::Number, "Hz", 20, 20000, {}, {}, kHeld, &kLpFreq, SendLowPass, G::Crossovers,
     L::Crossover, R::LowPass},
    {P::LpSlope, "lp.slope", kOutputs, V::Choice, "", 0, 8, {}, kSlopes, kHeld, &kLpSlope, SendLowPass, G::Crossovers,
     L::Crossover, R::LowPass},
    {P::RouteL, "route.inL", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, kHeld, &kRouteL, SendChannel<RoutingCommand>,
     G::Routing},
    {P::RouteR, "route.inR", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, kHeld, &kRouteR, SendChannel<RoutingCommand>,
     G::Routing},
    {P::CompEnable, "comp.enable", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::Compressor, pi::kCompEnable),
     &kFlag, Comp, G::Compressors, L::Compressor},
    {P::CompLevel, "comp.level", kOutputs, V::Number, "dB", -18, 12, C::CompressorLevel, {},
     Preset(pi::Compressor, pi::kCompLevel), &kCoded, Comp, G::Compressors, L::Compressor},
    {P::CompRatio, "comp.ratio", kOutputs, V::Number, ":1", 2, 32, C::CompressorRatio, {},
     Preset(pi::Compressor, pi::kCompRatio), &kCoded, Comp, G::Compressors, L::Compressor},
    {P::CompValue, "comp.value", kOutputs, V::Number, "", 0, 100, C::CompressorValue, {},
     Preset(pi::Compressor, pi::kCompValue), &kCoded, Comp, G::Compressors, L::Compressor},
    {P::CompTimeA, "comp.timea", kOutputs, V::Number, "", 0.1, 3, C::CompressorTimeA, {},
     Preset(pi::Compressor, pi::kCompTimeA), &kCoded, Comp, G::Compressors, L::Compressor},
    {P::CompTimeB, "comp.timeb", kOutputs, V::Number, "", 5, 200, C::CompressorTimeB, {},
     Preset(pi::Compressor, pi::kCompTimeB), &kCoded, Comp, G::Compressors, L::Compressor},
    {P::CompGain, "comp.gain", kOutputs, V::Number, "dB", -12, 12, C::CompressorGain, {},
     Preset(pi::Compressor, pi::kCompGain), &kCoded, Comp, G::Compressors, L::Compressor},
    {P::CompAuto, "comp.auto", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::CompAutoMode, 0), &kFlag, CompAuto,
     G::CompressorAuto, L::Compressor},
    {P::CompKnee, "comp.knee", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::CompAutoKnee, 0), &kFlag, CompAuto,
     G::CompressorAuto, L::Compressor},
    {P::LimEnable, "limiter.enable", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::Limiter, pi::kLimEnable), &kFlag,
     Lim, G::Limiters, L::Limiter},
    {P::LimThreshold, "limiter.threshold", kOutputs, V::Number, "", 1.63, 50, C::LimiterThreshold, {},
     Preset(pi::Limiter, pi::kLimThreshold), &kLimiterThreshold, Lim, G::Limiters, L::Limiter},
    {P::LimTimeA, "limiter.timea", kOutputs, V::Number, "", 0.1, 5, C::LimiterTimeA, {},
     Preset(pi::Limiter, pi::kLimTimeA), &kCoded, Lim, G::Limiters, L::Limiter},
    {P::LimTimeB, "limiter.timeb", kOutputs, V::Number, "", 1, 900, C::LimiterTimeB, {},
     Preset(pi::Limiter, pi::kLimTimeB), &kCoded, Lim, G::Limiters, L::Limiter},
    {P::DynEnable, "dynfilter.enable", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::DynamicFilter, 0), &kFlag,
     Dyn, G::DynamicFilter, L::DynamicFilter},
    {P::DynValue1, "dynfilter.value1", kOutputs, V::Number, "", 0, 100, {}, {}, Preset(pi::DynamicFilter, 1), &kWhole,
     Dyn, G::DynamicFilter, L::DynamicFilter},
    {P::DynValue2, "dynfilter.value2", kOutputs, V::Number, "", 0, 100, {}, {}, Preset(pi::DynamicFilter, 2), &kWhole,
     Dyn, G::DynamicFilter, L::DynamicFilter},
    {P::FirBypass, "fir.bypass", kOutputs, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::kFirBypass, kBit), &kFlag,
     SendChannel<FirBypassCommand>, G::FirBypass, L::FirBypass, R::GroupSum},
    {P::Impedance, "impedance", kOutputs, V::Number, "", 0, 3, {}, {}, Settings(ds::Impedance, 0), &kWhole,
     SendChannel<ImpedanceCommand>, G::BridgePower, L::Impedance},
    {P::MaskEnable, "enable", kSm, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::kMaskingEnable), &kFlag, Masking, G::Masking},
    {P::MaskLevel, "level", kSm, V::Number, "dB", -80, 0, C::MaskingLevel, {}, Preset(pi::kMaskingLevel), &kCoded,
     Masking, G::Masking},
    {P::MaskType, "type", kSm, V::Number, "", 0, 1, {}, {}, Preset(pi::kMaskingType), &kWhole, Masking, G::Masking},
    {P::MaskInL, "channel.inL", kSm, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::kMaskingChannels, kInputL), &kFlag,
     Masking, G::Masking},
    {P::MaskInR, "channel.inR", kSm, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::kMaskingChannels, kInputR), &kFlag,
     Masking, G::Masking},
    {P::MaskOut1, "channel.out1", kSm, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::kMaskingChannels, kOutput1), &kFlag,
     Masking, G::Masking},
    {P::MaskOut2, "channel.out2", kSm, V::Bool, "", 0, 1, {}, kOnOff, Preset(pi::kMaskingChannels, kOutput2), &kFlag,
     Masking, G::Masking},
    {P::Standby, "standby", kDevice, V::Bool, "", 0, 1, {}, kOnOff, Settings(ds::kStandby), &kFlag,
     SendDevice<StandbyCommand>, G::Standby},
    {P::Sleep, "sleep", kDevice, V::Bool, "", 0, 1, {}, kOnOff, Settings(ds::kSleepMode), &kFlag,
     SendDevice<SleepModeCommand>, G::SleepMode},
    {P::Bridge, "bridge", kDevice, V::Bool, "", 0, 1, {}, kOnOff, Settings(ds::kBridge), &kFlag,
     SendDevice<BridgeCommand>, G::BridgePower},
    {P::Voltage, "voltage", kDevice, V::Number, "", 0, 255, {}, {}, Settings(ds::kVoltage), &kWhole,
     SendDevice<VoltageCommand>, G::BridgePower},
    {P::Remote, "remote", kDevice, V::Bool, "", 0, 1, {}, kOnOff, Settings(ds::kRemoteEnable), &kFlag,
     SendDevice<RemoteEnableCommand>, G::RemoteEnable},
    {P::NoiseOption, "noise.option", kDevice, V::Choice, "", 0, 2, {}, kNoiseOptions, kHeld, &kNoiseOption,
     SendNoiseOption, G::NoiseGenerator},
    {P::NoiseLevel, "noise.level", kDevice, V::Number, "dB", -80, 0, C::NoiseLevel, {}, Settings(ds::kNoiseLevel),
     &kCoded, Generator, G::NoiseGenerator},
    {P::DelayUnit, "delayunit", kDevice, V::Choice, "", 0, 1, {}, kDelayUnits, Settings(ds::kDelayUnit), &kFlag,
     SendSettingsByte<ds::kDelayUnit>, G::DelayUnit},
    {P::EqMode, "eqmode", kDevice, V::Choice, "", 0, 1, {}, kEqModes, Preset(pi::kEqMode), &kFlag, SendEqMode, G::EqMode,
     L::None, R::OutputSums},
    {P::LinkInputs, "link.inputs", kDevice, V::Bool, "", 0, 1, {}, kOnOff, kHeld, &kLinkInputs, SendLinkMask,
     G::LinkMask},
    {P::LinkOutputs, "link.outputs", kDevice, V::Bool, "", 0, 1, {}, kOnOff, kHeld, &kLinkOutputs, SendLinkMask,
     G::LinkMask},
});
// clang-format on

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string NumberText(double v) { return CNumber(v); }

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

ParamChannel ChannelOfCode(ChannelCode channel) {
    if (!ZEF_CHECK(channel <= kOutput2)) return ParamChannel::Out1;
    return static_cast<ParamChannel>(channel);
}

int ChannelIndex(const ParamTarget& t) {
    const int c = static_cast<int>(t.channel);
    if (!ZEF_CHECK(c <= kOutput2 && "a channel of an input or output")) return 0;
    return c & 1;
}

std::span<const ParameterDescription> ParameterDescriptions() { return kDescriptions; }

const ParameterDescription& DescriptionOf(ParamId id) {
    for (const ParameterDescription& s : kDescriptions)
        if (s.id == id) return s;
    ZEF_CHECK(!"every ParamId has a description");
    return kDescriptions.front();
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

ParamTarget BandTarget(int bandIndex) {
    if (!ZEF_CHECK(bandIndex >= 0 && bandIndex < static_cast<int>(kBandCount))) bandIndex = 0;
    if (bandIndex < kFirstOutputBand) return {static_cast<ParamChannel>(bandIndex / 4), bandIndex % 4 + 1};
    if (bandIndex < kFirstMaskingBand) {
        const int o = (bandIndex - kFirstOutputBand) / 30;
        return {o == 0 ? ParamChannel::Out1 : ParamChannel::Out2, (bandIndex - kFirstOutputBand) % 30 + 1};
    }
    return {ParamChannel::Sm, bandIndex - kFirstMaskingBand + 1};
}

std::vector<Parameter> AllParameters() {
    std::vector<Parameter> all;
    for (int ci = 0; ci < kParamChannelCount; ++ci) {
        const auto c = static_cast<ParamChannel>(ci);
        for (const ParameterDescription& description : kDescriptions)
            if ((description.channels & Bit(c)) && !description.banded())
                all.push_back({&description, {c, 0}, ConcreteName(c, description.path, 0)});
        for (int band = 1; band <= BandCount(c); ++band)
            for (const ParameterDescription& description : kDescriptions)
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
    for (const ParameterDescription& description : kDescriptions) {
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
    const std::optional<double> parsed = ParseCNumber(text);
    if (!parsed) return std::nullopt;
    const double value = *parsed;
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
    return p.description->access->get(*p.description, device, p.target);
}

EqBandValues BandValues(const DeviceModel& d, int bandIndex) {
    const auto i = static_cast<std::size_t>(std::clamp(bandIndex, 0, static_cast<int>(kBandCount) - 1));
    const EditorValues& v = d.values;
    return {v.bandType[i], v.bandFrequency[i], v.bandGain[i], v.bandQ[i], v.bandBypass[i] != 0};
}

std::vector<ParameterValue> BandEdit(int bandIndex, const EqBandValues& values) {
    const ParamTarget t = BandTarget(bandIndex);
    return {{ParameterOf(ParamId::BandType, t), static_cast<double>(values.type)},
            {ParameterOf(ParamId::BandFreq, t), values.frequencyHz},
            {ParameterOf(ParamId::BandGain, t), values.gainDb},
            {ParameterOf(ParamId::BandQ, t), values.q},
            {ParameterOf(ParamId::BandBypass, t), values.bypassed ? 1.0 : 0.0}};
}

}  // namespace zef


