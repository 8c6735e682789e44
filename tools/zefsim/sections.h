#pragma once
// Second-order sections as the amplifier runs them: a cascade with state, fed block by block.
// Coefficients come from the editor's filter formulas (dsp/biquad.h); the all-pass bands,
// which the response graphs show flat, are built here with their phase.

#include <cstddef>
#include <vector>

#include "amp_settings.h"
#include "dsp/biquad.h"

namespace zefsim {

using Coefficients = zef::dsp::BiquadCoefficients;

// First-order (order 1) or second-order (order 2, with q) all-pass at frequencyHz.
Coefficients AllPassCoefficients(int order, double frequencyHz, double q);

// The sections one band adds to the path: none when it is bypassed or flat (a bell or shelf
// at 0 dB), else one.
void AppendBand(const EqBand& band, std::vector<Coefficients>& sections);

// The sections of a crossover (none for "Bypass").
void AppendCrossover(const Crossover& crossover, bool isLowPass, std::vector<Coefficients>& sections);

// A chain of sections in transposed direct form II, double precision:
//   y = b0 x + s1;  s1 = b1 x + a1 y + s2;  s2 = b2 x + a2 y   (a1, a2 stored negated)
class Cascade {
public:
    // New coefficients; the sections that stay in place keep their state, so a parameter
    // change does not restart the filter.
    void set(const std::vector<Coefficients>& sections);
    void reset();
    std::size_t size() const { return sections_.size(); }
    void process(double* samples, std::size_t n);

private:
    struct Section {
        Coefficients c;
        double s1 = 0, s2 = 0;
    };
    std::vector<Section> sections_;
};

}  // namespace zefsim
