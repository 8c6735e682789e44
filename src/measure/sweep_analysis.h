#pragma once
// From a sweep recording to an impulse response, its plots and the warnings
// a user needs before trusting it.
//
// Timeline of one measurement (samples at 48000 Hz):
//
//   output  |-- pre-roll --|======== sweep ========|-------- silence ---------|
//   input   |  noise only  |<latency>|== response ==|<- allowance + room decay ->|
//
// The pre-roll (0.25 s) records the background noise before anything plays.
// The recording runs for the sweep plus a latency allowance (2.1 s: a card's
// round trip of up to 2 s and the sound's time of flight) plus the room
// decay, so a response that starts up to 2.1 s late still has its full decay
// recorded. The first arrival is searched over the whole allowance.
//
// Alignment: with a loopback reference input (the output wired straight back
// to an input) time zero is where the reference's own response peaks, i.e.
// the moment the sweep left the output: the card's latency is removed and
// the acoustic time of flight stays in the response. Without one, time zero
// is the response's first arrival (deconvolution.h). Either way the impulse
// response returned has time zero at kPreDelaySamples (10 ms) and is
// kPreDelaySamples + decay samples long; everything earlier, where the
// harmonic distortion products are, is cut away.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "measure/deconvolution.h"
#include "measure/ir_views.h"
#include "measure/real_fft.h"

namespace zef::measure {

inline constexpr std::size_t kPreDelaySamples = 480;
inline constexpr std::size_t kPreRollSamples = 12000;
inline constexpr std::size_t kLatencyAllowanceSamples = 100800;

// Warning thresholds.
inline constexpr double kClipLevel = 0.999;          // |x| at or above counts as clipped
inline constexpr double kHeadroomLimitDb = -1.0;     // a peak above this leaves too little headroom
inline constexpr double kMinSignalToNoiseDb = 20.0;  // sweep RMS over background-noise RMS (DC removed)
inline constexpr double kMinPeakToTailDb = 30.0;     // response peak over the RMS of its last tenth

struct SweepTiming {
    std::size_t sweepLength = 0;
    std::size_t decay = 0;  // room decay recorded after the sweep, samples
    std::size_t RecordingLength() const {
        return kPreRollSamples + sweepLength + kLatencyAllowanceSamples + decay;
    }
    std::size_t ImpulseLength() const { return kPreDelaySamples + decay; }
};

struct SweepRecording {
    std::vector<float> input;      // the microphone, RecordingLength() samples
    std::vector<float> reference;  // the loopback reference, or empty
};

struct MeasurementQuality {
    double inputPeak = 0.0;  // linear, 1.0 = full scale
    std::size_t clippedSamples = 0;
    double noiseRms = 0.0;         // input during the pre-roll
    double signalRms = 0.0;        // input while the sweep's response arrives
    double signalToNoiseDb = 0.0;  // +infinity for a digitally silent pre-roll
    double peakToTailDb = 0.0;     // impulse response peak over the RMS of its last tenth
    std::size_t nonFiniteSamples = 0;  // NaN or infinite samples in the input or the reference
    // The input clock's rate over the output's minus one, ppm: estimated on the
    // loopback reference only (measure/clock_drift.h).
    std::optional<double> driftPpm;
};

// The texts for the user that `q` calls for, most serious first; empty when
// the measurement can be trusted.
std::vector<std::string> QualityWarnings(const MeasurementQuality& q);

// A response's largest peak over the RMS of its last tenth, dB.
double PeakToTailDb(std::span<const double> response);

// The mean of several responses of one position, each with its time zero at
// kPreDelaySamples (so already aligned), sample by sample over the shortest
// of them: noise that differs from sweep to sweep falls by 10 log10 N dB.
// Empty for none.
std::vector<double> AverageResponses(std::span<const std::vector<double>> responses);

struct SweepResult {
    std::string error;  // "" when the response was computed
    std::vector<double> impulseResponse;
    IrViews views;
    MeasurementQuality quality;
    std::vector<std::string> warnings;
    double delaySeconds =
        0.0;  // time zero after the sweep's start: latency (+ flight time without reference)
    bool alignedByReference = false;
};

class SweepAnalysis {
public:
    // Plans the transforms (planning thread only, see real_fft.h).
    SweepAnalysis(std::vector<double> sweep, std::vector<double> inverse, SweepTiming timing);

    // Transforms the inverse filter; call once, on any thread, before Analyse.
    void Prepare();
    // Any thread, one at a time.
    SweepResult Analyse(const SweepRecording& recording);

    const SweepTiming& timing() const { return timing_; }
    SweepDeconvolver& deconvolver() { return deconvolver_; }

private:
    SweepTiming timing_;
    SweepDeconvolver deconvolver_;
    RealFft plotFft_;
};

}  // namespace zef::measure
