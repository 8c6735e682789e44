#include "dsp/curves.h"

#include <cmath>

#include "dsp/kernels.h"

namespace zef::dsp {

bool BandSetting::flat() const {
    return bypass != 0 || type == static_cast<int>(BandType::AllPass1) ||
           type == static_cast<int>(BandType::AllPass2);
}

void SectionCurveDb(const BiquadCoefficients& c, const GridTables& tables, Curve& out) {
    const auto result = detail::SectionKernel(detail::TermsOf(c), tables.hz.data(), tables.phi.data(),
                                              out.data(), kGridPoints);
    if (result.undecided) {
        for (std::size_t k = 0; k < result.done; ++k) {
            if (std::isnan(out[k])) out[k] = BiquadMagnitudeDb(c, tables.hz[k]);
        }
    }
    for (std::size_t k = result.done; k < kGridPoints; ++k) out[k] = BiquadMagnitudeDb(c, tables.hz[k]);
}

void BandCurveDb(const BandSetting& band, const GridTables& tables, Curve& out) {
    if (band.flat()) {
        out.fill(0.0);
        return;
    }
    SectionCurveDb(BandCoefficients(band.type, band.frequencyHz, band.q, band.gainDb), tables, out);
}

void CrossoverCurveDb(const CrossoverSetting& crossover, const GridTables& tables, Curve& out) {
    const CrossoverSectionList list =
        CrossoverSections(crossover.slopeCode, crossover.isLowPass, crossover.frequencyHz);
    if (list.count == 0) {
        out.fill(0.0);
        return;
    }
    SectionCurveDb(list.sections[0], tables, out);
    if (list.count == 2) {
        Curve second;
        SectionCurveDb(list.sections[1], tables, second);
        const double* sources[] = {out.data(), second.data()};
        detail::SumCurves(sources, 2, out.data(), kGridPoints);
    }
}

void SectionCurveDbReference(const BiquadCoefficients& c, const GridTables& tables, Curve& out) {
    for (std::size_t k = 0; k < kGridPoints; ++k) out[k] = BiquadMagnitudeDb(c, tables.hz[k]);
}

void BandCurveDbReference(const BandSetting& band, const GridTables& tables, Curve& out) {
    if (band.flat()) {
        out.fill(0.0);
        return;
    }
    const BiquadCoefficients c = BandCoefficients(band.type, band.frequencyHz, band.q, band.gainDb);
    for (std::size_t k = 0; k < kGridPoints; ++k) {
        out[k] = tables.hz[k] == 0 ? 0.0 : BiquadMagnitudeDb(c, tables.hz[k]);
    }
}

void CrossoverCurveDbReference(const CrossoverSetting& crossover, const GridTables& tables, Curve& out) {
    const CrossoverSectionList list =
        CrossoverSections(crossover.slopeCode, crossover.isLowPass, crossover.frequencyHz);
    for (std::size_t k = 0; k < kGridPoints; ++k) out[k] = CrossoverMagnitudeDb(list, tables.hz[k]);
}

}  // namespace zef::dsp
