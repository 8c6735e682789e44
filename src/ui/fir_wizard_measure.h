#pragma once
// Page 4 of the FIR wizard, "Measure Impulse Response": "Measure IR" with the
// wiring page's choices, its progress, the peak level and the engine's
// warnings. A measured IR becomes the run's IR, and can be saved as a WAV
// ("Save WAV…") or as a frequency response ("Save Response…").
//
// "Positions" and "Sweeps" above one make "Measure IR" a series: each
// position's sweeps are averaged, the window asks the user to move the
// microphone between positions, and the run's IR becomes the first
// position's with the others beside it (the magnitude mode corrects their
// power average). The spread per band is shown under the progress.

#include <functional>
#include <string>

#include "app/measure_series.h"
#include "ui/fir_wizard_page.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

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
    QSpinBox* positionsBox() const { return positions_; }
    QSpinBox* sweepsBox() const { return sweeps_; }
    const wizard::MeasureSeries& series() const { return series_; }

private:
    void Ticked(wizard::Action action, const wizard::Measurement::Tick& tick);
    void Finished(bool ok);
    // Starts one sweep of the series; false when it could not start.
    bool StartSweep();
    // The series is complete: the run takes its positions.
    void TakeSeries();

    FirWizardRun& run_;
    std::function<bool()> deviceOnline_;
    std::string folder_;
    QPushButton* measure_ = nullptr;
    QPushButton* saveWav_ = nullptr;
    QPushButton* saveResponse_ = nullptr;
    QProgressBar* measureProgress_ = nullptr;
    QLabel* peakMis_ = nullptr;
    QLabel* warnings_ = nullptr;
    QLabel* seriesText_ = nullptr;
    QSpinBox* positions_ = nullptr;
    QSpinBox* sweeps_ = nullptr;
    wizard::MeasureSeries series_;
    bool measured_ = false;
};

}  // namespace zef
