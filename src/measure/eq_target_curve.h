#pragma once
// What the EQ target record means to the FIR designer, and the target
// magnitude it describes.
//
//   leading value  the target's tilt in 0.1 dB per octave, pivoting at 1 kHz
//                  (-10 = a house curve falling 1 dB per octave); clamped to
//                  +-12 dB per octave. 0, the default, is no tilt.
//   section code   the section's filter type, as the output equaliser's band
//                  types: 0 Bell (the default), 1 high shelf, 2 low shelf,
//                  3 high-pass, 4 low-pass, 5 notch; 6 and 7 (all-pass) are
//                  flat. Any other code switches the section off.
//   frequency, Q, gain
//                  the section's settings, evaluated with the device's own
//                  filter mathematics (dsp::BandMagnitudeDb). A section with
//                  a frequency outside 1 Hz .. 23999 Hz, or a Q that is not
//                  positive, is off.
//   flag           1 (the default): the sections shape the target. 0: the
//                  sections are kept in the record but ignored, the target is
//                  flat apart from the tilt (an A/B switch for the user).
//
// The target in dB at f is tilt * log2(f / 1000) plus the sum of the active
// sections' magnitudes; 0 dB is the loudspeaker's mean level over the design
// range.

#include <array>
#include <cstdint>

#include "dsp/biquad.h"
#include "files/frequency_curve.h"
#include "measure/fir_designer.h"
#include "model/device_model.h"

namespace zef::measure {

inline constexpr int kTargetSectionCount = 10;
inline constexpr int kSectionOff = -1;  // a TargetSection code that is never active
inline constexpr double kTiltStepDb = 0.1;
inline constexpr double kMaxTiltDbPerOctave = 12.0;

using TargetSections = std::array<TargetSection, kTargetSectionCount>;

// The ten sections of a record as the wizard hands them to the designer
// (section i has index i); with the flag 0 every code is kSectionOff.
TargetSections SectionsOfRecord(const EqTargetRecord& record);

// Ten flat sections (code kSectionOff).
TargetSections FlatSections();

class EqTargetCurve {
public:
    // `house`: a target curve of the user's (a file or a tilt) added to the
    // sections; empty for none.
    EqTargetCurve(const TargetSections& sections, std::int16_t leading, FrequencyCurve house = {});

    // Target level in dB at `frequencyHz` (> 0); 0 Hz reads 0 dB.
    double Db(double frequencyHz) const;
    double tiltDbPerOctave() const { return tilt_; }

private:
    struct Active {
        dsp::BiquadCoefficients c;
    };
    std::array<Active, kTargetSectionCount> active_{};
    int count_ = 0;
    double tilt_ = 0;
    FrequencyCurve house_;
};

}  // namespace zef::measure
