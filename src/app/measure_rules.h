#pragma once
// The small rules of the measuring windows, as pure functions: what the
// controls show for a value, and the curves the automatic equaliser draws.

#include <string>

#include "dsp/grid.h"
#include "measure/analyser.h"
#include "measure/autoeq_engine.h"

namespace zef {

// The generator level code v (0..80) and what the level box shows: v - 80 dBu.
inline constexpr int kNoiseLevelMax = 80;
int NoiseLevelDbu(int v);
// The code of a shown level (clamped to -80..0 dBu).
int NoiseLevelCode(int dbu);
// The level marker's position along the "Noise Gen." frame, in window units
// (360 at v = 0, 1580 at v = 80).
double NoiseMarkerX(int v);

// The band range boxes: band 0..29 as its centre frequency + " Hz".
std::string BandRangeItem(int band);
// The maximum-gain box: choice 0..5 ("+/- 1dB" .. "+/- 6dB") as the engine's
// limit in 0.5 dB steps: (choice + 1) * 2.
int MaxGainHalfDb(int choice);
std::string MaxGainItem(int choice);
inline constexpr int kMaxGainChoices = 6;

// A fitted filter's gain code in dB: code / 2 - 15 (0.5 dB steps from -15).
double FilterGainDb(int gainCode);

// The microphone level read-out: dB rounded to 0.1, e.g. "-12.3 dBFS".
std::string MicLevelText(double db);

// The positions' spread read-out over bands minBand..maxBand: "Spread over
// N positions: largest X dB at F Hz" (kSpreadFormat); "" for one position.
std::string SpreadText(const BandSpectrum& spreadDb, int positions, int minBand, int maxBand);

// Root mean square deviation (dB) of bands minBand..maxBand from their mean;
// with `only`, of those of them it marks (0 when none is).
double BandDeviationDb(const BandSpectrum& levelsDb, int minBand, int maxBand,
                       const std::array<bool, kAnalyserBandCount>* only = nullptr);

// The overall equaliser of a fit as the output will play it: the sum of the
// responses of the 30 bands that applying the result writes (bands outside
// minBand..maxBand flat), over the frequency grid.
dsp::Curve OverallEqCurve(const dsp::FrequencyGrid& grid, const AutoEqResult& result, int minBand,
                          int maxBand);

// The measured band levels as a curve over the grid (straight lines between
// band centres on the log-frequency axis, held flat beyond the outer bands),
// moved so that the fitted bands' mean sits at 0 dB: the curve the overall
// equaliser is meant to cancel.
dsp::Curve MeasuredCurve(const dsp::FrequencyGrid& grid, const BandSpectrum& levelsDb, int minBand,
                         int maxBand);

}  // namespace zef
