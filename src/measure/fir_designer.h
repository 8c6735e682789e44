#pragma once
// The FIR designer seam: correction coefficients from a measured impulse
// response and an EQ target.
//
// Conventions: arrays are double precision and 0-based; the sample rate is
// 48000 Hz; device and channel numbers are 0-based indices into the lists of
// the AudioDeviceManager; an operation that can be refused returns "" when it
// started and an error text for the user otherwise.

#include <cstdint>
#include <limits>
#include <vector>

#include "files/frequency_curve.h"

namespace zef {

// One section of the equaliser target the FIR is designed towards: its
// number 0..9 and the four fields the EQ target record keeps for it.
struct TargetSection {
    int index = 0;
    int code = 0;  // 0 = default section
    double frequency = 0;
    double q = 0;
    double gainDb = 0;
};

struct FirDesignInputs {
    int smoothingThreshold = 0;  // dB, 0..10
    int smoothingWidth = 0;      // index 0..4: 1/6 .. 1/2 octave
    int smoothingType = 0;       // 0 = off
    double maxFrequency = 0;     // Hz
    double minFrequency = 0;     // Hz
    int precision = 1;           // 1..10
    // IR window length, 2.0..5.0 ms; 0 takes 1000 / minFrequency (the
    // longest window the minimum frequency asks for), clamped to that range.
    double windowMs = 0;
};

// Designs an FIR filter from a measured impulse response and an EQ target.
// One for the whole program.
class FirDesigner {
public:
    virtual ~FirDesigner() = default;

    virtual void SetFirMode(int mode) = 0;  // 0 phase only, 1 magnitude and phase
    virtual void AddFilterSection(const TargetSection& section) = 0;
    virtual void SetTargetLeading(std::int16_t value) = 0;
    // Magnitude mode: a target curve of the user's (a house curve) added to
    // the sections; an empty curve for none. Kept until replaced.
    virtual void SetHouseCurve(const FrequencyCurve& curve) { (void)curve; }
    // Scale the FIR down into the device's headroom rather than only report
    // its worst-case gain. Kept until replaced.
    virtual void SetFitHeadroom(bool fit) { (void)fit; }
    // Further microphone positions' impulse responses (48000 Hz, time zero
    // where the main one has it): the magnitude corrected is the power
    // average of every position; the phase and the graphs stay the main
    // position's. Empty for one position. Kept until replaced.
    virtual void SetMorePositions(std::vector<std::vector<double>> responses) { (void)responses; }
    // The last FIR's worst-case time-domain gain (dB of the sum of |taps|);
    // NaN when the designer does not tell.
    virtual double WorstCaseGainDb() { return std::numeric_limits<double>::quiet_NaN(); }

    // Designs the filter for the impulse response in `work` (48000 Hz).
    // `latencyMs` may be changed to the latency the design achieved;
    // `integerResult` receives the designer's integer result. Returns 1 when
    // the filter gain was reduced to avoid clipping, else 0.
    virtual int Design(const FirDesignInputs& inputs, double& latencyMs, int& integerResult,
                       std::vector<double>& work) = 0;

    // Results of the last design: the coefficients (at most 384 taps) and the
    // time-domain arrays, at 48000 Hz, whose responses are drawn as "IR",
    // "FIR", "IRxFIR" and "Target".
    virtual std::vector<double> FirCoefficients() = 0;
    virtual std::vector<double> ImpulseResponseArray() = 0;
    virtual std::vector<double> FirArray() = 0;
    virtual std::vector<double> CombinedArray() = 0;
    virtual std::vector<double> TargetArray() = 0;
};

}  // namespace zef
