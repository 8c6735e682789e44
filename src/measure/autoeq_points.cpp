#include "measure/autoeq_points.h"

#include <algorithm>

#include "dsp/biquad.h"
#include "dsp/grid.h"
#include "dsp/kernels.h"
#include "model/tables.h"

namespace zef::measure {

namespace {

// The points of each band at the centres of equal log-frequency steps
// between fc * 2^(-1/6) and fc * 2^(1/6), with their sin^2 terms.
struct Points {
    AutoEqPointArray hz{};
    AutoEqPointArray phi{};
};
const Points& EvaluationPoints() {
    static const Points points = [] {
        Points a;
        for (std::size_t b = 0; b < kAnalyserBandCount; ++b) {
            for (std::size_t p = 0; p < kAutoEqPointsPerBand; ++p) {
                const double octave = (static_cast<double>(p) + 0.5) / kAutoEqPointsPerBand / 3.0 - 1.0 / 6.0;
                const std::size_t i = b * kAutoEqPointsPerBand + p;
                a.hz[i] = kAutoEqBandHz[b] * std::exp2(octave);
                a.phi[i] = dsp::SinSquaredTerm(a.hz[i]);
            }
        }
        return a;
    }();
    return points;
}

}  // namespace

void BandResponseAtPoints(int type, double frequencyHz, double q, double gainDb, double* out) {
    const dsp::BiquadCoefficients c = dsp::BandCoefficients(type, frequencyHz, q, gainDb);
    const bool flat = c == dsp::BiquadCoefficients::Unity() ||
                      type == static_cast<int>(dsp::BandType::AllPass1) ||
                      type == static_cast<int>(dsp::BandType::AllPass2);
    if (flat) {
        std::fill(out, out + kAutoEqPoints, 0.0);
        return;
    }
    const Points& points = EvaluationPoints();
    const auto result = dsp::detail::SectionKernel(dsp::detail::TermsOf(c), points.hz.data(),
                                                   points.phi.data(), out, kAutoEqPoints);
    for (std::size_t p = 0; p < kAutoEqPoints; ++p)
        if (p >= result.done || std::isnan(out[p])) out[p] = dsp::BiquadMagnitudeDb(c, points.hz[p]);
}

void FilterResponseAtPoints(const AutoEqFilter& f, double* out) {
    const int q = std::clamp(f.qIndex, 0, static_cast<int>(kEqQ.size()) - 1);
    BandResponseAtPoints(f.type, f.frequencyHz, kEqQ[static_cast<std::size_t>(q)], GainDbOfCode(f.gainCode),
                         out);
}

BandSpectrum BandLevelsOfDb(const AutoEqPointArray& totalDb) {
    BandSpectrum levels{};
    for (std::size_t b = 0; b < kAnalyserBandCount; ++b) {
        double power = 0;
        for (std::size_t p = 0; p < kAutoEqPointsPerBand; ++p)
            power += std::exp(kPowerPerDb * totalDb[b * kAutoEqPointsPerBand + p]);
        levels[b] = 10.0 * std::log10(power / kAutoEqPointsPerBand);
    }
    return levels;
}

BandSpectrum BandLevelsOfPower(const AutoEqPointArray& power) {
    BandSpectrum levels{};
    for (std::size_t b = 0; b < kAnalyserBandCount; ++b) {
        double sum = 0;
        for (std::size_t p = 0; p < kAutoEqPointsPerBand; ++p) sum += power[b * kAutoEqPointsPerBand + p];
        levels[b] = 10.0 * std::log10(sum / kAutoEqPointsPerBand);
    }
    return levels;
}

BandSpectrum SanitisedLevels(const BandSpectrum& levels) {
    double sum = 0;
    int count = 0;
    for (double v : levels) {
        if (std::isfinite(v)) {
            sum += v;
            ++count;
        }
    }
    const double fill = count ? sum / count : 0.0;
    BandSpectrum out = levels;
    for (double& v : out) v = std::isfinite(v) ? std::clamp(v, -400.0, 400.0) : fill;
    return out;
}

AutoEqRange NormaliseAutoEqRange(int maxGainHalfDb, int minBand, int maxBand) {
    AutoEqRange r;
    r.minBand = std::clamp(std::min(minBand, maxBand), 0, kAutoEqBands - 1);
    r.maxBand = std::clamp(std::max(minBand, maxBand), 0, kAutoEqBands - 1);
    r.maxGainHalfDb = std::clamp(maxGainHalfDb, 1, kMaxGainHalfDbLimit);
    r.maxCutHalfDb = r.maxGainHalfDb;
    return r;
}

AutoEqRange NormaliseAutoEqRange(int maxBoostHalfDb, int maxCutHalfDb, int minBand, int maxBand) {
    AutoEqRange r = NormaliseAutoEqRange(maxBoostHalfDb, minBand, maxBand);
    r.maxCutHalfDb = std::clamp(maxCutHalfDb, 1, kMaxGainHalfDbLimit);
    return r;
}

BandSpectrum AutoEqBandLevels(const AutoEqFilters& filters) {
    AutoEqPointArray total{};
    AutoEqPointArray one{};
    for (const AutoEqFilter& f : filters) {
        FilterResponseAtPoints(f, one.data());
        for (std::size_t p = 0; p < kAutoEqPoints; ++p) total[p] += one[p];
    }
    return BandLevelsOfDb(total);
}

void EvaluateAutoEqFit(AutoEqFit& fit, const BandSpectrum& levelsDb, int minBand, int maxBand) {
    const BandSpectrum levels = SanitisedLevels(levelsDb);
    const AutoEqRange range = NormaliseAutoEqRange(1, minBand, maxBand);
    double sum = 0;
    int count = 0;
    for (int b = range.minBand; b <= range.maxBand; ++b) {
        if (fit.excluded[static_cast<std::size_t>(b)] != AutoEqExclusion::None) continue;
        sum += levels[static_cast<std::size_t>(b)];
        ++count;
    }
    fit.targetDb = count ? sum / count : 0.0;
    fit.eqDb = AutoEqBandLevels(fit.filters);
    for (std::size_t b = 0; b < kAnalyserBandCount; ++b) {
        const int bi = static_cast<int>(b);
        const bool fitted =
            bi >= range.minBand && bi <= range.maxBand && fit.excluded[b] == AutoEqExclusion::None;
        fit.residualDb[b] = fitted ? levels[b] + fit.eqDb[b] - fit.targetDb : 0.0;
    }
}

AutoEqFit NaiveAutoEqFit(const BandSpectrum& levelsDb, int maxGainHalfDb, int minBand, int maxBand,
                         int qIndex) {
    const BandSpectrum levels = SanitisedLevels(levelsDb);
    const AutoEqRange range = NormaliseAutoEqRange(maxGainHalfDb, minBand, maxBand);
    AutoEqFit fit;
    double sum = 0;
    for (int b = range.minBand; b <= range.maxBand; ++b) sum += levels[static_cast<std::size_t>(b)];
    const double mean = sum / (range.maxBand - range.minBand + 1);
    for (std::size_t k = 0; k < kAnalyserBandCount; ++k) {
        AutoEqFilter& f = fit.filters[k];
        f.frequencyHz = kAutoEqBandHz[k];
        f.qIndex = std::clamp(qIndex, 0, static_cast<int>(kEqQ.size()) - 1);
        const int ki = static_cast<int>(k);
        if (ki < range.minBand || ki > range.maxBand) continue;
        const int steps = static_cast<int>(std::lround(2.0 * (mean - levels[k])));
        f.gainCode = kFlatGainCode + std::clamp(steps, -range.maxGainHalfDb, range.maxGainHalfDb);
    }
    EvaluateAutoEqFit(fit, levels, range.minBand, range.maxBand);
    return fit;
}

AutoEqResult ToAutoEqResult(const AutoEqFit& fit, const BandSpectrum& levelsDb) {
    AutoEqResult r;
    r.levelsDb = levelsDb;
    for (std::size_t k = 0; k < kAnalyserBandCount; ++k) {
        r.frequencyHz[k] = fit.filters[k].frequencyHz;
        r.gainCode[k] = fit.filters[k].gainCode;
        r.qIndex[k] = fit.filters[k].qIndex;
        r.filterType[k] = fit.filters[k].type;
    }
    r.notCorrected = AutoEqExclusionNotes(fit);
    for (std::size_t k = 0; k < kAnalyserBandCount; ++k) r.corrected[k] = fit.excluded[k] == AutoEqExclusion::None;
    return r;
}

}  // namespace zef::measure
