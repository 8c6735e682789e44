#include "ui/fir_wizard_measure.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "app/measurement_saving.h"
#include "app/wizard_texts.h"
#include "audio/device_manager.h"
#include "measure/sweep_analysis.h"
#include "ui/fir_wizard_run.h"

namespace zef {

namespace t = wizard_text;

FirWizardMeasurePage::FirWizardMeasurePage(FirWizardRun& run, std::function<bool()> deviceOnline,
                                           std::string folder)
    : run_(run), deviceOnline_(std::move(deviceOnline)), folder_(std::move(folder)) {
    auto* v = new QVBoxLayout(this);
    auto* text = new QLabel(t::kMeasureHint, this);
    text->setWordWrap(true);
    v->addWidget(text);
    auto* row = new QHBoxLayout;
    measure_ = new QPushButton(t::kMeasureIr, this);
    measure_->setObjectName("BtnMeasureIR");
    measure_->setMinimumWidth(160);
    peakMis_ = new QLabel(t::kPeakLevelNone, this);
    peakMis_->setObjectName("LblPeakMis");
    row->addWidget(measure_);
    row->addWidget(peakMis_);
    row->addStretch(1);
    saveWav_ = new QPushButton("Save WAV…", this);
    saveWav_->setObjectName("BtnSaveIrWav");
    saveResponse_ = new QPushButton("Save Response…", this);
    saveResponse_->setObjectName("BtnSaveIrResponse");
    row->addWidget(saveWav_);
    row->addWidget(saveResponse_);
    saveWav_->setEnabled(false);
    saveResponse_->setEnabled(false);
    v->addLayout(row);
    measureProgress_ = new QProgressBar(this);
    measureProgress_->setObjectName("ProgressMeasure");
    measureProgress_->setRange(0, 100);
    measureProgress_->setValue(0);
    v->addWidget(measureProgress_);
    warnings_ = new QLabel(this);
    warnings_->setObjectName("LblWarnings");
    warnings_->setWordWrap(true);
    warnings_->setStyleSheet("QLabel { color: rgb(190, 90, 0); }");
    v->addWidget(warnings_);
    v->addStretch(1);
    connect(measure_, &QPushButton::clicked, this, &FirWizardMeasurePage::ClickMeasure);
    connect(saveWav_, &QPushButton::clicked, this, &FirWizardMeasurePage::ClickSaveWav);
    connect(saveResponse_, &QPushButton::clicked, this, &FirWizardMeasurePage::ClickSaveResponse);
    connect(&run_, &FirWizardRun::ticked, this, &FirWizardMeasurePage::Ticked);
    connect(&run_, &FirWizardRun::timedOut, this, [this] { measure_->setText(t::kMeasureIr); });
}

void FirWizardMeasurePage::Refresh(bool idle) {
    measure_->setEnabled(idle && run_.cards.complete());
    const bool measured = idle && measured_ && !run_.measurement().ir().empty();
    saveWav_->setEnabled(measured);
    saveResponse_->setEnabled(measured);
}

void FirWizardMeasurePage::ClickSaveWav() {
    SaveImpulseWav(run_.dialogs(), run_.measurement().ir(), kMeasurementSampleRate, folder_);
}

void FirWizardMeasurePage::ClickSaveResponse() {
    SaveResponseText(run_.dialogs(), run_.measurement().ir(), measure::kPreDelaySamples, kMeasurementSampleRate,
                     folder_);
}

void FirWizardMeasurePage::ClickMeasure() {
    if (!run_.Calibrate(run_.cardName, run_.cards.input)) return;
    if (!run_.measurement().StartMeasure(run_.cards, run_.roomDecaySeconds, deviceOnline_())) return;
    measure_->setText(t::kMeasuringIr);
    peakMis_->setText(t::kPeakLevelNone);
    measureProgress_->setValue(0);
    warnings_->clear();
    run_.Started();
}

void FirWizardMeasurePage::Ticked(wizard::Action action, const wizard::Measurement::Tick& tick) {
    if (action != wizard::Action::Measure) return;
    if (tick.state == MeasurementEngine::State::Recording) {
        peakMis_->setText(WizardPeakLevelText(tick.peakDbfs));
        measureProgress_->setValue(tick.progress);
    } else if (tick.state == MeasurementEngine::State::Computing) {
        measure_->setText(t::kComputingIr);
    }
    if (tick.finished) Finished(tick.ok);
}

void FirWizardMeasurePage::Finished(bool ok) {
    measure_->setText(t::kMeasureIr);
    measureProgress_->setValue(100);
    if (!ok) return;
    measured_ = true;
    run_.SetImpulseResponse(run_.measurement().ir());
    QStringList w;
    for (const std::string& s : run_.measurement().warnings()) w << QString::fromStdString(s);
    warnings_->setText(w.join("\n"));
}

}  // namespace zef
