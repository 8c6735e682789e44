#include "dsp/biquad.h"

#include <cmath>
#include <numbers>

#include "dsp/grid.h"
#include "dsp/section_terms.h"

namespace zef::dsp {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kBellMaxFactor = 1.9799;

// Sections of one crossover slope: order and Q of each.
struct SlopeSection {
    int order;
    double q;
};
struct SlopeRecipe {
    int count;
    SlopeSection sections[2];
};

// Q values exactly as the device builds them (not the textbook 1/sqrt(2),
// 0.5412 and 1.3066).
constexpr SlopeRecipe kSlopes[kCrossoverSlopeCount] = {
    {0, {{0, 0.0}, {0, 0.0}}},      // "Bypass"
    {1, {{1, 0.0}, {0, 0.0}}},      // "- 6 dB/oct BW"
    {1, {{2, 0.707}, {0, 0.0}}},    // "-12dB/oct BW"
    {2, {{1, 0.0}, {1, 0.0}}},      // "-12dB/oct LR"
    {1, {{2, 0.48}, {0, 0.0}}},     // "-12dB/oct BS"
    {2, {{1, 0.0}, {2, 1.0}}},      // "-18dB/oct BW"
    {2, {{2, 0.54}, {2, 1.3}}},     // "-24dB/oct BW"
    {2, {{2, 0.707}, {2, 0.707}}},  // "-24dB/oct LR"
    {2, {{2, 0.54}, {2, 0.806}}},   // "-24dB/oct BS"
};

}  // namespace

double BiquadMagnitudeDb(const BiquadCoefficients& c, double frequencyHz) {
    if (frequencyHz <= 0) return 0.0;
    const double phi = SinSquaredTerm(frequencyHz);
    const double A1 = -c.a1;
    const double A2 = -c.a2;

    const double nh = (c.b0 + c.b1 + c.b2) / 2;
    const double nPhi = phi * (4 * c.b0 * c.b2 * (1 - phi) + c.b1 * (c.b0 + c.b2));
    const double N = nh * nh - nPhi;

    const double dh = (1 + A1 + A2) / 2;
    const double dPhi = phi * (4 * A2 * (1 - phi) + A1 * (1 + A2));
    const double D = dh * dh - dPhi;

    if (!detail::UsableTerm(N, nh * nh, nPhi) || !detail::UsableTerm(D, dh * dh, dPhi)) return kFaultDb;
    const double db = 10 * std::log(N) / std::log(10.0) - 10 * std::log(D) / std::log(10.0);
    return std::isfinite(db) ? db : kFaultDb;
}

double BellQFactor(double q, double absGainDb) {
    const double x = absGainDb;
    const double p = 1.9799 - 0.19327634 * (x - 3) + 0.01610636 * (x - 3) * (x - 6) -
                     0.00052378412 * (x - 3) * (x - 6) * (x - 9) -
                     0.000032736507 * (x - 3) * (x - 6) * (x - 9) * (x - 12);
    const double factor = p <= kBellMaxFactor ? p : kBellMaxFactor;
    return q * factor;
}

BiquadCoefficients BellCoefficients(double frequencyHz, double q, double gainDb) {
    if (gainDb == 0) return BiquadCoefficients::Unity();
    const double V = std::pow(10.0, std::fabs(gainDb) / 20);
    const double Qe = BellQFactor(q, std::fabs(gainDb));
    const double K = std::tan(kPi * frequencyHz / kSampleRate);
    const double K2 = K * K;
    BiquadCoefficients c;
    if (gainDb > 0) {
        const double D = 1 + K / Qe + K2;
        c.b0 = (1 + V * K / Qe + K2) / D;
        c.b1 = 2 * (K2 - 1) / D;
        c.b2 = (1 - V * K / Qe + K2) / D;
        c.a1 = -2 * (K2 - 1) / D;
        c.a2 = -(1 - K / Qe + K2) / D;
    } else {
        const double D = 1 + V * K / Qe + K2;
        c.b0 = (1 + K / Qe + K2) / D;
        c.b1 = 2 * (K2 - 1) / D;
        c.b2 = (1 - K / Qe + K2) / D;
        c.a1 = -2 * (K2 - 1) / D;
        c.a2 = -(1 - V * K / Qe + K2) / D;
    }
    return c;
}

BiquadCoefficients ShelfCoefficients(bool isHighShelf, double frequencyHz, double q, double gainDb) {
    if (gainDb == 0) return BiquadCoefficients::Unity();
    const double A = std::sqrt(std::pow(10.0, gainDb / 20));
    const double w = 2 * kPi * frequencyHz / kSampleRate;
    const double sn = std::sin(w);
    const double cs = std::cos(w);
    const double S = q < 1 ? q + 0.5 : 0.06 * q + 1.5;
    const double beta = (S / q) * std::sqrt(A);

    BiquadCoefficients c;
    if (isHighShelf) {
        const double a0 = (A + 1) - (A - 1) * cs + beta * sn;
        c.b0 = A * ((A + 1) + (A - 1) * cs + beta * sn) / a0;
        c.b1 = -2 * A * ((A - 1) + (A + 1) * cs) / a0;
        c.b2 = A * ((A + 1) + (A - 1) * cs - beta * sn) / a0;
        c.a1 = -2 * ((A - 1) - (A + 1) * cs) / a0;
        c.a2 = -((A + 1) - (A - 1) * cs - beta * sn) / a0;
    } else {
        const double a0 = (A + 1) + (A - 1) * cs + beta * sn;
        c.b0 = A * ((A + 1) - (A - 1) * cs + beta * sn) / a0;
        c.b1 = 2 * A * ((A - 1) - (A + 1) * cs) / a0;
        c.b2 = A * ((A + 1) - (A - 1) * cs - beta * sn) / a0;
        c.a1 = 2 * ((A - 1) + (A + 1) * cs) / a0;
        c.a2 = -((A + 1) + (A - 1) * cs - beta * sn) / a0;
    }
    return c;
}

BiquadCoefficients PassCoefficients(int order, bool isLowPass, double frequencyHz, double q) {
    BiquadCoefficients c;
    if (order == 1) {
        const double K = std::tan(kPi * frequencyHz / kSampleRate);
        const double t = (K - 1) / (K + 1);
        if (isLowPass) {
            c.b0 = c.b1 = (1 + t) / 2;
        } else {
            c.b0 = (1 - t) / 2;
            c.b1 = -(1 - t) / 2;
        }
        c.a1 = -t;
    } else if (order == 2) {
        const double w = 2 * kPi * frequencyHz / kSampleRate;
        const double cs = std::cos(w);
        const double alpha = std::sin(w) / (2 * q);
        const double a0 = 1 + alpha;
        if (isLowPass) {
            c.b0 = c.b2 = (1 - cs) / (2 * a0);
            c.b1 = (1 - cs) / a0;
        } else {
            c.b0 = c.b2 = (1 + cs) / (2 * a0);
            c.b1 = -(1 + cs) / a0;
        }
        c.a1 = 2 * cs / a0;
        c.a2 = -(1 - alpha) / a0;
    }
    return c;
}

BiquadCoefficients NotchCoefficients(double frequencyHz, double q) {
    const double fb = frequencyHz / q;
    const double T = std::tan(kPi * fb / kSampleRate);
    const double t = (T - 1) / (T + 1);
    const double d = -std::cos(2 * kPi * frequencyHz / kSampleRate);
    BiquadCoefficients c;
    c.b0 = c.b2 = (1 - t) / 2;
    c.b1 = d * (1 - t);
    c.a1 = -d * (1 - t);
    c.a2 = t;
    return c;
}

BiquadCoefficients BandCoefficients(int type, double frequencyHz, double q, double gainDb) {
    switch (static_cast<BandType>(type)) {
        case BandType::Bell:
            return BellCoefficients(frequencyHz, q, gainDb);
        case BandType::HighShelf:
            return ShelfCoefficients(true, frequencyHz, q, gainDb);
        case BandType::LowShelf:
            return ShelfCoefficients(false, frequencyHz, q, gainDb);
        case BandType::HighPass:
            return PassCoefficients(2, false, frequencyHz, q);
        case BandType::LowPass:
            return PassCoefficients(2, true, frequencyHz, q);
        case BandType::Notch:
            return NotchCoefficients(frequencyHz, q);
        case BandType::AllPass1:
        case BandType::AllPass2:
            break;
    }
    return BiquadCoefficients::Unity();
}

double BandMagnitudeDb(int type, double frequencyHz, double q, double gainDb, double bypass,
                       double atFrequencyHz) {
    const bool flat = bypass != 0 || atFrequencyHz == 0 || type == static_cast<int>(BandType::AllPass1) ||
                      type == static_cast<int>(BandType::AllPass2);
    if (flat) return 0.0;
    return BiquadMagnitudeDb(BandCoefficients(type, frequencyHz, q, gainDb), atFrequencyHz);
}

CrossoverSectionList CrossoverSections(int slopeCode, bool isLowPass, double frequencyHz) {
    CrossoverSectionList list;
    if (slopeCode < 0 || slopeCode >= kCrossoverSlopeCount) return list;
    const SlopeRecipe& recipe = kSlopes[slopeCode];
    for (int i = 0; i < recipe.count; ++i) {
        list.sections[static_cast<std::size_t>(i)] =
            PassCoefficients(recipe.sections[i].order, isLowPass, frequencyHz, recipe.sections[i].q);
    }
    list.count = recipe.count;
    return list;
}

int SlopeCodeFromValue(double slopeValue) {
    if (!std::isfinite(slopeValue) || slopeValue < -1.0 || slopeValue > kCrossoverSlopeCount) return 0;
    return static_cast<int>(std::lround(slopeValue));
}

double CrossoverMagnitudeDb(const CrossoverSectionList& list, double frequencyHz) {
    if (frequencyHz <= 0) return 0.0;
    double sum = 0.0;
    for (int i = 0; i < list.count; ++i) {
        sum += BiquadMagnitudeDb(list.sections[static_cast<std::size_t>(i)], frequencyHz);
    }
    return sum;
}

}  // namespace zef::dsp
