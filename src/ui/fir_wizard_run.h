#pragma once
// FirWizardRun: what the FIR wizard's pages share. The wizard's state (the
// IR, the design settings, the EQ target), the sound cards, the measurement
// and the design presenters, the measuring choices of the wiring page, and
// the timers: the progress and time-out timers of the one measuring action
// that may run, and the blink of "Calculate FIR" after a setting changed.
// Pages act on it; its signals tell every page what happened.

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/wizard_design.h"
#include "app/wizard_files.h"
#include "app/wizard_measurement.h"

namespace zef {

class AudioDeviceManager;
class MeasurementEngine;
namespace audio {
class System;
}

class FirWizardRun final : public QObject {
    Q_OBJECT
public:
    // `audio` null: a machine without sound cards. `sweepFolder` is made.
    FirWizardRun(audio::System* audio, Dialogs& dialogs, dsp::ResponseCalculator& calculator,
                 const std::string& sweepFolder, wizard::WizardState start);
    ~FirWizardRun() override;

    // The start state with its settings normalised.
    wizard::WizardState state;
    // The card and channels chosen on the wiring page, and the room decay:
    // the measurement and the verification use them.
    wizard::CardSelection cards;
    std::string cardName;  // the chosen card's name
    int roomDecaySeconds = 2;
    // Where the calibrations per card input are kept (empty: none).
    std::string dataFolder;

    // Gives the measurement the calibration kept for input `input` of the
    // card named `cardName`; false (and the reader's message) when a file of
    // it cannot be read.
    bool Calibrate(const std::string& cardName, int input);
    Dialogs& dialogs() { return dialogs_; }

    AudioDeviceManager& devices() { return *devices_; }
    wizard::Measurement& measurement() { return *measurement_; }
    const wizard::Measurement& measurement() const { return *measurement_; }
    wizard::Design& design() { return *design_; }
    const wizard::Design& design() const { return *design_; }
    bool idle() const;

    // A measuring action has just started: runningChanged(true), and the
    // progress and time-out timers run.
    void Started();
    // The IR the design uses (measured or loaded; one position); irChanged().
    void SetImpulseResponse(std::vector<double> ir);
    // Several microphone positions' IRs, the first the main one; irChanged().
    void SetPositions(std::vector<std::vector<double>> irs);
    // A new design is there; designChanged().
    void Designed();
    // A design setting changed: "Calculate FIR" blinks until StopBlink.
    void SettingChanged();
    // The blink ends with both buttons plain.
    void StopBlink();
    void StopTimers();

    QTimer& progressTimer() { return progressTimer_; }
    QTimer& timeoutTimer() { return timeoutTimer_; }
    QTimer& blinkTimer() { return blinkTimer_; }

    // Timer handlers.
    void ProgressTick();
    void TimeoutTick();
    void BlinkTick();

signals:
    // The running action's progress; the tick that ends it is followed by
    // runningChanged(false).
    void ticked(wizard::Action action, const wizard::Measurement::Tick& tick);
    // The running action was abandoned; runningChanged(false) follows.
    void timedOut(wizard::Action action);
    void runningChanged(bool running);
    void irChanged();
    void designChanged();
    // The style sheet of a blinking button now (empty: plain).
    void blinked(const QString& style);

private:
    Dialogs& dialogs_;
    std::unique_ptr<audio::System> ownAudio_;
    std::unique_ptr<AudioDeviceManager> devices_;
    std::unique_ptr<MeasurementEngine> engine_;
    std::unique_ptr<wizard::Measurement> measurement_;
    std::unique_ptr<wizard::Design> design_;
    QTimer progressTimer_, timeoutTimer_, blinkTimer_;
    bool blinkOn_ = false;
};

}  // namespace zef
