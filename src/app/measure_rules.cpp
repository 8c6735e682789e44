#include "app/measure_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/autoeq_apply.h"
#include "app/texts.h"
#include "base/c_number.h"
#include "dsp/curves.h"
#include "measure/band_levels.h"
#include "measure/autoeq_fit.h"

namespace zef {

int NoiseLevelDbu(int v) { return std::clamp(v, 0, kNoiseLevelMax) - kNoiseLevelMax; }

int NoiseLevelCode(int dbu) { return std::clamp(dbu, -kNoiseLevelMax, 0) + kNoiseLevelMax; }

double NoiseMarkerX(int v) { return std::clamp(v, 0, kNoiseLevelMax) / 80.0 * 1220.0 + 360.0; }

std::string BandRangeItem(int band) {
    const int b = std::clamp(band, 0, measure::kAutoEqBands - 1);
    return std::to_string(measure::kAutoEqBandHz[static_cast<std::size_t>(b)]) + " Hz";
}

int MaxGainHalfDb(int choice) { return (std::clamp(choice, 0, kMaxGainChoices - 1) + 1) * 2; }

std::string MaxGainItem(int choice) {
    return "+/- " + std::to_string(std::clamp(choice, 0, kMaxGainChoices - 1) + 1) + "dB";
}

double FilterGainDb(int gainCode) { return gainCode / 2.0 - 15.0; }

std::string MicLevelText(double db) { return CFixed(std::round(db * 10.0) / 10.0, 1) + " dBFS"; }

std::string SpreadText(const BandSpectrum& spreadDb, int positions, int minBand, int maxBand) {
    if (positions < 2) return "";
    const measure::AutoEqRange r = measure::NormaliseAutoEqRange(1, minBand, maxBand);
    int widest = r.minBand;
    for (int b = r.minBand; b <= r.maxBand; ++b)
        if (spreadDb[std::size_t(b)] > spreadDb[std::size_t(widest)]) widest = b;
    char text[128];
    std::snprintf(text, sizeof text, kSpreadFormat, positions, CFixed(spreadDb[std::size_t(widest)], 1).c_str(),
                  measure::kAutoEqBandHz[std::size_t(widest)]);
    return text;
}

double BandDeviationDb(const BandSpectrum& levelsDb, int minBand, int maxBand,
                       const std::array<bool, kAnalyserBandCount>* only) {
    const measure::AutoEqRange r = measure::NormaliseAutoEqRange(1, minBand, maxBand);
    return measure::DeviationFromShape(levelsDb, BandSpectrum{}, r.minBand, r.maxBand, only).rms;
}

dsp::Curve OverallEqCurve(const dsp::FrequencyGrid& grid, const AutoEqResult& result, int minBand,
                          int maxBand) {
    const dsp::GridTables tables(grid);
    dsp::Curve sum{};
    dsp::Curve one{};
    for (const EqBandValues& e : measure::AutoEqBandEdits(result, minBand, maxBand)) {
        dsp::BandSetting band;
        band.type = e.type;
        band.frequencyHz = e.frequencyHz;
        band.q = e.q;
        band.gainDb = e.gainDb;
        band.bypass = e.bypassed ? 1.0 : 0.0;
        dsp::BandCurveDb(band, tables, one);
        for (std::size_t k = 0; k < sum.size(); ++k) sum[k] += one[k];
    }
    return sum;
}

dsp::Curve MeasuredCurve(const dsp::FrequencyGrid& grid, const BandSpectrum& levelsDb, int minBand,
                         int maxBand) {
    const measure::AutoEqRange r = measure::NormaliseAutoEqRange(1, minBand, maxBand);
    double mean = 0;
    for (int b = r.minBand; b <= r.maxBand; ++b) mean += levelsDb[static_cast<std::size_t>(b)];
    mean /= r.maxBand - r.minBand + 1;
    const auto& hz = measure::kAutoEqBandHz;
    dsp::Curve curve{};
    std::size_t band = 0;  // the band at or below the point
    for (std::size_t k = 0; k < curve.size(); ++k) {
        const double f = grid[k];
        while (band + 1 < hz.size() && f >= hz[band + 1]) ++band;
        double level;
        if (f <= hz.front()) {
            level = levelsDb.front();
        } else if (band + 1 >= hz.size()) {
            level = levelsDb.back();
        } else {
            const double t = std::log(f / hz[band]) / std::log(double(hz[band + 1]) / hz[band]);
            level = levelsDb[band] + t * (levelsDb[band + 1] - levelsDb[band]);
        }
        curve[k] = level - mean;
    }
    return curve;
}

}  // namespace zef
