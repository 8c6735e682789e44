#pragma once
// Filter magnitude mathematics at the fixed sample rate of 48000 Hz: the
// second-order sections of every equaliser band type and crossover slope, and
// the magnitude of one section at one frequency. Pure functions.

#include <array>
#include <cstdint>

namespace zef::dsp {

// One second-order section. The feedback coefficients are stored negated:
//   y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + a1 y[n-1] + a2 y[n-2]
// so the denominator is 1 - a1 z^-1 - a2 z^-2. A first-order section has
// a2 = b2 = 0.
struct BiquadCoefficients {
    double a1 = 0.0;
    double a2 = 0.0;
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;

    static constexpr BiquadCoefficients Unity() { return {}; }
    bool operator==(const BiquadCoefficients&) const = default;
};

// Equaliser band types; the code is the index in the editors' type list.
enum class BandType : std::int16_t {
    Bell = 0,       // "Bell": peaking with gain-dependent Q correction
    HighShelf = 1,  // "HiShQ"
    LowShelf = 2,   // "LoShQ"
    HighPass = 3,   // "HP-Q", second order with the band's Q
    LowPass = 4,    // "LP-Q"
    Notch = 5,      // "Notch", bandwidth f/Q
    AllPass1 = 6,   // "AP I": flat magnitude
    AllPass2 = 7,   // "AP II": flat magnitude
};
inline constexpr int kBandTypeCount = 8;

// Magnitude of one section in dB at `frequencyHz`. 0 dB at f <= 0. -200 dB
// when the arithmetic fails: a numerator or denominator term that is zero,
// negative, not finite, or indistinguishable from zero within the rounding
// noise of its own terms (the centre of a notch lying exactly on f).
double BiquadMagnitudeDb(const BiquadCoefficients& c, double frequencyHz);

// The bell's Q correction for |gain| absGainDb: a Newton polynomial through
// 3, 6, 9 and 12 dB, capped at 1.9799 (so every gain below 3 dB uses 1.9799).
double BellQFactor(double q, double absGainDb);

// Bilinear peaking section; the unity section for a gain of exactly 0 dB.
BiquadCoefficients BellCoefficients(double frequencyHz, double q, double gainDb);

// Shelf with Q (slope term S = q + 0.5 below q = 1, else 0.06 q + 1.5); the
// unity section for a gain of exactly 0 dB.
BiquadCoefficients ShelfCoefficients(bool isHighShelf, double frequencyHz, double q, double gainDb);

// High- or low-pass section of order 0 (unity), 1 (bilinear, no Q) or 2 (with
// q). Any other order gives the unity section.
BiquadCoefficients PassCoefficients(int order, bool isLowPass, double frequencyHz, double q);

// Band-reject section with bandwidth frequencyHz / q.
BiquadCoefficients NotchCoefficients(double frequencyHz, double q);

// The section of a band type code (0..7). The all-pass types and unknown codes
// give the unity section (they contribute 0 dB).
BiquadCoefficients BandCoefficients(int type, double frequencyHz, double q, double gainDb);

// Magnitude of one equaliser band at `frequencyHz`: 0 dB when bypass is
// nonzero, when f = 0, or for the all-pass types; otherwise the magnitude of
// its section. Builds the section on every call: for one point, not for a curve.
double BandMagnitudeDb(int type, double frequencyHz, double q, double gainDb, double bypass,
                       double atFrequencyHz);

// Crossover slope codes (the index in the editors' slope list).
inline constexpr int kCrossoverSlopeCount = 9;

// The sections of crossover slope `slopeCode` (0..8): none for 0 "Bypass"
// and for unknown codes, one for 1, 2 and 4, two for 3, 5, 6, 7 and 8. The
// corner frequency enters unchanged for every slope.
struct CrossoverSectionList {
    std::array<BiquadCoefficients, 2> sections{};
    int count = 0;
};
CrossoverSectionList CrossoverSections(int slopeCode, bool isLowPass, double frequencyHz);

// The slope code kept as a double in the editor values, rounded to the nearest integer.
int SlopeCodeFromValue(double slopeValue);

// Sum of the sections' magnitudes in dB; 0 at f = 0 and for a list without sections.
double CrossoverMagnitudeDb(const CrossoverSectionList& list, double frequencyHz);

}  // namespace zef::dsp
