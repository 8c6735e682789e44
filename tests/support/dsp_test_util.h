#pragma once
// Shared helpers of the dsp tests: an independent evaluation of a section's
// magnitude with complex arithmetic, random filter settings, and a device
// with every band and crossover in use.

#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "dsp/biquad.h"
#include "dsp/curves.h"
#include "dsp/grid.h"
#include "model/device_model.h"

namespace zef::dsp::test {

// |H(e^jw)| in dB from the difference equation
// y = b0 x + b1 x1 + b2 x2 + a1 y1 + a2 y2, in long double.
inline double ComplexMagnitudeDb(const BiquadCoefficients& c, double frequencyHz) {
    using C = std::complex<long double>;
    const long double w = 2.0L * std::numbers::pi_v<long double> * frequencyHz / 48000.0L;
    const C z1 = std::polar(1.0L, -w);
    const C z2 = z1 * z1;
    const C num = C(c.b0) + C(c.b1) * z1 + C(c.b2) * z2;
    const C den = C(1.0L) - C(c.a1) * z1 - C(c.a2) * z2;
    return static_cast<double>(20.0L * std::log10(std::abs(num) / std::abs(den)));
}

inline BandSetting RandomBand(std::mt19937& rng, int type) {
    std::uniform_real_distribution<double> logF(std::log(20.0), std::log(20000.0));
    std::uniform_real_distribution<double> logQ(std::log(0.4), std::log(128.0));
    std::uniform_int_distribution<int> gainCode(0, 60);
    BandSetting b;
    b.type = type;
    b.frequencyHz = std::round(std::exp(logF(rng)));
    b.q = std::exp(logQ(rng));
    b.gainDb = gainCode(rng) / 2.0 - 15.0;
    return b;
}

inline CrossoverSetting RandomCrossover(std::mt19937& rng) {
    std::uniform_real_distribution<double> logF(std::log(20.0), std::log(20000.0));
    std::uniform_int_distribution<int> slope(1, kCrossoverSlopeCount - 1);
    std::uniform_int_distribution<int> side(0, 1);
    return {slope(rng), side(rng) == 1, std::round(std::exp(logF(rng)))};
}

inline void SetBand(EditorValues& v, int band, const BandSetting& b) {
    const auto i = static_cast<std::size_t>(band);
    v.bandType[i] = static_cast<std::int16_t>(b.type);
    v.bandFrequency[i] = b.frequencyHz;
    v.bandQ[i] = b.q;
    v.bandGain[i] = b.gainDb;
    v.bandBypass[i] = b.bypass;
}

// Every band a distinct bell (so that each band's curve differs from every
// other's), crossovers HP 80 Hz "-12dB/oct BW" and LP 12 kHz "-24dB/oct LR"
// on output 1, HP 120 Hz "-18dB/oct BW" and LP 8 kHz "-24dB/oct BS" on output 2.
inline void FillDistinctDevice(DeviceModel& d) {
    for (int band = 0; band < 84; ++band) {
        BandSetting b;
        b.type = static_cast<int>(BandType::Bell);
        b.frequencyHz = 25.0 * std::pow(1.08, band);
        b.q = 0.5 + 0.05 * band;
        b.gainDb = (band % 2 == 0 ? 1.0 : -1.0) * (1.0 + 0.5 * (band % 27));
        SetBand(d.values, band, b);
    }
    d.values.crossoverSlope = {2, 7, 5, 8};
    d.values.crossoverFrequency = {80, 12000, 120, 8000};
}

}  // namespace zef::dsp::test
