#pragma once
// The automatic equaliser's fit: 30 output-equaliser bands, each a legal
// device setting (type, whole-hertz frequency, gain code in 0.5 dB steps, Q
// index into the EQ Q table), chosen so that the measured third-octave band
// levels plus the equaliser come out flat.
//
// What "flat" means, and what every figure below measures:
//   - the target is the mean measured level m over the fitted bands
//     minBand..maxBand;
//   - the equaliser's level in band b is the power average of the summed
//     filter magnitudes (dB, each filter evaluated with dsp::BandMagnitudeDb,
//     the device's own filter mathematics) over the band's edges
//     fc * 2^(+-1/6), on kAutoEqPointsPerBand points spaced evenly in
//     log-frequency (pink noise has equal power per octave, so this is what
//     an analyser band sees of the equaliser);
//   - the residual of band b is level_b + eq_b - m.
// The fit minimises the sum of squared residuals over the fitted bands,
// subject to every gain code lying within -maxCutHalfDb..+maxGainHalfDb
// steps of 0 dB and the equaliser's level lying within the same limits (in
// dB: half the steps) in every one of the 30 bands. A band needing a cut
// beyond the limit is corrected to the limit.
//
// Before fitting, the fit decides what it cannot correct: a band lying more
// than the boost limit plus kAutoEqReachMarginDb below the median of the
// fitted bands is left out of the objective (and out of the target) with its
// filter flat. Such bands at either end of the range are the loudspeaker's
// roll-off; inside the range they are a cancellation that no boost fills.
// The remaining bands are fitted as if the excluded ones were not there.
//
// Filter k sits at band k's frequency. Filters outside minBand..maxBand are
// flat Bells (gain code 30). The fit is pure and deterministic: the same
// input gives the same output bit for bit.

#include <array>
#include <string>
#include <vector>

#include "measure/autoeq_engine.h"
#include "model/tables.h"

namespace zef::measure {

inline constexpr int kAutoEqBands = static_cast<int>(kAnalyserBandCount);

// Centre frequencies of the 30 bands (Hz), band 0 .. 29; also the frequency
// given to filter k.
inline constexpr std::array<int, kAnalyserBandCount> kAutoEqBandHz = {
    25,  31,   40,   50,   63,   80,   100,  125,  160,  200,  250,  315,   400,   500,   630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

inline constexpr int kAutoEqPointsPerBand = 16;
inline constexpr int kFlatGainCode = 30;        // 0 dB: dB = code / 2 - 15
inline constexpr int kMaxGainHalfDbLimit = 30;  // +-15 dB, the gain code range
inline constexpr int kAutoEqFilterType = 0;     // Bell

// One fitted filter as the device stores it.
struct AutoEqFilter {
    int frequencyHz = 1000;
    int gainCode = kFlatGainCode;
    int qIndex = kEqQUnityCode;
    int type = kAutoEqFilterType;
    bool operator==(const AutoEqFilter&) const = default;
};
using AutoEqFilters = std::array<AutoEqFilter, kAnalyserBandCount>;

// Why a band was left out of the fit.
enum class AutoEqExclusion { None, LowRollOff, HighRollOff, Dip };
inline constexpr double kAutoEqReachMarginDb = 3.0;

struct AutoEqFit {
    AutoEqFilters filters{};
    std::array<AutoEqExclusion, kAnalyserBandCount> excluded{};
    std::array<double, kAnalyserBandCount> shortfallDb{};  // excluded band: dB below the target
    double targetDb = 0;        // mean level over the fitted bands
    BandSpectrum eqDb{};        // the equaliser's level per band (all 30)
    BandSpectrum residualDb{};  // level + eq - target; 0 outside the fitted bands
};

// The fit of `levelsDb` over bands minBand..maxBand (clamped to 0..29 and
// ordered) with at most +-maxGainHalfDb / 2 dB (clamped to 1..30).
AutoEqFit FitAutoEq(const BandSpectrum& levelsDb, int maxGainHalfDb, int minBand, int maxBand);

struct AutoEqRange;
// The same with separate boost and cut limits (range as NormaliseAutoEqRange gives it).
AutoEqFit FitAutoEq(const BandSpectrum& levelsDb, const AutoEqRange& range);

// One line per excluded band for the user, e.g.
// "125 Hz: 15.0 dB dip, not corrected - a boost cannot fill a cancellation".
std::vector<std::string> AutoEqExclusionNotes(const AutoEqFit& fit);

// The baseline every graphic-equaliser tool starts from: filter k's gain is
// minus band k's deviation from the mean, rounded to the gain code and
// clamped, every filter at Q index `qIndex`. Evaluated like FitAutoEq.
AutoEqFit NaiveAutoEqFit(const BandSpectrum& levelsDb, int maxGainHalfDb, int minBand, int maxBand,
                         int qIndex);

// The equaliser's level in each of the 30 bands (see above) for a filter set.
BandSpectrum AutoEqBandLevels(const AutoEqFilters& filters);

// Fills `fit`'s target, eq and residual for `levelsDb` from its filters.
void EvaluateAutoEqFit(AutoEqFit& fit, const BandSpectrum& levelsDb, int minBand, int maxBand);

// The fit as the engine reports it.
AutoEqResult ToAutoEqResult(const AutoEqFit& fit, const BandSpectrum& levelsDb);

// Band range and gain limit as the fit uses them.
struct AutoEqRange {
    int minBand = 0;
    int maxBand = kAutoEqBands - 1;
    int maxGainHalfDb = 12;  // the largest boost
    int maxCutHalfDb = 12;   // the largest cut
};
// Boost and cut both maxGainHalfDb (clamped to 1..30).
AutoEqRange NormaliseAutoEqRange(int maxGainHalfDb, int minBand, int maxBand);
AutoEqRange NormaliseAutoEqRange(int maxBoostHalfDb, int maxCutHalfDb, int minBand, int maxBand);

}  // namespace zef::measure
