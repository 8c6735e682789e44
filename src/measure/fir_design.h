#pragma once
// The FIR designer: a 384-tap correction filter at 48000 Hz from a measured
// loudspeaker impulse response.
//
// 1. Window. The IR is cut to the direct sound: from 0.5 ms before its
//    largest sample (a raised-cosine fade-in over that 0.5 ms) to the window
//    length after that start, the last half of what follows the peak fading
//    out with a raised cosine. The window length W (2.0..5.0 ms) makes the
//    correction valid from 1000 / W Hz up; the minimum frequency is held at
//    or above that.
// 2. Smoothing of the windowed response (width w = 1/6 .. 1/2 octave):
//      type 0 "Disabled"  the response as measured (the window alone limits
//                         its resolution); width and threshold are unused.
//      type 1 "Magnitude" the power response is smoothed over w; the phase
//                         is corrected as measured.
//      type 2 "Magnitude and phase"
//                         as type 1, and the excess phase is taken from the
//                         complex response smoothed over w (bulk delay
//                         removed first), so phase detail narrower than w is
//                         left alone: fewer, shorter corrections.
//    Threshold T (0..10 dB, types 1 and 2): before the final smoothing,
//    dips reaching more than T dB below the smoothed response are raised to
//    T dB below it, so a narrow cancellation is filled by at most T dB (0:
//    only peaks are corrected).
// 3. Mode 0 "Phase Only": the FIR's magnitude is flat; its phase undoes the
//    loudspeaker's excess phase (its phase minus the minimum phase of its
//    magnitude, minus its bulk delay) between the minimum and maximum
//    frequency: a crossover's all-pass rotation, driver misalignment. The
//    combination keeps the loudspeaker's magnitude and becomes its
//    minimum-phase version plus a pure delay.
//    Mode 1 "Magn + Phase": also corrects the smoothed magnitude towards the
//    EQ target (0 dB there = the loudspeaker's mean level over the range),
//    as a minimum-phase correction, so that the combination becomes the
//    target's minimum-phase response plus a pure delay. Boosts are limited
//    to kMaxBoostDb and cuts to kMaxCutDb.
//    Both corrections fade out outside the range with a raised cosine in
//    log-frequency over half an octave (below the minimum frequency; above
//    the maximum up to 24 kHz at most), and are zero beyond.
// 4. Latency L puts the main tap at L / 0.0208 ms taps (rounded); the ideal
//    correction is sampled from L before to 384 - L after it.
// 5. Precision p (1..10) bounds the pre-response: taps earlier than p/10 of
//    L before the main tap are zero, and the first half of that span fades
//    in with a raised cosine; everything after the main tap is kept, its
//    last half fading out. p = 10 lets a correction use every tap before the
//    main tap (the most exact phase, the longest pre-ringing); p = 1 keeps
//    pre-ringing within L/10, at the price of low-frequency phase accuracy.
// 6. Clipping: when the FIR's largest gain at any frequency exceeds 0 dB,
//    the whole FIR is scaled down to peak at 0 dB. The design reports the
//    gain as reduced when that took more than kClipToleranceDb (a flat
//    design's own ripple is not reported). A FIR can still overflow the
//    device's fixed-point path with a signal of the worst shape (sum |h| > 1);
//    that figure is reported, and with fitHeadroom the FIR is scaled down
//    until it fits.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "measure/eq_target_curve.h"
#include "measure/fir_design_fft.h"
#include "measure/fir_designer.h"

namespace zef::measure {

inline constexpr int kFirDesignTaps = 384;
inline constexpr double kFirDesignRate = 48000.0;
inline constexpr int kFirDesignFftLength = 16384;
inline constexpr double kFirTapMs = 0.0208;  // one tap as the device's latency read-out counts it

inline constexpr double kMinWindowMs = 2.0;
inline constexpr double kMaxWindowMs = 5.0;
inline constexpr double kMaxMinFrequencyHz = 4000;
inline constexpr double kMinMaxFrequencyHz = 5000;
inline constexpr double kMaxMaxFrequencyHz = 20000;
inline constexpr double kMinLatencyMs = 0.0;
inline constexpr double kMaxLatencyMs = 7.0;  // leaves 1 ms of taps after the main tap
inline constexpr double kDefaultLatencyMs = 3.0;
inline constexpr double kMaxBoostDb = 6.0;
inline constexpr double kMaxCutDb = 24.0;
inline constexpr double kClipToleranceDb = 0.1;

struct FirDesignSettings {
    int mode = 0;  // 0 phase only, 1 magnitude and phase
    FirDesignInputs inputs;
    double latencyMs = kDefaultLatencyMs;
    TargetSections sections = FlatSections();
    std::int16_t leading = 0;
    // Mode 1: a target curve of the user's (a house curve), added to the sections.
    FrequencyCurve house;
    // Scale the FIR down until its worst-case time-domain gain (below) fits
    // the device's headroom, rather than only reporting it.
    bool fitHeadroom = false;
};

// The settings as the design uses them: every value clamped to its range,
// the window length resolved, the minimum frequency raised to 1000 / window.
FirDesignSettings NormaliseFirDesignSettings(const FirDesignSettings& settings);

inline constexpr double kFirHeadroomDb = 0.0;

struct FirDesignResult {
    bool ok = false;
    std::string error;  // why no design was made (ok false)
    FirDesignSettings used;
    std::vector<double> coefficients;  // kFirDesignTaps values
    int mainTap = 0;                   // index of the largest |coefficient|
    double latencyMs = 0;              // mainTap * kFirTapMs
    bool gainReduced = false;
    double gainReductionDb = 0;  // how far the FIR was scaled down (0 when not)
    // The largest gain any input can meet in the time domain, 20 log10 sum |h|:
    // the device's data path is fixed point with full scale at 1.0, so above
    // kFirHeadroomDb a full-scale signal of the worst shape overflows even
    // when the spectrum peaks at 0 dB.
    double worstCaseGainDb = 0;
    bool ExceedsHeadroom() const { return worstCaseGainDb > kFirHeadroomDb; }
    // Time-domain arrays at 48000 Hz whose responses are the graphs' curves:
    // the windowed IR, the FIR, their convolution, and the target response
    // (the combination the design aims at, at the level of the combination).
    std::vector<double> ir;
    std::vector<double> fir;
    std::vector<double> combined;
    std::vector<double> target;
};

// The direct sound of `impulseResponse` as the design's step 1 cuts it,
// with `windowMs` clamped to 2.0..5.0 ms (empty for an empty response): the
// verification compares a new measurement with the one the design used
// through the same window.
std::vector<double> DirectSoundWindow(std::span<const double> impulseResponse, double windowMs);

// Designs FIRs; holds the transform plans, so make it once and reuse it.
class FirDesignEngine {
public:
    FirDesignEngine();

    // A design for `impulseResponse` (48000 Hz). Not ok, with an error text,
    // for an empty, silent or non-finite IR.
    FirDesignResult Design(std::span<const double> impulseResponse, const FirDesignSettings& settings);
    // The same for several microphone positions: the magnitude corrected is
    // the power average of every position's windowed response; the phase, the
    // windows and the graphs are the first position's (the main seat).
    FirDesignResult Design(std::span<const double> impulseResponse, const FirDesignSettings& settings,
                           std::span<const std::vector<double>> morePositions);

private:
    DesignFft fft_;
};

// The FirDesigner seam on FirDesignEngine. AddFilterSection replaces the
// section of its index (0..9; other indices are ignored); the sections and
// the leading value stay until replaced. Design reads `work` (the IR) and
// leaves it as it is; `integerResult` receives the tap count (0 when no
// design was possible, and then the results are empty).
class SpectralFirDesigner final : public FirDesigner {
public:
    void SetFirMode(int mode) override { settings_.mode = mode; }
    void AddFilterSection(const TargetSection& section) override;
    void SetTargetLeading(std::int16_t value) override { settings_.leading = value; }
    void SetHouseCurve(const FrequencyCurve& curve) override { settings_.house = curve; }
    void SetFitHeadroom(bool fit) override { settings_.fitHeadroom = fit; }
    void SetMorePositions(std::vector<std::vector<double>> responses) override {
        morePositions_ = std::move(responses);
    }
    double WorstCaseGainDb() override { return last_.worstCaseGainDb; }

    int Design(const FirDesignInputs& inputs, double& latencyMs, int& integerResult,
               std::vector<double>& work) override;

    std::vector<double> FirCoefficients() override { return last_.coefficients; }
    std::vector<double> ImpulseResponseArray() override { return last_.ir; }
    std::vector<double> FirArray() override { return last_.fir; }
    std::vector<double> CombinedArray() override { return last_.combined; }
    std::vector<double> TargetArray() override { return last_.target; }

    const FirDesignResult& lastResult() const { return last_; }

private:
    FirDesignEngine engine_;
    FirDesignSettings settings_;
    FirDesignResult last_;
    std::vector<std::vector<double>> morePositions_;
};

}  // namespace zef::measure
