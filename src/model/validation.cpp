#include "model/validation.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "model/encodings.h"
#include "model/memory_map.h"
#include "model/tables.h"

namespace zef {
namespace {

enum class RuleKind : std::uint8_t {
    Byte,       // the byte lies in lo..hi
    Low7,       // bits 0..6 lie in lo..hi (bit 7 is a free flag)
    Be16,       // the 16-bit big-endian value at offset lies in lo..hi
    Routing,    // offset and offset + 2 form one of the routing pairs
    Limiter,    // the byte lies in 151 - cap .. 150 (cap of output lo)
    TapCount,   // PI 451 + o (high) and 453 + o (low) give 1..384 (output lo)
};

struct Rule {
    std::size_t offset;
    RuleKind kind;
    std::uint32_t lo;
    std::uint32_t hi;
    std::string field;
};

constexpr std::uint32_t kMinFrequency = 20;
constexpr std::uint32_t kMaxFrequency = 20000;
constexpr std::array<std::array<std::uint8_t, 2>, 4> kRoutingPairs = {{{30, 30}, {30, 158}, {152, 152}, {158, 30}}};
constexpr int kLimiterCodes = static_cast<int>(kLimiterThresholds.size());  // 151

std::string OutputName(int o) { return "output " + std::to_string(o + 1); }
std::string InputName(int i) { return i == 0 ? "input L" : "input R"; }

void AddBand(std::vector<Rule>& rules, std::size_t at, const std::string& name) {
    rules.push_back({at, RuleKind::Byte, 0, kEqTypeNames.size() - 1, name + " type"});
    rules.push_back({at + 1, RuleKind::Be16, kMinFrequency, kMaxFrequency, name + " frequency"});
    rules.push_back({at + 3, RuleKind::Byte, 0, kEqQ.size() - 1, name + " Q code"});
    rules.push_back({at + 4, RuleKind::Low7, 0, 60, name + " gain code"});
}

std::vector<Rule> MakePresetRules() {
    std::vector<Rule> r;
    const auto byte = [&r](std::size_t at, std::uint32_t lo, std::uint32_t hi, std::string name) {
        r.push_back({at, RuleKind::Byte, lo, hi, std::move(name)});
    };
    for (int i = 0; i < 2; ++i) {
        const std::string in = InputName(i);
        byte(pi::InputGain(i), 0, 144, in + " gain");
        const std::size_t gate = pi::Gate(i);
        byte(gate + pi::kGateEnable, 0, 1, in + " gate enable");
        byte(gate + pi::kGateThreshold, 0, 6, in + " gate threshold");
        byte(gate + pi::kGateTimeB, 0, kGateTimesB.size() - 1, in + " gate time B");
        byte(gate + pi::kGateTimeA, 0, kGateTimesA.size() - 1, in + " gate time A");
        for (int b = 0; b < 4; ++b)
            AddBand(r, pi::InputBandA(i, b), in + " block A band " + std::to_string(b + 1));
        for (int b = 0; b < 3; ++b)
            AddBand(r, pi::InputBandB(i, b), in + " block B band " + std::to_string(b + 1));
    }
    byte(pi::kInputMute, 0, 3, "input mute mask");
    byte(pi::kInputPolarity, 0, 3, "input polarity mask");
    byte(pi::kChannelMode, 0, 15, "channel mode mask");
    byte(pi::kInputEqBypass, 0, 3, "input EQ bypass mask");
    byte(pi::kOutputEqBypass, 0, 3, "output EQ bypass mask");
    byte(pi::kFirBypass, 0, 3, "FIR bypass mask");
    byte(pi::kOutputMute, 0, 3, "output mute mask");
    byte(pi::kOutputPolarity, 0, 3, "output polarity mask");
    byte(pi::kMaskingChannels, 0, 15, "masking channel mask");
    byte(pi::kMaskingType, 0, 1, "masking type");
    byte(pi::kMaskingLevel, 0, 80, "masking level");
    byte(pi::kMaskingEnable, 0, 1, "masking enable");
    byte(pi::kDelayBypass, 0, 3, "delay bypass mask");
    for (int b = 0; b < static_cast<int>(pi::kMaskingBandCount); ++b)
        AddBand(r, pi::MaskingBand(b), "SM band " + std::to_string(b + 1));
    for (int o = 0; o < 2; ++o) {
        const std::string out = OutputName(o);
        const auto uo = static_cast<std::uint32_t>(o);
        r.push_back({pi::Routing(o, 0), RuleKind::Routing, 0, 0, out + " routing"});
        r.push_back({pi::HighPass(o), RuleKind::Byte, 0, 8, out + " high-pass slope"});
        r.push_back({pi::HighPass(o) + 1, RuleKind::Be16, kMinFrequency, kMaxFrequency, out + " high-pass frequency"});
        r.push_back({pi::LowPass(o), RuleKind::Byte, 0, 8, out + " low-pass slope"});
        r.push_back({pi::LowPass(o) + 1, RuleKind::Be16, kMinFrequency, kMaxFrequency, out + " low-pass frequency"});
        for (int b = 0; b < 30; ++b) AddBand(r, pi::OutputBand(o, b), out + " band " + std::to_string(b + 1));
        r.push_back({pi::FirTapsHigh(o), RuleKind::TapCount, uo, uo, out + " FIR tap count"});
        const std::size_t dyn = pi::DynamicFilter(o);
        byte(dyn, 0, 1, out + " dynamic filter enable");
        byte(dyn + 1, 0, 100, out + " dynamic filter value 1");
        byte(dyn + 2, 0, 100, out + " dynamic filter value 2");
        r.push_back({pi::Delay(o), RuleKind::Be16, 0, kDelayMaxCoarse, out + " delay coarse count"});
        byte(pi::Delay(o) + 2, 0, kDelayMaxFine, out + " delay fine count");
        const std::size_t comp = pi::Compressor(o);
        byte(comp + pi::kCompEnable, 0, 1, out + " compressor enable");
        byte(comp + pi::kCompLevel, 0, 150, out + " compressor level");
        byte(comp + pi::kCompRatio, 0, 30, out + " compressor ratio");
        byte(comp + pi::kCompValue, 0, 100, out + " compressor value");
        byte(comp + pi::kCompTimeA, 0, kCompressorTimesA.size() - 1, out + " compressor time A");
        byte(comp + pi::kCompTimeB, 0, kCompressorTimesB.size() - 1, out + " compressor time B");
        byte(comp + pi::kCompGain, 0, 240, out + " compressor gain");
        byte(pi::CompAutoMode(o), 0, 1, out + " compressor automatic mode");
        byte(pi::CompAutoKnee(o), 0, 1, out + " compressor automatic knee");
        const std::size_t lim = pi::Limiter(o);
        byte(lim + pi::kLimEnable, 0, 1, out + " limiter enable");
        r.push_back({lim + pi::kLimThreshold, RuleKind::Limiter, uo, uo, out + " limiter threshold"});
        byte(lim + pi::kLimTimeA, 0, kLimiterTimesA.size() - 1, out + " limiter time A");
        byte(lim + pi::kLimTimeB, 0, kLimiterTimesB.size() - 1, out + " limiter time B");
        byte(pi::OutputGain(o), 0, 144, out + " gain");
    }
    std::stable_sort(r.begin(), r.end(), [](const Rule& a, const Rule& b) { return a.offset < b.offset; });
    return r;
}

std::vector<Rule> MakeSettingsRules() {
    std::vector<Rule> r = {
        {ds::kNoiseOption, RuleKind::Byte, 0, 1, "noise option"},
        {ds::kStandby, RuleKind::Byte, 0, 1, "standby"},
        {ds::kNoiseOn, RuleKind::Byte, 0, 1, "noise generator on"},
        {ds::kNoiseLevel, RuleKind::Byte, 0, 80, "noise generator level"},
        {ds::kSleepMode, RuleKind::Byte, 0, 1, "sleep mode"},
        {ds::kLinkMask, RuleKind::Byte, 0, 3, "link mask"},
        {ds::Impedance(0), RuleKind::Byte, 0, 3, "output 1 load impedance"},
        {ds::Impedance(1), RuleKind::Byte, 0, 3, "output 2 load impedance"},
        {ds::kRemoteEnable, RuleKind::Byte, 0, 1, "remote control enable"},
    };
    return r;
}

const std::vector<Rule>& PresetRules() {
    static const std::vector<Rule> rules = MakePresetRules();
    return rules;
}

const std::vector<Rule>& SettingsRules() {
    static const std::vector<Rule> rules = MakeSettingsRules();
    return rules;
}

std::string RangeText(std::uint32_t lo, std::uint32_t hi) { return std::to_string(lo) + ".." + std::to_string(hi); }

std::uint16_t TapCountOf(const PresetImage& preset, int output) {
    return static_cast<std::uint16_t>(preset[pi::FirTapsHigh(output)] << 8 | preset[pi::FirTapsLow(output)]);
}

template <std::size_t N>
std::optional<Violation> Apply(const Rule& rule, const ByteRecord<N>& rec, const DeviceSettings& settings,
                               const char* record) {
    const auto fail = [&](std::uint32_t value, std::string legal) -> std::optional<Violation> {
        return Violation{record, rule.offset, rule.field, value, std::move(legal)};
    };
    const std::uint8_t b = rec[rule.offset];
    switch (rule.kind) {
        case RuleKind::Byte:
            if (b < rule.lo || b > rule.hi) return fail(b, RangeText(rule.lo, rule.hi));
            break;
        case RuleKind::Low7:
            if ((b & 0x7Fu) < rule.lo || (b & 0x7Fu) > rule.hi)
                return fail(b, RangeText(rule.lo, rule.hi) + " (+128 when bypassed)");
            break;
        case RuleKind::Be16: {
            const std::uint16_t v = rec.be16(rule.offset);
            if (v < rule.lo || v > rule.hi) return fail(v, RangeText(rule.lo, rule.hi));
            break;
        }
        case RuleKind::Routing: {
            const std::array<std::uint8_t, 2> pair = {b, rec[rule.offset + 2]};
            if (std::find(kRoutingPairs.begin(), kRoutingPairs.end(), pair) == kRoutingPairs.end())
                return fail(static_cast<std::uint32_t>(pair[0] << 8 | pair[1]),
                            "byte pairs (30,30) (30,158) (152,152) (158,30); found (" + std::to_string(pair[0]) +
                                "," + std::to_string(pair[1]) + ")");
            break;
        }
        case RuleKind::Limiter: {
            const int low = kLimiterCodes - LimiterCapFor(settings, static_cast<int>(rule.lo));
            const auto first = static_cast<std::uint32_t>(std::max(low, 0));
            if (b < first || b > kLimiterCodes - 1)
                return fail(b, RangeText(first, kLimiterCodes - 1) + " (capped by the load impedance)");
            break;
        }
        case RuleKind::TapCount:
            break;  // preset only; see ValidatePreset
    }
    return std::nullopt;
}

// Whether one of the rule's bytes is marked.
template <std::size_t N>
bool Touches(const Rule& rule, const std::array<bool, N>& marked) {
    const auto at = [&](std::size_t offset) { return offset < N && marked[offset]; };
    switch (rule.kind) {
        case RuleKind::Be16:
            return at(rule.offset) || at(rule.offset + 1);
        case RuleKind::Routing:
            return at(rule.offset) || at(rule.offset + 2);
        case RuleKind::TapCount: {
            const int output = static_cast<int>(rule.lo);
            return at(pi::FirTapsHigh(output)) || at(pi::FirTapsLow(output));
        }
        case RuleKind::Byte:
        case RuleKind::Low7:
        case RuleKind::Limiter:
            break;
    }
    return at(rule.offset);
}

template <std::size_t N>
void MarkChanged(const ByteRecord<N>& before, const ByteRecord<N>& after, std::array<bool, N>& marked) {
    for (std::size_t i = 0; i < N; ++i) marked[i] = marked[i] || before.bytes[i] != after.bytes[i];
}

}  // namespace

std::string Violation::Text() const {
    std::string where = record == "settings" || record == "preset" ? record + " byte " : record + " tap ";
    return where + std::to_string(offset) + " (" + field + ") is " + std::to_string(value) + "; legal " + legal;
}

std::optional<Violation> ValidateTapCount(const PresetImage& preset, int output) {
    const std::uint16_t count = TapCountOf(preset, output);
    if (count >= 1 && count <= kFirTapCount) return std::nullopt;
    return Violation{"preset", pi::FirTapsHigh(output),
                     OutputName(output) + " FIR tap count, bytes " + std::to_string(pi::FirTapsHigh(output)) +
                         " and " + std::to_string(pi::FirTapsLow(output)),
                     count, RangeText(1, kFirTapCount)};
}

std::optional<Violation> ValidatePreset(const PresetImage& preset, const DeviceSettings& settings) {
    for (const Rule& rule : PresetRules()) {
        if (rule.kind == RuleKind::TapCount) {
            if (auto v = ValidateTapCount(preset, static_cast<int>(rule.lo))) return v;
            continue;
        }
        if (auto v = Apply(rule, preset, settings, "preset")) return v;
    }
    return std::nullopt;
}

std::optional<Violation> ValidateSettings(const DeviceSettings& settings) {
    for (const Rule& rule : SettingsRules())
        if (auto v = Apply(rule, settings, settings, "settings")) return v;
    return std::nullopt;
}

std::optional<Violation> ValidateFir(const FirTapWords& taps, int output) {
    constexpr std::uint32_t kMaxWord = 0xFFFFFF;
    for (std::size_t t = 0; t < taps.size(); ++t) {
        if (taps[t] <= kMaxWord) continue;
        char legal[32];
        std::snprintf(legal, sizeof legal, "0..%u (24 bits)", kMaxWord);
        return Violation{OutputName(output) + " FIR", t, "tap word", taps[t], legal};
    }
    return std::nullopt;
}

std::optional<Violation> ValidatePresetAndFirs(const DeviceModel& device) {
    if (auto v = ValidatePreset(device.preset, device.settings)) return v;
    for (int o = 0; o < 2; ++o)
        if (auto v = ValidateFir(device.firTaps[static_cast<std::size_t>(o)], o)) return v;
    return std::nullopt;
}

std::optional<Violation> ValidateDeviceModel(const DeviceModel& device) {
    if (auto v = ValidateSettings(device.settings)) return v;
    return ValidatePresetAndFirs(device);
}

std::optional<Violation> IllegalValueOf(const DeviceModel& device, const Parameter& parameter) {
    // The parameter's own bytes differ between its lowest and its highest
    // value; bytes a set merely rewrites (a band record sent whole) do not.
    const ParameterDescription& d = *parameter.description;
    DeviceModel low = device;
    DeviceModel high = device;
    d.access->set(d, low, parameter.target, d.min);
    d.access->set(d, high, parameter.target, d.max);
    std::array<bool, kSettingsSize> inSettings{};
    std::array<bool, kPresetSize> inPreset{};
    MarkChanged(low.settings, high.settings, inSettings);
    MarkChanged(low.preset, high.preset, inPreset);
    for (const Rule& rule : SettingsRules())
        if (Touches(rule, inSettings))
            if (auto v = Apply(rule, device.settings, device.settings, "settings")) return v;
    for (const Rule& rule : PresetRules()) {
        if (!Touches(rule, inPreset)) continue;
        auto v = rule.kind == RuleKind::TapCount ? ValidateTapCount(device.preset, static_cast<int>(rule.lo))
                                                 : Apply(rule, device.preset, device.settings, "preset");
        if (v) return v;
    }
    return std::nullopt;
}

}  // namespace zef
