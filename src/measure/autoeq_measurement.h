#pragma once
// The automatic equaliser on a real-time analyser: the device plays pink
// noise, the analyser delivers third-octave spectra of the microphone, this
// engine checks the level, averages, and fits the 30 output bands
// (autoeq_fit.h).
//
// Level. The mic level is the power sum of the 30 band levels (the input's
// level within 22 Hz .. 22 kHz, in the analyser's dB, dBFS). During Start,
// after the first settleSeconds (the generator and the analyser's own
// averaging coming up; those spectra are neither checked nor used), every
// spectrum must keep the mic level within [tooLowDb, tooHighDb]:
// above -1 dBFS the measurement stops with kInputTooHigh (pink noise peaks
// some 10 dB above its mean level, so the converter is clipping), below
// -30 dBFS with kInputTooLow (the 25 Hz band then sits too near the
// microphone's noise).
//
// Averaging time. The band levels are power-averaged over averageSeconds =
// 20 s. The relative spread of a noise band's power measured over T seconds
// is 1 / sqrt(B T) for a band B Hz wide; the 25 Hz third-octave band is
// 5.8 Hz wide, so 20 s give 1 / sqrt(116) = 9 %, +-0.40 dB (one standard
// deviation): below one gain step (0.5 dB). From 63 Hz up it is within
// +-0.25 dB, from 250 Hz up within +-0.13 dB. 0.25 dB at 25 Hz would take
// 52 s; 20 s is the longest average that, with the settling and the fit,
// stays well inside the wizard's 25 s time-out.
//
// Threads. Handlers run inside the analyser's spectrum delivery (the window
// thread). The fit runs on a worker thread; its result is taken over, the
// analyser stopped and kFinished reported at the next spectrum after the fit
// ends (spectra keep coming every fraction of a second), so every handler
// call stays on the window thread. Stop() waits for a running fit (well under
// a second). The analyser must outlive the engine, and must allow Stop() from
// inside its own spectrum delivery.

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "measure/analyser.h"
#include "measure/autoeq_engine.h"
#include "measure/autoeq_fit.h"

namespace zef::measure {

struct AutoEqEngineOptions {
    double averageSeconds = 20.0;
    double settleSeconds = 0.5;
    double tooHighDb = -1.0;
    double tooLowDb = -30.0;
    int maxCutHalfDb = 0;  // the largest cut in 0.5 dB steps; 0 = the same as the boost
    // The target's shape per band (a house curve; zeros = flat): the fit
    // brings the levels to this shape, at whatever overall level suits it.
    BandSpectrum targetShapeDb{};
    // Monotonic time in seconds; steady_clock when empty.
    std::function<double()> clock;
};

// The mic level of a spectrum: 10 log10 of the sum of the bands' powers.
double MicLevelOf(const BandSpectrum& levelsDb);

class AnalyserAutoEqEngine final : public AutoEqEngine {
public:
    enum class State {
        Idle,      // nothing running
        Live,      // mic test or live analysis: level and spectrum only
        Settling,  // Start: waiting settleSeconds
        Averaging,
        Fitting,   // the worker fits; the analyser still runs
        Finished,  // results ready, analyser stopped
    };

    explicit AnalyserAutoEqEngine(RealTimeAnalyser& analyser, AutoEqEngineOptions options = {});
    ~AnalyserAutoEqEngine() override;
    AnalyserAutoEqEngine(const AnalyserAutoEqEngine&) = delete;
    AnalyserAutoEqEngine& operator=(const AnalyserAutoEqEngine&) = delete;

    void SetSpectrumHandler(SpectrumHandler handler) override { spectrumHandler_ = std::move(handler); }
    void SetProgressHandler(ProgressHandler handler) override { progressHandler_ = std::move(handler); }

    // Both run the analyser and report every spectrum (kRunning) until Stop;
    // no level check, no fit.
    std::string MicTest(int device, int input) override;
    std::string LiveAnalysis(int device, int input) override;
    void Stop() override;

    // `maxGainHalfDb` is clamped to 1..30 (written back); the band range is
    // put in order and clamped to 0..29. The analyser's refusal text is
    // returned as it is.
    std::string Start(int device, int input, int& maxGainHalfDb, int minBand, int maxBand) override;

    double MicLevelDb() override { return micLevelDb_; }
    BandSpectrum Spectrum() override { return spectrum_; }
    // The averaged band levels and the fitted filters of the last finished
    // Start; zeros before.
    AutoEqResult Results() override { return results_; }

    // Several microphone positions: the levels measured at the earlier
    // positions. The next Start averages its own levels with them (power
    // average) and fits the average; Results().levelsDb is then the average
    // and positionLevels() this position's own levels. Empty (the default):
    // one position. Kept until changed.
    void SetEarlierPositions(std::vector<BandSpectrum> levels) { earlier_ = std::move(levels); }
    const BandSpectrum& positionLevels() const { return ownLevels_; }

    State state() const { return state_; }
    // The last finished fit with its predicted equaliser and residual per band.
    const AutoEqFit& fit() const { return fit_; }

private:
    void OnSpectrum(const BandSpectrum& levelsDb);
    std::string RunAnalyser(int device, int input, State state);
    void Fail(int progress);
    void JoinWorker();
    double Now() const;

    RealTimeAnalyser& analyser_;
    AutoEqEngineOptions options_;
    SpectrumHandler spectrumHandler_;
    ProgressHandler progressHandler_;

    State state_ = State::Idle;
    double micLevelDb_ = -200;
    BandSpectrum spectrum_{};
    double startTime_ = 0;
    double averageStart_ = 0;
    std::array<double, kAnalyserBandCount> powerSum_{};
    int blocks_ = 0;
    AutoEqRange range_;

    BandSpectrum averaged_{};
    BandSpectrum ownLevels_{};
    std::vector<BandSpectrum> earlier_;
    std::thread worker_;
    std::atomic<bool> fitDone_{false};
    AutoEqFit pending_;  // written by the worker, read after fitDone_
    AutoEqFit fit_;
    AutoEqResult results_;
};

}  // namespace zef::measure
