#pragma once
// Page 6 of the FIR wizard, "Calculate FIR": the design settings as up/down
// labels and two frequency boxes, "Calculate FIR" and its four curves (IR,
// FIR, IRxFIR, Target; with "Magn & Phase" their phases too), the EQ target
// and the wizard files. A changed setting makes "Calculate FIR" blink.

#include <functional>
#include <string>

#include "app/wizard_settings.h"
#include "ui/fir_wizard_page.h"

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;

namespace zef {

class Dialogs;
class FirHouseControls;
class FirWizardRun;
class Stepper;

class FirWizardCalculatePage final : public FirWizardPage {
    Q_OBJECT
public:
    FirWizardCalculatePage(FirWizardRun& run, Dialogs& dialogs, std::string wizardFolder);

    bool Complete() const override;
    void Refresh(bool idle) override;
    // Shows the run's settings in the controls.
    void ShowSettings();

    void ClickCalculate();
    void ClickEqTarget();
    void ClickSaveWizard();
    void ClickOpenWizard();
    FirHouseControls* house() const { return house_; }

protected:
    // The frequency boxes take digits, Backspace and Enter only.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* BuildSettings();
    void BuildWizardFiles(QGridLayout* g, int& row, QWidget* box);
    QLayout* BuildGraphs();
    void ConnectSteppers();
    // A step of `stepper` changes the settings by `apply` (normalised after).
    void ConnectStep(Stepper* stepper,
                     std::function<void(wizard::DesignSettings& settings, int delta)> apply);
    void CommitFrequencyBox(QLineEdit* box);
    void ShowDesignCurves();

    FirWizardRun& run_;
    Dialogs& dialogs_;
    std::string wizardFolder_;
    Stepper* winLen_ = nullptr;
    QLineEdit* minFreq_ = nullptr;
    QLineEdit* maxFreq_ = nullptr;
    Stepper* smoothType_ = nullptr;
    Stepper* smoothWidth_ = nullptr;
    Stepper* smoothThr_ = nullptr;
    QLabel* smoothThrCaption_ = nullptr;
    Stepper* precision_ = nullptr;
    Stepper* latency_ = nullptr;
    Stepper* mode_ = nullptr;
    Stepper* taps_ = nullptr;
    QLabel* newTaps_ = nullptr;
    QPushButton* calculate_ = nullptr;
    QPushButton* eqTarget_ = nullptr;
    FirHouseControls* house_ = nullptr;
    QPushButton* saveWizard_ = nullptr;
    QPushButton* openWizard_ = nullptr;
    QLabel* nameFile_ = nullptr;
    QCheckBox* magnPhase_ = nullptr;
    WizardGraphs graphs_;
};

}  // namespace zef
