#include "model/defaults.h"

#include <array>

#include "model/editor_sync.h"
#include "model/encodings.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "model/tables.h"

namespace zef {

namespace {

constexpr std::array<std::uint16_t, 30> kThirdOctaves = {
    25,  31,   40,   50,   63,   80,   100,  125,  160,  200,  250,  315,   400,   500,   630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
constexpr std::array<std::uint16_t, 4> kBlockAFrequencies = {125, 500, 2000, 8000};
constexpr std::array<std::uint16_t, 3> kBlockBFrequencies = {250, 1000, 4000};
constexpr std::array<double, 10> kEqTargetFrequencies = {125,  250,  500,   1000,  2000,
                                                         4000, 8000, 10000, 16000, 20000};

constexpr int kDefaultTaps = static_cast<int>(kFirTapCount);

void FlatBell(PresetImage& p, std::size_t offset, std::uint16_t hz) {
    BandRecord r;
    r.type = kBandBell;
    r.frequency = hz;
    r.qCode = kEqQUnityCode;
    r.setGainCode(MapperFor(Control::EqGain).codeFromValue(0.0));
    r.writeTo(p, offset);
}

std::uint8_t Code(Control control, double value) {
    return static_cast<std::uint8_t>(MapperFor(control).codeFromValue(value));
}

}  // namespace

EqTargetRecord DefaultEqTarget() {
    EqTargetRecord t;
    t.leading = 0;
    t.sectionCode.fill(0);
    t.frequency = kEqTargetFrequencies;
    t.q.fill(1.0);
    t.gainDb.fill(0.0);
    t.flag = 1;
    return t;
}

PresetImage DefaultPreset() {
    PresetImage p;
    SetPresetName(p, "");
    for (int input = 0; input < 2; ++input) {
        p[pi::InputGain(input)] = Code(Control::ChannelGain, 0.0);
        const std::size_t gate = pi::Gate(input);
        p[gate + pi::kGateThreshold] = Code(Control::GateThreshold, -80.0);
        p[gate + pi::kGateTimeA] = Code(Control::GateTimeA, 10.0);
        p[gate + pi::kGateTimeB] = Code(Control::GateTimeB, 100.0);
        for (int band = 0; band < 4; ++band)
            FlatBell(p, pi::InputBandA(input, band), kBlockAFrequencies[band]);
        for (int band = 0; band < 3; ++band)
            FlatBell(p, pi::InputBandB(input, band), kBlockBFrequencies[band]);
    }
    for (int output = 0; output < 2; ++output) {
        WriteRouting(p, output, {output == 0, output == 1});
        CrossoverRecord{0, 20}.writeTo(p, pi::HighPass(output));
        CrossoverRecord{0, 20000}.writeTo(p, pi::LowPass(output));
        for (int band = 0; band < 30; ++band) FlatBell(p, pi::OutputBand(output, band), kThirdOctaves[band]);
        SetFirName(p, output, "");
        SetFirTapCount(p, output, kDefaultTaps);
        const std::size_t comp = pi::Compressor(output);
        p[comp + pi::kCompLevel] = Code(Control::CompressorLevel, 0.0);
        p[comp + pi::kCompRatio] = Code(Control::CompressorRatio, 4.0);
        p[comp + pi::kCompValue] = Code(Control::CompressorValue, 50.0);
        p[comp + pi::kCompTimeA] = Code(Control::CompressorTimeA, 1.0);
        p[comp + pi::kCompTimeB] = Code(Control::CompressorTimeB, 100.0);
        p[comp + pi::kCompGain] = Code(Control::CompressorGain, 0.0);
        const std::size_t lim = pi::Limiter(output);
        p[lim + pi::kLimThreshold] = Code(Control::LimiterThreshold, 50.0);
        p[lim + pi::kLimTimeA] = Code(Control::LimiterTimeA, 0.5);
        p[lim + pi::kLimTimeB] = Code(Control::LimiterTimeB, 100.0);
        p[pi::OutputGain(output)] = Code(Control::ChannelGain, 0.0);
    }
    for (int band = 0; band < 16; ++band) {
        FlatBell(p, pi::MaskingBand(band),
                 kThirdOctaves[static_cast<std::size_t>(band == 15 ? 29 : 2 * band)]);
    }
    p[pi::kMaskingLevel] = Code(Control::MaskingLevel, -80.0);
    return p;
}

DeviceSettings DefaultSettings() {
    DeviceSettings s;
    SetDeviceName(s, kModelName);
    return s;
}

void ResetToDefaults(DeviceModel& device) {
    device = DeviceModel{};
    device.settings = DefaultSettings();
    device.preset = DefaultPreset();
    device.readSettings = device.settings;
    device.readPreset = device.preset;
    for (auto& taps : device.firTaps) {
        taps.fill(0);
        taps[0] = kUnitTap;
    }
    device.eqTarget = DefaultEqTarget();
    LoadEditorValues(device);
}

}  // namespace zef
