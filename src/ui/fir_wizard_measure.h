#pragma once
// Page 4 of the FIR wizard, "Measure Impulse Response": "Measure IR" with the
// wiring page's choices, its progress, the peak level and the engine's
// warnings. A measured IR becomes the run's IR, and can be saved as a WAV
// ("Save WAV…") or as a frequency response ("Save Response…").

#include <functional>
#include <string>

#include "ui/fir_wizard_page.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace zef {

class FirWizardRun;

class FirWizardMeasurePage final : public FirWizardPage {
    Q_OBJECT
public:
    // `deviceOnline` tells whether the amplifier is on-line now; saves start in `folder`.
    FirWizardMeasurePage(FirWizardRun& run, std::function<bool()> deviceOnline, std::string folder = {});

    bool Complete() const override { return measured_; }
    void Refresh(bool idle) override;
    void ClickMeasure();
    void ClickSaveWav();
    void ClickSaveResponse();
    QPushButton* saveWavButton() const { return saveWav_; }
    QPushButton* saveResponseButton() const { return saveResponse_; }

private:
    void Ticked(wizard::Action action, const wizard::Measurement::Tick& tick);
    void Finished(bool ok);

    FirWizardRun& run_;
    std::function<bool()> deviceOnline_;
    std::string folder_;
    QPushButton* measure_ = nullptr;
    QPushButton* saveWav_ = nullptr;
    QPushButton* saveResponse_ = nullptr;
    QProgressBar* measureProgress_ = nullptr;
    QLabel* peakMis_ = nullptr;
    QLabel* warnings_ = nullptr;
    bool measured_ = false;
};

}  // namespace zef
