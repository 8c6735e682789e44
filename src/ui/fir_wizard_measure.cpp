#include "ui/fir_wizard_measure.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QVBoxLayout>

#include "app/measure_rules.h"
#include "app/measurement_saving.h"
#include "app/wizard_texts.h"
#include "audio/device_manager.h"
#include "measure/sweep_analysis.h"
#include "ui/fir_wizard_run.h"

namespace zef {

namespace t = wizard_text;

namespace {

// A "Positions"/"Sweeps" count box (1..most) with its label, added to `row`.
QSpinBox* AddCountBox(QWidget* parent, QHBoxLayout* row, const char* caption, const char* name, int most,
                      const char* tip) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(1, most);
    box->setToolTip(tip);
    auto* label = new QLabel(caption, parent);
    label->setBuddy(box);
    row->addWidget(label);
    row->addWidget(box);
    return box;
}

}  // namespace

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
    positions_ = AddCountBox(this, row, t::kPositionsCaption, "SpinPositions", wizard::kMaxPositions,
                             "Microphone positions to measure; between two, the wizard asks you to move the "
                             "microphone. The design corrects their power average.");
    sweeps_ = AddCountBox(this, row, t::kSweepsCaption, "SpinSweeps", wizard::kMaxSweeps,
                          "Sweeps averaged at each position: the noise falls by 3 dB for every doubling.");
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
    seriesText_ = new QLabel(this);
    seriesText_->setObjectName("LblSeries");
    v->addWidget(seriesText_);
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
    positions_->setEnabled(idle);
    sweeps_->setEnabled(idle);
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
    series_.Begin(positions_->value(), sweeps_->value());
    seriesText_->clear();
    warnings_->clear();
    StartSweep();
}

bool FirWizardMeasurePage::StartSweep() {
    if (!run_.measurement().StartMeasure(run_.cards, run_.roomDecaySeconds, deviceOnline_())) return false;
    measure_->setText(t::kMeasuringIr);
    peakMis_->setText(t::kPeakLevelNone);
    measureProgress_->setValue(0);
    seriesText_->setText(QString::fromStdString(series_.ProgressText()));
    run_.Started();
    return true;
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
    if (!ok) return seriesText_->clear();
    QStringList w;
    for (const std::string& s : run_.measurement().warnings()) w << QString::fromStdString(s);
    warnings_->setText(w.join("\n"));
    if (series_.single()) {
        measured_ = true;
        run_.SetImpulseResponse(run_.measurement().ir());
        return;
    }
    // The next step starts from the event loop: this runs inside the
    // progress tick that ended the sweep.
    QMetaObject::invokeMethod(
        this,
        [this, next = series_.Take(run_.measurement().ir())] {
            if (next == wizard::MeasureSeries::Next::Sweep) {
                StartSweep();
            } else if (next == wizard::MeasureSeries::Next::Done) {
                TakeSeries();
            } else {
                seriesText_->setText(QString::fromStdString(series_.AwaitingMoveText()));
                if (run_.dialogs().Ask(t::kMeasureIr, series_.MoveText(), Buttons::OkCancel, Icon::Information) ==
                    Answer::Ok)
                    StartSweep();
                else
                    seriesText_->clear();
            }
        },
        Qt::QueuedConnection);
}

void FirWizardMeasurePage::TakeSeries() {
    measured_ = true;
    const std::string spread = SpreadText(series_.Spread(), series_.positionCount(), 0, static_cast<int>(kAnalyserBandCount) - 1);
    seriesText_->setText(QString::fromStdString(series_.positionCount() > 1 ? spread : series_.ProgressText()));
    run_.SetPositions(series_.positions());
}

}  // namespace zef
