#include "ui/fir_wizard_view.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/wizard_texts.h"
#include "ui/fir_wizard_run.h"
#include "ui/wizard_widgets.h"
#include "ui/xy_plot.h"

namespace zef {

namespace t = wizard_text;

namespace {

const QColor kIrColour = WizardCurveColour(0);

// The time axis of an IR plot: from the first sample until the response has
// decayed by 60 dB (the rest is silence), at least 10 ms and 1.2 times the
// last sample above that; the level axis a quarter decade above the peak.
std::pair<PlotAxis, PlotAxis> IrTimeAxes(const std::vector<double>& tx, const std::vector<double>& ty) {
    double peak = 1e-9, tmax = 1;
    for (double y : ty) peak = std::max(peak, std::fabs(y));
    if (!tx.empty()) tmax = std::max(1.0, tx.back());
    for (std::size_t i = ty.size(); i-- > 0;)
        if (std::fabs(ty[i]) > peak * 1e-3 && i < tx.size()) {
            tmax = std::min(std::max(tx[i] * 1.2, 10.0), tmax);
            break;
        }
    const double scale = std::pow(10.0, std::ceil(std::log10(peak) * 4) / 4);
    return {PlotAxis{tx.empty() ? 0 : tx.front(), tmax, false, "ms"}, PlotAxis{-scale, scale, false, ""}};
}

// The level axis of an IR's magnitude: 60 dB below a ceiling 10 dB above the
// top rounded up to 10 dB.
PlotAxis IrLevelAxis(const std::vector<double>& fy) {
    double top = -200;
    for (std::size_t i = 0; i < fy.size(); ++i)
        if (std::isfinite(fy[i])) top = std::max(top, fy[i]);
    const double ceiling = std::ceil(top / 10) * 10 + 10;
    return PlotAxis{ceiling - 60, ceiling, false, "dB"};
}

}  // namespace

FirWizardViewPage::FirWizardViewPage(FirWizardRun& run, Dialogs& dialogs, std::string irFolder)
    : run_(run), dialogs_(dialogs), irFolder_(std::move(irFolder)) {
    auto* v = new QVBoxLayout(this);
    graphs_ = WizardGraphs::Make(this, "");
    v->addWidget(graphs_.time, 1);
    v->addWidget(graphs_.frequency, 1);
    auto* row = new QHBoxLayout;
    saveIr_ = new QPushButton(t::kSave, this);
    saveIr_->setObjectName("BtnSaveIR");
    row->addWidget(saveIr_);
    row->addStretch(1);
    v->addLayout(row);
    connect(saveIr_, &QPushButton::clicked, this, &FirWizardViewPage::ClickSaveIr);
    connect(&run_, &FirWizardRun::irChanged, this, &FirWizardViewPage::ShowIrGraphs);
}

bool FirWizardViewPage::Complete() const { return !run_.state.ir.empty(); }

void FirWizardViewPage::Refresh(bool idle) { saveIr_->setEnabled(idle && !run_.state.ir.empty()); }

void FirWizardViewPage::ShowIrGraphs() {
    const wizard::Measurement& m = run_.measurement();
    graphs_.time->clearCurves();
    graphs_.frequency->clearCurves();
    const auto [time, level] = IrTimeAxes(m.timeX(), m.timeY());
    graphs_.time->setAxes(time, level);
    graphs_.time->setCurve({t::kCurveIr, m.timeX(), m.timeY(), kIrColour});
    graphs_.frequency->setAxes(PlotAxis{20, 20000, true, "Hz"}, IrLevelAxis(m.frequencyY()));
    graphs_.frequency->setCurve({t::kCurveIr, m.frequencyX(), m.frequencyY(), kIrColour});
}

void FirWizardViewPage::ClickSaveIr() {
    if (run_.state.ir.empty()) return;
    wizard::SaveIr(dialogs_, irFolder_, run_.state.ir);
}

}  // namespace zef
