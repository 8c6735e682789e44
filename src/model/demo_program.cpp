#include "model/demo_program.h"

#include "model/editor_sync.h"
#include "model/encodings.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "model/slots.h"
#include "model/tables.h"

namespace zef {
namespace {

void Band(DeviceModel& d, int band, std::int16_t type, double hz, double q, double db) {
    EditorValues& v = d.values;
    const auto b = static_cast<std::size_t>(band);
    v.bandType[b] = type;
    v.bandFrequency[b] = hz;
    v.bandQ[b] = q;
    v.bandGain[b] = db;
    v.bandBypass[b] = 0;
    StoreBand(d, band);
}

// Crossover n: output n / 2, odd = low-pass; slope code of the slope table.
void Crossover(DeviceModel& d, int n, double hz, int slope) {
    d.values.crossoverFrequency[static_cast<std::size_t>(n)] = hz;
    d.values.crossoverSlope[static_cast<std::size_t>(n)] = slope;
    StoreCrossover(d, n);
}

// The masking channel's 16 bands: a gentle dip in the speech range (the
// neighbouring bells overlap, so the sum is about twice each band's gain).
void MaskingCurve(DeviceModel& d) {
    constexpr int kFirstSmBand = 68;
    for (int i = 0; i < 16; ++i) {
        const double hz = d.values.bandFrequency[static_cast<std::size_t>(kFirstSmBand + i)];
        Band(d, kFirstSmBand + i, kBandBell, hz, 1.4, i < 8 ? -0.5 * i : -3.5 + 0.5 * (i - 8));
    }
}

void MainSystem(DeviceModel& d) {
    Band(d, 0, kBandLowShelf, 90, 0.7, 4);  // input L
    Band(d, 1, kBandBell, 350, 1.4, -3.5);
    Band(d, 2, kBandBell, 2800, 2.0, 2.5);
    Band(d, 3, kBandHighShelf, 9000, 0.7, -2);
    Band(d, 4, kBandLowShelf, 90, 0.7, 3);  // input R
    Band(d, 5, kBandBell, 500, 1.0, -2);
    Band(d, 6, kBandBell, 4000, 3.0, 3);
    Band(d, 7, kBandHighShelf, 12000, 0.7, 1.5);
    Band(d, 8 + 8, kBandBell, 160, 2.0, -4);  // output 1, bands 9 and 19
    Band(d, 8 + 18, kBandBell, 1600, 1.4, 2);
    Band(d, 38 + 3, kBandBell, 50, 1.4, 3);  // output 2, band 4
    MaskingCurve(d);
    Crossover(d, 0, 110, 7);    // output 1 high-pass, 24 dB/oct Linkwitz-Riley
    Crossover(d, 1, 18000, 1);  // output 1 low-pass
    Crossover(d, 2, 30, 2);     // output 2 high-pass
    Crossover(d, 3, 110, 7);    // output 2 low-pass
    d.values.channelGainDb[kOutput1] = -3;
    StoreGain(d, kOutput1);
    WriteDelay(d.preset, 1, DelayCountsFromMs(4.5));
    d.preset[pi::Limiter(0)] = 1;
    d.preset[pi::Limiter(0) + 1] = 30;
    SetPresetName(d.preset, "Main PA");
    d.values.presetNames = {"Main PA", "Speech", "Music"};
}

void DelayTower(DeviceModel& d) {
    Band(d, 1, kBandBell, 2500, 1.0, -3);
    Band(d, 5, kBandBell, 2500, 1.0, -3);
    Band(d, 8 + 2, kBandBell, 200, 1.4, -2.5);
    Band(d, 38 + 2, kBandBell, 200, 1.4, -2.5);
    MaskingCurve(d);
    for (int output = 0; output < 2; ++output) {
        Crossover(d, 2 * output, 80, 3);  // 12 dB/oct Linkwitz-Riley
        Crossover(d, 2 * output + 1, 16000, 1);
        WriteDelay(d.preset, output, DelayCountsFromMs(28));
    }
    SetPresetName(d.preset, "Delay 28ms");
    d.values.presetNames = {"Delay 28ms", "Delay 35ms", ""};
}

}  // namespace

void ApplyDemoProgram(DeviceModel& device, DemoProgram program) {
    switch (program) {
        case DemoProgram::MainSystem: MainSystem(device); break;
        case DemoProgram::DelayTower: DelayTower(device); break;
    }
}

}  // namespace zef
