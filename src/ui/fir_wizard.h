#pragma once
// FirWizardWindow ("FIR Wizard"): from a measured loudspeaker to a FIR on one of
// the two FIR-capable outputs of a device, verified. Seven pages:
//   1 "Welcome to FIR Wizard"        open an IR file, or tick the conditions to measure
//   2 "Measurement geometry"         the three set-ups; tick to go on
//   3 "Wiring and levels"            card, LINE OUT, MIC IN, control panel, room decay, "Test"
//   4 "Measure Impulse Response"     "Measure IR", progress, peak
//   5 "View Impulse Response"        the IR in time and frequency, "Save"
//   6 "Calculate FIR"                the design settings, "Calculate FIR", the four curves
//   7 "Compare FIR and Store on DSP" verify, compare with a FIR file, save, store
// The presenters (app/wizard_*.h) hold the rules and ask every question; this
// window shows them. Closing asks whether to keep the wizard's state for the
// device (app/wizard_files.h).
//
// Entry point for the output EQ/FIR editor's "Wizard" menu: OpenFirWizard.

#include <QDialog>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/wizard_design.h"
#include "app/wizard_files.h"
#include "app/wizard_measurement.h"
#include "app/wizard_settings.h"
#include "model/slots.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace zef {

class AudioDeviceManager;
class EditorSession;
class MeasurementEngine;
class Stepper;
class VuMeter;
class XyPlot;
namespace audio {
class System;
}

class FirWizardWindow final : public QDialog {
    Q_OBJECT
public:
    enum Page { kWelcome, kGeometry, kWiring, kMeasure, kView, kCalculate, kCompare, kPageCount };

    // The wizard for FIR slot `firSlot` (0 = output 1, 1 = output 2) of
    // device `slot`. `audio` replaces the session's sound cards (tests); null
    // takes session.audio(). The kept state of the device, if any, is loaded.
    FirWizardWindow(EditorSession& session, DeviceSlot slot, int firSlot, audio::System* audio = nullptr,
                 QWidget* parent = nullptr);
    ~FirWizardWindow() override;

    int page() const;
    void GoTo(int page);
    void ClickNext();
    void ClickBack();

    // The buttons' actions.
    void ClickOpenIr();
    void ClickTest();
    void ClickMeasure();
    void ClickSaveIr();
    void ClickCalculate();
    void ClickEqTarget();
    void ClickSaveWizard();
    void ClickOpenWizard();
    void ClickVerify();
    void ClickOpenFir();
    void ClickSaveFir();
    void ClickStore();

    // Timer handlers.
    void ProgressTick();
    void TimeoutTick();
    void BlinkTick();

    QTimer& progressTimer() { return progressTimer_; }
    QTimer& timeoutTimer() { return timeoutTimer_; }
    QTimer& blinkTimer() { return blinkTimer_; }

    wizard::DesignSettings& settings() { return state_.settings; }
    const wizard::WizardState& state() const { return state_; }
    const wizard::Design& design() const { return *design_; }
    const wizard::Measurement& measurement() const { return *measurement_; }
    // The IR the design uses (measured or loaded).
    void SetImpulseResponse(std::vector<double> ir);
    // Shows the settings in the design page's controls.
    void ShowSettings();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Pages (fir_wizard_intro.cpp, fir_wizard_ir.cpp, fir_wizard_design.cpp,
    // fir_wizard_compare.cpp).
    QWidget* BuildWelcome();
    QWidget* BuildGeometry();
    QWidget* BuildWiring();
    QWidget* BuildMeasure();
    QWidget* BuildView();
    QWidget* BuildCalculate();
    QWidget* BuildCompare();

    void FillDeviceList(QComboBox* devices);
    void DeviceChosen(QComboBox* devices, QComboBox* outputs, QComboBox* inputs, QLabel* shown);
    wizard::CardSelection Selection(QComboBox* devices, QComboBox* outputs, QComboBox* inputs) const;
    void UpdateNavigation();
    void SetRunning(bool running);
    void StartTimers();
    void StopTimers();
    void ShowIrGraphs();
    void ShowDesignCurves();
    void ShowCompareCurves();
    void SettingChanged();
    void CommitFrequencyBox(QLineEdit* box);
    bool ConfirmClose();

    EditorSession& session_;
    DeviceSlot slot_;
    int firSlot_;
    std::string sweepFolder_;
    std::unique_ptr<audio::System> ownAudio_;
    std::unique_ptr<AudioDeviceManager> devices_;
    std::unique_ptr<MeasurementEngine> engine_;
    std::unique_ptr<wizard::Measurement> measurement_;
    std::unique_ptr<wizard::Design> design_;
    wizard::WizardState state_;
    bool closing_ = false;

    QTimer progressTimer_, timeoutTimer_, blinkTimer_;
    bool blinkOn_ = false;

    QLabel* title_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* exit_ = nullptr;

    // 1
    QRadioButton* openIrChoice_ = nullptr;
    QRadioButton* measureChoice_ = nullptr;
    std::vector<QCheckBox*> conditions_;
    // 2
    QCheckBox* geometryOk_ = nullptr;
    // 3
    QComboBox* devCombo_ = nullptr;
    QComboBox* outCombo_ = nullptr;
    QComboBox* inCombo_ = nullptr;
    QLabel* lblAsio_ = nullptr;
    QPushButton* panel_ = nullptr;
    Stepper* roomDecay_ = nullptr;
    int roomDecaySeconds_ = 2;
    QPushButton* test_ = nullptr;
    QLabel* measureStatus_ = nullptr;
    QProgressBar* testProgress_ = nullptr;
    QLabel* peakValue_ = nullptr;
    VuMeter* vu_ = nullptr;
    // 4
    QPushButton* measure_ = nullptr;
    QProgressBar* measureProgress_ = nullptr;
    QLabel* peakMis_ = nullptr;
    QLabel* warnings_ = nullptr;
    bool measured_ = false;
    // 5
    XyPlot* irTime_ = nullptr;
    XyPlot* irFreq_ = nullptr;
    QPushButton* saveIr_ = nullptr;
    // 6
    Stepper* winLen_ = nullptr;
    QLineEdit* minFreq_ = nullptr;
    QLineEdit* maxFreq_ = nullptr;
    Stepper* smoothType_ = nullptr;
    Stepper* smoothWidth_ = nullptr;
    Stepper* smoothThr_ = nullptr;
    Stepper* precision_ = nullptr;
    Stepper* latency_ = nullptr;
    Stepper* mode_ = nullptr;
    Stepper* taps_ = nullptr;
    QLabel* newTaps_ = nullptr;
    QPushButton* calculate_ = nullptr;
    QPushButton* eqTarget_ = nullptr;
    QLabel* nameFile_ = nullptr;
    QCheckBox* magnPhase_ = nullptr;
    XyPlot* calcTime_ = nullptr;
    XyPlot* calcFreq_ = nullptr;
    // 7
    QComboBox* devVerify_ = nullptr;
    QComboBox* outVerify_ = nullptr;
    QComboBox* inVerify_ = nullptr;
    QLabel* lblAsioVerify_ = nullptr;
    QPushButton* verify_ = nullptr;
    QPushButton* openFir_ = nullptr;
    QPushButton* saveFir_ = nullptr;
    QPushButton* store_ = nullptr;
    QProgressBar* storeProgress_ = nullptr;
    QLabel* verifyStatus_ = nullptr;
    XyPlot* verifyTime_ = nullptr;
    XyPlot* verifyFreq_ = nullptr;
};

// Opens the wizard for `output` (kOutput1 or kOutput2) of device `slot` as
// a modal window and returns when it closes. The output EQ/FIR editor's
// "Wizard" menu calls this and then refreshes its FIR read-outs.
void OpenFirWizard(EditorSession& session, DeviceSlot slot, ChannelCode output, QWidget* parent = nullptr);

}  // namespace zef
