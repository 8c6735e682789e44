#include "sections.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zefsim {
namespace {

constexpr double kPi = std::numbers::pi;
// Corner frequencies stay inside the band the formulas are stable in.
constexpr double kLowestHz = 1.0;
constexpr double kHighestHz = 23500.0;

double Corner(double hz) { return std::clamp(hz, kLowestHz, kHighestHz); }

}  // namespace

Coefficients AllPassCoefficients(int order, double frequencyHz, double q) {
    const double f = Corner(frequencyHz);
    if (order == 1) {
        const double k = std::tan(kPi * f / kRigSampleRate);
        const double t = (k - 1) / (k + 1);
        return {.a1 = -t, .a2 = 0, .b0 = t, .b1 = 1, .b2 = 0};
    }
    const double w = 2 * kPi * f / kRigSampleRate;
    const double alpha = std::sin(w) / (2 * q);
    const double a0 = 1 + alpha;
    return {.a1 = 2 * std::cos(w) / a0,
            .a2 = -(1 - alpha) / a0,
            .b0 = (1 - alpha) / a0,
            .b1 = -2 * std::cos(w) / a0,
            .b2 = 1.0};
}

void AppendBand(const EqBand& band, std::vector<Coefficients>& sections) {
    if (band.bypassed) return;
    const double f = Corner(band.frequencyHz);
    switch (band.type) {
        case 6:
            sections.push_back(AllPassCoefficients(1, f, band.q));
            return;
        case 7:
            sections.push_back(AllPassCoefficients(2, f, band.q));
            return;
        default: {
            const Coefficients c = zef::dsp::BandCoefficients(band.type, f, band.q, band.gainDb);
            if (!(c == Coefficients::Unity())) sections.push_back(c);
        }
    }
}

void AppendCrossover(const Crossover& crossover, bool isLowPass, std::vector<Coefficients>& sections) {
    const auto list = zef::dsp::CrossoverSections(crossover.slope, isLowPass, Corner(crossover.frequencyHz));
    for (int i = 0; i < list.count; ++i) sections.push_back(list.sections[static_cast<std::size_t>(i)]);
}

void Cascade::set(const std::vector<Coefficients>& sections) {
    sections_.resize(sections.size());
    for (std::size_t i = 0; i < sections.size(); ++i) sections_[i].c = sections[i];
}

void Cascade::reset() {
    for (Section& s : sections_) s.s1 = s.s2 = 0;
}

void Cascade::process(double* samples, std::size_t n) {
    for (Section& s : sections_) {
        const Coefficients c = s.c;
        double s1 = s.s1, s2 = s.s2;
        for (std::size_t i = 0; i < n; ++i) {
            const double x = samples[i];
            const double y = c.b0 * x + s1;
            s1 = c.b1 * x + c.a1 * y + s2;
            s2 = c.b2 * x + c.a2 * y;
            samples[i] = y;
        }
        s.s1 = s1;
        s.s2 = s2;
    }
}

}  // namespace zefsim
