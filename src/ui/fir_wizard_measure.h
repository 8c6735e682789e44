#pragma once
// Page 4 of the FIR wizard, "Measure Impulse Response": "Measure IR" with the
// wiring page's choices, its progress, the peak level and the engine's
// warnings. A measured IR becomes the run's IR.

#include <functional>

#include "ui/fir_wizard_page.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace zef {

class FirWizardRun;

class FirWizardMeasurePage final : public FirWizardPage {
    Q_OBJECT
public:
    // `deviceOnline` tells whether the amplifier is on-line now.
    FirWizardMeasurePage(FirWizardRun& run, std::function<bool()> deviceOnline);

    bool Complete() const override { return measured_; }
    void Refresh(bool idle) override;
    void ClickMeasure();

private:
    void Ticked(wizard::Action action, const wizard::Measurement::Tick& tick);
    void Finished(bool ok);

    FirWizardRun& run_;
    std::function<bool()> deviceOnline_;
    QPushButton* measure_ = nullptr;
    QProgressBar* measureProgress_ = nullptr;
    QLabel* peakMis_ = nullptr;
    QLabel* warnings_ = nullptr;
    bool measured_ = false;
};

}  // namespace zef
