#include "measure/eq_target_curve.h"

#include <algorithm>
#include <cmath>

#include "dsp/grid.h"

namespace zef::measure {

namespace {

bool SectionActive(const TargetSection& s) {
    const bool known = s.code >= 0 && s.code <= static_cast<int>(dsp::BandType::AllPass2);
    const bool flatType = s.code == static_cast<int>(dsp::BandType::AllPass1) ||
                          s.code == static_cast<int>(dsp::BandType::AllPass2);
    return known && !flatType && std::isfinite(s.frequency) && s.frequency >= 1 &&
           s.frequency < dsp::kSampleRate / 2 && std::isfinite(s.q) && s.q > 0 && std::isfinite(s.gainDb);
}

}  // namespace

TargetSections SectionsOfRecord(const EqTargetRecord& record) {
    TargetSections sections{};
    for (std::size_t i = 0; i < sections.size(); ++i) {
        TargetSection& s = sections[i];
        s.index = static_cast<int>(i);
        s.code = record.flag == 0 ? kSectionOff : record.sectionCode[i];
        s.frequency = record.frequency[i];
        s.q = record.q[i];
        s.gainDb = record.gainDb[i];
    }
    return sections;
}

TargetSections FlatSections() {
    TargetSections sections{};
    for (std::size_t i = 0; i < sections.size(); ++i) {
        sections[i].index = static_cast<int>(i);
        sections[i].code = kSectionOff;
        sections[i].frequency = 1000;
        sections[i].q = 1;
    }
    return sections;
}

EqTargetCurve::EqTargetCurve(const TargetSections& sections, std::int16_t leading, FrequencyCurve house)
    : house_(std::move(house)) {
    tilt_ = std::clamp(leading * kTiltStepDb, -kMaxTiltDbPerOctave, kMaxTiltDbPerOctave);
    for (const TargetSection& s : sections) {
        if (!SectionActive(s)) continue;
        const dsp::BiquadCoefficients c = dsp::BandCoefficients(s.code, s.frequency, s.q, s.gainDb);
        if (c == dsp::BiquadCoefficients::Unity()) continue;
        active_[static_cast<std::size_t>(count_++)].c = c;
    }
}

double EqTargetCurve::Db(double frequencyHz) const {
    if (!(frequencyHz > 0)) return 0.0;
    double db = tilt_ * std::log2(frequencyHz / 1000.0) + house_.DbAt(frequencyHz);
    for (int i = 0; i < count_; ++i)
        db += dsp::BiquadMagnitudeDb(active_[static_cast<std::size_t>(i)].c, frequencyHz);
    return db;
}

}  // namespace zef::measure
