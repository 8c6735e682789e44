#pragma once
// Filter magnitudes on the whole frequency grid: one equaliser band, one
// crossover filter. The grid evaluation reads per-grid tables (no sine per
// point), takes one logarithm of N/D per point and runs on SIMD vectors; it
// returns the numbers the per-point formula of BiquadMagnitudeDb returns
// within 1e-12 dB, and exactly its 0 dB and -200 dB points. The per-point
// ("reference") versions are kept for tests and benchmarks.

#include "dsp/biquad.h"
#include "dsp/grid.h"

namespace zef::dsp {

// The parameters of one equaliser band.
struct BandSetting {
    int type = 0;  // BandType code
    double frequencyHz = 1000.0;
    double q = 1.0;
    double gainDb = 0.0;
    double bypass = 0.0;  // nonzero = bypassed

    // Bypassed and all-pass bands contribute 0 dB at every frequency.
    bool flat() const;
};

// The parameters of one crossover filter.
struct CrossoverSetting {
    int slopeCode = 0;
    bool isLowPass = false;
    double frequencyHz = 1000.0;
};

// `out`[k] = BiquadMagnitudeDb(c, grid[k]) for every grid point.
void SectionCurveDb(const BiquadCoefficients& c, const GridTables& tables, Curve& out);

// The band magnitude at every grid point (0 dB when flat and at 0 Hz). The
// section is built once.
void BandCurveDb(const BandSetting& band, const GridTables& tables, Curve& out);

// The crossover magnitude (sum of its sections in dB) at every grid point.
void CrossoverCurveDb(const CrossoverSetting& crossover, const GridTables& tables, Curve& out);

// Per-point versions: one sine and two logarithms per point.
void SectionCurveDbReference(const BiquadCoefficients& c, const GridTables& tables, Curve& out);
void BandCurveDbReference(const BandSetting& band, const GridTables& tables, Curve& out);
void CrossoverCurveDbReference(const CrossoverSetting& crossover, const GridTables& tables, Curve& out);

}  // namespace zef::dsp
