#pragma once
// Page 3 of the FIR wizard, "Wiring and levels": the sound card and its
// channels, the card's control panel, the room decay, and the microphone
// test ("Test") with its progress, peak read-out and VU meter. The choices
// go into the run's measuring choices.

#include "ui/fir_wizard_page.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace zef {

class CalibrationButton;
class FirWizardRun;
class Stepper;
class VuMeter;

class FirWizardWiringPage final : public FirWizardPage {
    Q_OBJECT
public:
    explicit FirWizardWiringPage(FirWizardRun& run);

    bool Complete() const override;
    void Refresh(bool idle) override;
    // "Test": starts the microphone test with the chosen card.
    void ClickTest();
    CalibrationButton* calibration() const { return calibration_; }

signals:
    // A card was chosen (its index in a list of `count` entries).
    void cardChosen(int index, int count);

private:
    QWidget* BuildTest();
    void CardChosen();
    void ChannelChosen();
    void StepRoomDecay(int delta);
    void Ticked(wizard::Action action, const wizard::Measurement::Tick& tick);

    FirWizardRun& run_;
    WizardCardLists cards_;
    QPushButton* panel_ = nullptr;
    CalibrationButton* calibration_ = nullptr;
    Stepper* roomDecay_ = nullptr;
    QPushButton* test_ = nullptr;
    QLabel* measureStatus_ = nullptr;
    QProgressBar* testProgress_ = nullptr;
    QLabel* peakValue_ = nullptr;
    bool clipped_ = false;  // the last mic test reached full scale
    VuMeter* vu_ = nullptr;
};

}  // namespace zef
