// FirWizardWindow page 7: the verification measurement ("Before Correction"
// against "After Correction"), a FIR file to compare, the FIR text file and
// the store into the amplifier.
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/editor_session.h"
#include "app/wizard_texts.h"
#include "ui/fir_wizard.h"
#include "ui/wizard_widgets.h"
#include "ui/xy_plot.h"

namespace zef {

namespace t = wizard_text;

QWidget* FirWizardWindow::BuildCompare() {
    auto* page = new QWidget;
    auto* h = new QHBoxLayout(page);
    auto* side = new QVBoxLayout;
    auto* g = new QGridLayout;
    devVerify_ = new QComboBox(page);
    devVerify_->setObjectName("DevListVerify");
    outVerify_ = new QComboBox(page);
    outVerify_->setObjectName("OutChListVerify");
    inVerify_ = new QComboBox(page);
    inVerify_->setObjectName("InpChListVerify");
    for (QComboBox* c : {devVerify_, outVerify_, inVerify_}) c->setMaximumWidth(260);
    g->addWidget(new QLabel(t::kAsio, page), 0, 0);
    g->addWidget(devVerify_, 0, 1);
    g->addWidget(new QLabel(t::kLineOut, page), 1, 0);
    g->addWidget(outVerify_, 1, 1);
    g->addWidget(new QLabel(t::kMicIn, page), 2, 0);
    g->addWidget(inVerify_, 2, 1);
    side->addLayout(g);
    lblAsioVerify_ = new QLabel(page);
    lblAsioVerify_->setObjectName("LblASIOVerify");
    lblAsioVerify_->setWordWrap(true);
    side->addWidget(lblAsioVerify_);
    verify_ = new QPushButton(t::kVerify, page);
    verify_->setObjectName("ImgNewMeasure");
    verifyStatus_ = new QLabel(page);
    verifyStatus_->setObjectName("LblVerifyStatus");
    openFir_ = new QPushButton(t::kOpenFir, page);
    openFir_->setObjectName("BtnCmpLoadFir");
    openFir_->setToolTip(t::kOpenFirTitle);
    saveFir_ = new QPushButton(t::kSaveFir, page);
    saveFir_->setObjectName("ImgSaveFIR");
    store_ = new QPushButton(t::kStoreFir, page);
    store_->setObjectName("ImgStoreFIR");
    storeProgress_ = new QProgressBar(page);
    storeProgress_->setObjectName("ProgressStore");
    storeProgress_->setRange(0, 100);
    storeProgress_->setValue(0);
    for (QWidget* w :
         std::initializer_list<QWidget*>{verify_, verifyStatus_, openFir_, saveFir_, store_, storeProgress_})
        side->addWidget(w);
    side->addStretch(1);
    auto* sideHost = new QWidget(page);
    sideHost->setLayout(side);
    sideHost->setMaximumWidth(300);
    h->addWidget(sideHost);

    auto* graphs = new QVBoxLayout;
    verifyTime_ = new XyPlot(page);
    verifyTime_->setObjectName("GraphIRFIRTimeVerify");
    verifyFreq_ = new XyPlot(page);
    verifyFreq_->setObjectName("GraphIRFIRFreqVerify");
    graphs->addWidget(verifyTime_, 2);
    graphs->addWidget(verifyFreq_, 3);
    h->addLayout(graphs, 1);
    verifyTime_->setAxes(PlotAxis{0, 8, false, "ms"}, PlotAxis{-1, 1, false, ""});
    verifyFreq_->setAxes(PlotAxis{20, 20000, true, "Hz"}, PlotAxis{-30, 12, false, "dB"});

    connect(devVerify_, &QComboBox::currentIndexChanged, this,
            [this] { DeviceChosen(devVerify_, outVerify_, inVerify_, lblAsioVerify_); });
    for (QComboBox* c : {outVerify_, inVerify_})
        connect(c, &QComboBox::currentIndexChanged, this,
                [this] { DeviceChosen(nullptr, outVerify_, inVerify_, lblAsioVerify_); });
    connect(verify_, &QPushButton::clicked, this, &FirWizardWindow::ClickVerify);
    connect(openFir_, &QPushButton::clicked, this, &FirWizardWindow::ClickOpenFir);
    connect(saveFir_, &QPushButton::clicked, this, &FirWizardWindow::ClickSaveFir);
    connect(store_, &QPushButton::clicked, this, &FirWizardWindow::ClickStore);
    return page;
}

void FirWizardWindow::ShowCompareCurves() {
    verifyTime_->clearCurves();
    verifyFreq_->clearCurves();
    std::vector<double> x(dsp::kGridPoints);
    for (std::size_t k = 0; k < x.size(); ++k) x[k] = static_cast<double>(k) * dsp::kGridStepHz;
    auto values = [](const dsp::Curve& c) { return std::vector<double>(c.begin(), c.end()); };
    if (design_->designed()) {
        const std::vector<double>& taps = design_->coefficients();
        std::vector<double> tx(taps.size());
        double peak = 1e-9;
        for (std::size_t i = 0; i < taps.size(); ++i) {
            tx[i] = static_cast<double>(i) / 48.0;
            peak = std::max(peak, std::fabs(taps[i]));
        }
        verifyTime_->setAxes(PlotAxis{0, std::max(1.0, taps.size() / 48.0), false, "ms"},
                             PlotAxis{-peak * 1.1, peak * 1.1, false, ""});
        verifyTime_->setCurve({t::kCurveFir, tx, taps, WizardCurveColour(1)});
        verifyFreq_->setCurve({t::kCurveFir, x, values(design_->curves().fir.db), WizardCurveColour(1)});
    }
    if (const auto& cmp = design_->compareCurve())
        verifyFreq_->setCurve(
            {QString::fromStdString(design_->compareName()), x, values(cmp->db), WizardCurveColour(6)});
    if (design_->before())
        verifyFreq_->setCurve({t::kCurveBefore, x, values(design_->before()->db), WizardCurveColour(4)});
    if (design_->after())
        verifyFreq_->setCurve({t::kCurveAfter, x, values(design_->after()->db), WizardCurveColour(5)});
}

void FirWizardWindow::ClickVerify() {
    blinkTimer_.stop();
    verify_->setStyleSheet({});
    if (!measurement_->StartVerify(Selection(devVerify_, outVerify_, inVerify_), roomDecaySeconds_)) return;
    verifyStatus_->setText(t::kPeakLevelNone);
    storeProgress_->setRange(0, 100);
    storeProgress_->setValue(0);
    SetRunning(true);
    StartTimers();
}

void FirWizardWindow::ClickOpenFir() {
    if (design_->OpenCompareFir(session_.dataSubfolder("FIR"), session_.decimalComma())) ShowCompareCurves();
}

void FirWizardWindow::ClickSaveFir() { design_->SaveFirToPc(session_.dataSubfolder("FIR")); }

void FirWizardWindow::ClickStore() {
    if (!design_->designed()) return;
    const int steps = wizard::StoreProgressSteps(static_cast<int>(design_->coefficients().size()));
    storeProgress_->setRange(0, steps);
    storeProgress_->setValue(0);
    const QDate today = QDate::currentDate();
    wizard::StoreTarget target{session_.exchange(), session_.model(), slot_, firSlot_,
                               &session_.state().responses};
    setCursor(Qt::WaitCursor);
    design_->Store(target, today.day(), today.month(), today.year(),
                   [this](int step) { storeProgress_->setValue(step); });
    unsetCursor();
}

}  // namespace zef
