// FirWizardWindow pages 4 and 5: the impulse-response measurement and its view,
// the IR files, and the progress timer every measuring action shares.
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/editor_session.h"
#include "app/wizard_texts.h"
#include "audio/device_manager.h"
#include "ui/fir_wizard.h"
#include "ui/wizard_widgets.h"
#include "ui/xy_plot.h"

namespace zef {

namespace t = wizard_text;

namespace {

const QColor kIrColour = WizardCurveColour(0);

}  // namespace

QWidget* FirWizardWindow::BuildMeasure() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* text = new QLabel(t::kMeasureHint, page);
    text->setWordWrap(true);
    v->addWidget(text);
    auto* row = new QHBoxLayout;
    measure_ = new QPushButton(t::kMeasureIr, page);
    measure_->setObjectName("BtnMeasureIR");
    measure_->setMinimumWidth(160);
    peakMis_ = new QLabel(t::kPeakLevelNone, page);
    peakMis_->setObjectName("LblPeakMis");
    row->addWidget(measure_);
    row->addWidget(peakMis_);
    row->addStretch(1);
    v->addLayout(row);
    measureProgress_ = new QProgressBar(page);
    measureProgress_->setObjectName("ProgressMeasure");
    measureProgress_->setRange(0, 100);
    measureProgress_->setValue(0);
    v->addWidget(measureProgress_);
    warnings_ = new QLabel(page);
    warnings_->setObjectName("LblWarnings");
    warnings_->setWordWrap(true);
    warnings_->setStyleSheet("QLabel { color: rgb(190, 90, 0); }");
    v->addWidget(warnings_);
    v->addStretch(1);
    connect(measure_, &QPushButton::clicked, this, &FirWizardWindow::ClickMeasure);
    return page;
}

QWidget* FirWizardWindow::BuildView() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    irTime_ = new XyPlot(page);
    irTime_->setObjectName("GraphIRFIRTime");
    irFreq_ = new XyPlot(page);
    irFreq_->setObjectName("GraphIRFIRFreq");
    v->addWidget(irTime_, 1);
    v->addWidget(irFreq_, 1);
    auto* row = new QHBoxLayout;
    saveIr_ = new QPushButton(t::kSave, page);
    saveIr_->setObjectName("BtnSaveIR");
    row->addWidget(saveIr_);
    row->addStretch(1);
    v->addLayout(row);
    connect(saveIr_, &QPushButton::clicked, this, &FirWizardWindow::ClickSaveIr);
    return page;
}

void FirWizardWindow::ClickMeasure() {
    const bool online = session_.model().entry(slot_).online;
    if (!measurement_->StartMeasure(Selection(devCombo_, outCombo_, inCombo_), roomDecaySeconds_, online))
        return;
    measure_->setText(t::kMeasuringIr);
    peakMis_->setText(t::kPeakLevelNone);
    measureProgress_->setValue(0);
    warnings_->clear();
    SetRunning(true);
    StartTimers();
}

void FirWizardWindow::ProgressTick() {
    const wizard::Action action = measurement_->running();
    if (action == wizard::Action::None) {
        StopTimers();
        return;
    }
    const wizard::Measurement::Tick tick = measurement_->Poll();
    switch (action) {
        case wizard::Action::MicTest:
            peakValue_->setText(QString::number(tick.peakDb));
            vu_->setLit(wizard::VuLitSegments(tick.peakDb));
            testProgress_->setValue(tick.progress);
            if (tick.finished) measureStatus_->clear();
            break;
        case wizard::Action::Measure:
            if (tick.state == MeasurementEngine::State::Recording) {
                peakMis_->setText(QString(t::kPeakLevelPrefix) + QString::number(tick.peakDb) +
                                  t::kPeakLevelSuffix);
                measureProgress_->setValue(tick.progress);
            } else if (tick.state == MeasurementEngine::State::Computing) {
                measure_->setText(t::kComputingIr);
            }
            if (tick.finished) {
                measure_->setText(t::kMeasureIr);
                measureProgress_->setValue(100);
                if (tick.ok) {
                    measured_ = true;
                    SetImpulseResponse(measurement_->ir());
                    QStringList w;
                    for (const std::string& s : measurement_->warnings()) w << QString::fromStdString(s);
                    warnings_->setText(w.join("\n"));
                }
            }
            break;
        case wizard::Action::Verify:
            if (tick.state == MeasurementEngine::State::Recording)
                verifyStatus_->setText(QString(t::kPeakLevelPrefix) + QString::number(tick.peakDb) +
                                       t::kPeakLevelSuffix);
            else if (tick.state == MeasurementEngine::State::Computing)
                verifyStatus_->setText(t::kComputingIr);
            storeProgress_->setValue(tick.progress);
            if (tick.finished) {
                verifyStatus_->clear();
                if (tick.ok && design_->SetVerification(state_.ir, measurement_->ir(), state_.settings))
                    ShowCompareCurves();
            }
            break;
        case wizard::Action::None:
            break;
    }
    if (tick.finished) {
        StopTimers();
        SetRunning(false);
    }
}

void FirWizardWindow::ShowIrGraphs() {
    irTime_->clearCurves();
    irFreq_->clearCurves();
    const std::vector<double>& tx = measurement_->timeX();
    const std::vector<double>& ty = measurement_->timeY();
    double peak = 1e-9, tmax = 1;
    for (double y : ty) peak = std::max(peak, std::fabs(y));
    if (!tx.empty()) tmax = std::max(1.0, tx.back());
    // Show the response until it has decayed by 60 dB (the rest is silence).
    for (std::size_t i = ty.size(); i-- > 0;)
        if (std::fabs(ty[i]) > peak * 1e-3 && i < tx.size()) {
            tmax = std::min(std::max(tx[i] * 1.2, 10.0), tmax);
            break;
        }
    const double scale = std::pow(10.0, std::ceil(std::log10(peak) * 4) / 4);
    irTime_->setAxes(PlotAxis{tx.empty() ? 0 : tx.front(), tmax, false, "ms"},
                     PlotAxis{-scale, scale, false, ""});
    irTime_->setCurve({t::kCurveIr, tx, ty, kIrColour});
    const std::vector<double>& fy = measurement_->frequencyY();
    double top = -200;
    for (std::size_t i = 0; i < fy.size(); ++i)
        if (std::isfinite(fy[i])) top = std::max(top, fy[i]);
    const double ceiling = std::ceil(top / 10) * 10 + 10;
    irFreq_->setAxes(PlotAxis{20, 20000, true, "Hz"}, PlotAxis{ceiling - 60, ceiling, false, "dB"});
    irFreq_->setCurve({t::kCurveIr, measurement_->frequencyX(), fy, kIrColour});
}

void FirWizardWindow::ClickSaveIr() {
    if (state_.ir.empty()) return;
    wizard::SaveIr(session_.dialogs(), session_.dataSubfolder(wizard::kIrFolder), state_.ir);
}

void FirWizardWindow::ClickOpenIr() {
    std::optional<std::vector<double>> ir =
        wizard::OpenIr(session_.dialogs(), session_.dataSubfolder(wizard::kIrFolder));
    if (!ir) return;
    SetImpulseResponse(std::move(*ir));
    GoTo(kView);
}

}  // namespace zef
