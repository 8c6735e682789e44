#pragma once
// The squared magnitude of a section at normalised frequency term
// phi = sin^2(pi f / fs), split as
//   N = ((b0 + b1 + b2)/2)^2 - phi (4 b0 b2 (1 - phi) + b1 (b0 + b2))
//   D = ((1 + A1 + A2)/2)^2 - phi (4 A2 (1 - phi) + A1 (1 + A2)),  A = -a
// The per-point and the per-grid evaluations both go through these helpers so
// that they produce the same N and D bit for bit.

#include <cfloat>
#include <cmath>

#include "dsp/biquad.h"

namespace zef::dsp::detail {

// A term counts as zero when it is smaller than this many units of rounding
// of the two quantities it is the difference of. The exact zero of a notch
// centred on a grid point leaves at most a few hundred units of noise there;
// a notch whose centre lies 1/128 Hz away from a point still leaves more than
// 10^5 units.
inline constexpr double kZeroTermNoise = 2048.0 * DBL_EPSILON;

struct SectionTerms {
    double numSquare;  // ((b0 + b1 + b2)/2)^2
    double numQuad;    // 4 b0 b2
    double numLin;     // b1 (b0 + b2)
    double denSquare;  // ((1 + A1 + A2)/2)^2
    double denQuad;    // 4 A2
    double denLin;     // A1 (1 + A2)
};

inline SectionTerms TermsOf(const BiquadCoefficients& c) {
    const double A1 = -c.a1;
    const double A2 = -c.a2;
    const double nh = (c.b0 + c.b1 + c.b2) / 2;
    const double dh = (1 + A1 + A2) / 2;
    return {nh * nh, 4 * c.b0 * c.b2, c.b1 * (c.b0 + c.b2), dh * dh, 4 * A2, A1 * (1 + A2)};
}

// True when `value` = square - phiTerm is a usable positive term.
inline bool UsableTerm(double value, double square, double phiTerm) {
    return std::isfinite(value) && value > kZeroTermNoise * (square + std::fabs(phiTerm));
}

}  // namespace zef::dsp::detail
