#pragma once
// AutoEqWindow's work without its widgets: one output's automatic equaliser.
//
//   Settings --Start--> Running --finished--> Result --Apply--> Applied
//       ^                  |  too high / too low / time-out / close
//       +------------------+  (the device is restored from the model)
//
// Start puts the device into the measuring state (generator on at the chosen
// level, the other output muted, the output's EQ bypassed, gates, compressor
// and dynamic filter off: commands built from a copy of the model, so the
// model keeps the user's values), waits settleMs for the generator, starts
// the engine and a time-out of timeoutMs. Whichever way Running ends —
// finished, level refused, time-out, Close — the same commands are sent again
// from the model. Mic Test and Verify hold the same measuring state (EQ
// bypass included) while they run and restore the device when they stop;
// Verify is offered once the result has been applied.
//
// Several microphone positions (settings().positions, 1..8): each position
// is measured in turn; between two, the generator keeps playing and the user
// is asked to move the microphone (OK measures there, Cancel ends the run
// as a time-out would, without a message). The fit is of the positions'
// power average; the spread per band is kept beside it.
//
// Messages and the close question go through the context's dialogs. Every
// engine event is handled from the event loop, never inside the engine's own
// call, so restoring the device (an exchange) never runs inside the
// analyser's delivery.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/measure_context.h"
#include "base/signal.h"
#include "device/measuring_state.h"
#include "dsp/grid.h"
#include "measure/autoeq_measurement.h"
#include "measure/calibration.h"
#include "measure/card_analyser.h"
#include "model/slots.h"

namespace zef {

struct AutoEqTimings {
    int settleMs = 200;
    int timeoutMs = 25000;
    measure::AutoEqEngineOptions engine{};
};

class AutoEqWizard {
public:
    enum class Phase { Settings, Running, Result, Applied };
    // What runs besides the fit: nothing, the mic test, or the live analysis.
    enum class Live { Off, MicTest, Verify };

    AutoEqWizard(const MeasureContext& context, DeviceSlot slot, ChannelCode output,
                 AutoEqTimings timings = {});
    ~AutoEqWizard();  // Close() without the question
    AutoEqWizard(const AutoEqWizard&) = delete;
    AutoEqWizard& operator=(const AutoEqWizard&) = delete;

    // The generator level v (0..80, shown as v - 80 dBu): kept in the
    // measuring settings; sent at once while the generator plays.
    void SetNoiseLevel(int v);

    // "Mic Test" starts it, a second call (or Start, or Close) stops it.
    void ToggleMicTest();
    // "Start": false when it did not start (the reason was shown).
    bool Start();
    // "Verify" / "Stop", after Apply: live analysis in the measuring state.
    void ToggleVerify();
    // "Apply": the 30 filters into the output's bands (model and device);
    // the editors are told to refresh. False (and a message) on a failed send.
    bool Apply();
    // The window is closing: stops whatever runs (restoring the device) and,
    // with `ask` and an unapplied result, asks "Do you want to apply AutoEq
    // filters?" (Yes applies). Always lets the window close.
    void Close(bool ask = true);

    Phase phase() const { return phase_; }
    Live live() const { return live_; }
    // How long a run takes (settling, the engine's settling and its
    // average) and how far the running one is, for a progress read-out.
    double runSeconds() const;
    double runElapsedSeconds() const;
    bool measuring() const { return measuringSetup_.has_value(); }
    ChannelCode output() const { return output_; }
    // The position being measured (1-based) and how many the run has.
    int position() const { return static_cast<int>(positions_.size()) + 1; }
    int positionCount() const { return positionCount_; }
    // True while the run waits for the user to move the microphone to
    // position(): nothing is measured then.
    bool awaitingMove() const { return awaitingMove_; }
    // The last result's levels at each position (one entry for a single
    // position) and their spread (largest minus smallest) per band.
    const std::vector<BandSpectrum>& positionLevels() const { return positions_; }
    const BandSpectrum& spread() const { return spread_; }
    DeviceSlot slot() const { return slot_; }

    // The latest 30 band levels and microphone level (dBFS); -100 when cleared.
    const BandSpectrum& levels() const { return levels_; }
    double micLevelDb() const { return micLevelDb_; }
    // The last result: its band levels, filters, the overall EQ and the
    // measurement as curves (see measure_rules.h), and the deviation (rms dB
    // over the band range) of the measurement.
    const AutoEqResult& result() const { return result_; }
    const dsp::Curve& overallEq() const { return overallEq_; }
    const dsp::Curve& measuredCurve() const { return measuredCurve_; }
    double measuredDeviationDb() const { return measuredDeviation_; }
    // Power average of the spectra since Verify started, and its deviation.
    const BandSpectrum& verifiedLevels() const { return verified_; }
    double verifiedDeviationDb() const;
    int verifiedSpectra() const { return verifiedCount_; }
    // The band range and gain limit the result was fitted with.
    int minBand() const { return minBand_; }
    int maxBand() const { return maxBand_; }

    // Fired on the window thread.
    Signal<> levelsChanged;  // levels and mic level
    Signal<> changed;        // phase, live state, result
    // The settings page should be shown again (after an error or time-out).
    Signal<> backToSettings;

    measure::AnalyserAutoEqEngine* engine() { return engine_.get(); }
    // The target's band shape the last run was fitted to (zeros: flat), and
    // as a curve placed like measuredCurve().
    const BandSpectrum& targetShape() const { return targetShape_; }
    const dsp::Curve& targetCurve() const { return targetCurve_; }
    bool targetFlat() const { return targetShape_ == BandSpectrum{}; }

private:
    // A fresh engine on the chosen input's kept calibration and the target;
    // false (a message under `title`) when a file of either cannot be read.
    bool MakeEngine(const char* title);
    void OnSpectrum();
    void OnProgress(int progress);
    // Ends a run back on the settings, the device restored; shows `text`
    // under `title` unless `title` is null.
    void Fail(const char* title, const char* text);
    void Finish();
    // A position other than the last is measured: asks the user to move the
    // microphone and measures the next one, or ends the run.
    void NextPosition();
    void BeginStart();
    bool EnterState(EqDuringMeasurement eq);
    void LeaveState();
    void StopLive();
    void ClearLevels();
    // Levels less the target's shape: what the deviation is judged on.
    BandSpectrum FromTarget(const BandSpectrum& levelsDb) const;

    MeasureContext measuring_;
    DeviceSlot slot_;
    ChannelCode output_;
    AutoEqTimings timings_;
    QObject context_;
    QTimer settle_;
    QTimer timeout_;
    std::unique_ptr<measure::CardAnalyser> analyser_;
    std::unique_ptr<measure::CalibratedAnalyser> calibrated_;
    std::unique_ptr<measure::AnalyserAutoEqEngine> engine_;
    std::optional<MeasuringSetup> measuringSetup_;

    std::chrono::steady_clock::time_point runStarted_{};
    Phase phase_ = Phase::Settings;
    Live live_ = Live::Off;
    BandSpectrum levels_{};
    double micLevelDb_ = -100;
    AutoEqResult result_{};
    BandSpectrum targetShape_{};
    BandSpectrum pendingShape_{};  // the running engine's target
    dsp::Curve overallEq_{};
    dsp::Curve measuredCurve_{};
    dsp::Curve targetCurve_{};
    double measuredDeviation_ = 0;
    int positionCount_ = 1;
    bool awaitingMove_ = false;
    std::vector<BandSpectrum> positions_;
    BandSpectrum spread_{};
    int minBand_ = 0;
    int maxBand_ = 29;
    int maxGainHalfDb_ = 12;
    std::array<double, kAnalyserBandCount> verifiedPower_{};
    BandSpectrum verified_{};
    int verifiedCount_ = 0;
};

}  // namespace zef
