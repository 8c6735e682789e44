#include "ui/fir_wizard_compare.h"

#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
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

FirWizardComparePage::FirWizardComparePage(FirWizardRun& run, std::string firFolder, bool decimalComma,
                                           decltype(FirWizardContext::storeFir) storeFir)
    : run_(run),
      firFolder_(std::move(firFolder)),
      decimalComma_(decimalComma),
      storeFir_(std::move(storeFir)) {
    auto* h = new QHBoxLayout(this);
    h->addWidget(BuildSide());
    auto* graphs = new QVBoxLayout;
    graphs_ = WizardGraphs::Make(this, "Verify");
    graphs->addWidget(graphs_.time, 2);
    graphs->addWidget(graphs_.frequency, 3);
    h->addLayout(graphs, 1);
    graphs_.ShowFilterAxes();

    connect(cards_.devices, &QComboBox::currentIndexChanged, this, &FirWizardComparePage::CardChosen);
    for (QComboBox* c : {cards_.outputs, cards_.inputs})
        connect(c, &QComboBox::currentIndexChanged, this, &FirWizardComparePage::ChannelChosen);
    connect(verify_, &QPushButton::clicked, this, &FirWizardComparePage::ClickVerify);
    connect(openFir_, &QPushButton::clicked, this, &FirWizardComparePage::ClickOpenFir);
    connect(saveFir_, &QPushButton::clicked, this, &FirWizardComparePage::ClickSaveFir);
    connect(store_, &QPushButton::clicked, this, &FirWizardComparePage::ClickStore);
    connect(&run_, &FirWizardRun::ticked, this, &FirWizardComparePage::Ticked);
    connect(&run_, &FirWizardRun::designChanged, this, &FirWizardComparePage::ShowCompareCurves);
    connect(&run_, &FirWizardRun::blinked, this, [this](const QString& style) {
        verify_->setStyleSheet(run_.design().designed() ? style : QString());
    });
    cards_.Fill(run_.devices());
    cards_.Select(run_.devices(), run_.cards);  // the verification starts from the measurement's choice
    ChannelChosen();
}

// The side column: the card, the buttons, the status and the store's progress.
QWidget* FirWizardComparePage::BuildSide() {
    auto* side = new QVBoxLayout;
    BuildCardLists(side);
    verify_ = new QPushButton(t::kVerify, this);
    verify_->setObjectName("ImgNewMeasure");
    verifyStatus_ = new QLabel(this);
    verifyStatus_->setObjectName("LblVerifyStatus");
    verifyStatus_->setMinimumHeight(verifyStatus_->fontMetrics().lineSpacing());
    openFir_ = new QPushButton(t::kOpenFir, this);
    openFir_->setObjectName("BtnCmpLoadFir");
    openFir_->setToolTip(t::kOpenFirTitle);
    saveFir_ = new QPushButton(t::kSaveFir, this);
    saveFir_->setObjectName("ImgSaveFIR");
    store_ = new QPushButton(t::kStoreFir, this);
    store_->setObjectName("ImgStoreFIR");
    storeProgress_ = new QProgressBar(this);
    storeProgress_->setObjectName("ProgressStore");
    storeProgress_->setRange(0, 100);
    storeProgress_->setValue(0);
    for (QWidget* w :
         std::initializer_list<QWidget*>{verify_, verifyStatus_, openFir_, saveFir_, store_, storeProgress_})
        side->addWidget(w);
    side->addStretch(1);
    auto* sideHost = new QWidget(this);
    sideHost->setLayout(side);
    sideHost->setMaximumWidth(300);
    return sideHost;
}

void FirWizardComparePage::BuildCardLists(QVBoxLayout* side) {
    auto* g = new QGridLayout;
    cards_ =
        WizardCardLists::Make(this, {"DevListVerify", "OutChListVerify", "InpChListVerify", "LblASIOVerify"});
    for (QComboBox* c : {cards_.devices, cards_.outputs, cards_.inputs}) c->setMaximumWidth(260);
    g->addWidget(new QLabel(t::kAsio, this), 0, 0);
    g->addWidget(cards_.devices, 0, 1);
    g->addWidget(new QLabel(t::kLineOut, this), 1, 0);
    g->addWidget(cards_.outputs, 1, 1);
    g->addWidget(new QLabel(t::kMicIn, this), 2, 0);
    g->addWidget(cards_.inputs, 2, 1);
    side->addLayout(g);
    cards_.shown->setWordWrap(true);
    side->addWidget(cards_.shown);
}

void FirWizardComparePage::Refresh(bool idle) {
    const bool designed = run_.design().designed();
    for (QPushButton* b : {openFir_, saveFir_, store_, verify_}) b->setEnabled(idle && designed);
}

void FirWizardComparePage::FollowCard(int index, int count) {
    if (cards_.devices->count() == count && cards_.devices->currentIndex() <= 0)
        cards_.devices->setCurrentIndex(index);
}

void FirWizardComparePage::CardChosen() {
    cards_.CardChosen(run_.devices());
    ChannelChosen();
}

void FirWizardComparePage::ChannelChosen() {
    cards_.ShowChoice();
    emit changed();
}

void FirWizardComparePage::Ticked(wizard::Action action, const wizard::Measurement::Tick& tick) {
    if (action != wizard::Action::Verify) return;
    if (tick.state == MeasurementEngine::State::Recording)
        verifyStatus_->setText(WizardPeakLevelText(tick.peakDbfs));
    else if (tick.state == MeasurementEngine::State::Computing)
        verifyStatus_->setText(t::kComputingIr);
    storeProgress_->setValue(tick.progress);
    if (!tick.finished) return;
    verifyStatus_->clear();
    if (tick.ok && run_.design().SetVerification(run_.state.ir, run_.measurement().ir(), run_.state.settings))
        ShowCompareCurves();
}

void FirWizardComparePage::ShowCompareCurves() {
    const wizard::Design& design = run_.design();
    graphs_.time->clearCurves();
    graphs_.frequency->clearCurves();
    const std::vector<double> x = WizardGridX();
    if (design.designed()) {
        const std::vector<double>& taps = design.coefficients();
        std::vector<double> tx(taps.size());
        double peak = 1e-9;
        for (std::size_t i = 0; i < taps.size(); ++i) {
            tx[i] = static_cast<double>(i) / 48.0;
            peak = std::max(peak, std::fabs(taps[i]));
        }
        graphs_.time->setAxes(PlotAxis{0, std::max(1.0, taps.size() / 48.0), false, "ms"},
                              PlotAxis{-peak * 1.1, peak * 1.1, false, ""});
        graphs_.time->setCurve({t::kCurveFir, tx, taps, WizardCurveColour(1)});
        graphs_.frequency->setCurve(
            {t::kCurveFir, x, WizardCurveValues(design.curves().fir.db), WizardCurveColour(1)});
    }
    if (const auto& cmp = design.compareCurve())
        graphs_.frequency->setCurve({QString::fromStdString(design.compareName()), x,
                                     WizardCurveValues(cmp->db), WizardCurveColour(6)});
    if (design.before())
        graphs_.frequency->setCurve(
            {t::kCurveBefore, x, WizardCurveValues(design.before()->db), WizardCurveColour(4)});
    if (design.after())
        graphs_.frequency->setCurve(
            {t::kCurveAfter, x, WizardCurveValues(design.after()->db), WizardCurveColour(5)});
}

void FirWizardComparePage::ClickVerify() {
    run_.blinkTimer().stop();
    verify_->setStyleSheet({});
    if (!run_.Calibrate(cards_.devices->currentText().toStdString(), cards_.selection().input)) return;
    if (!run_.measurement().StartVerify(cards_.selection(), run_.roomDecaySeconds)) return;
    verifyStatus_->setText(t::kPeakLevelNone);
    storeProgress_->setRange(0, 100);
    storeProgress_->setValue(0);
    run_.Started();
}

void FirWizardComparePage::ClickOpenFir() {
    if (run_.design().OpenCompareFir(firFolder_, decimalComma_)) ShowCompareCurves();
}

void FirWizardComparePage::ClickSaveFir() { run_.design().SaveFirToPc(firFolder_); }

void FirWizardComparePage::ClickStore() {
    if (!run_.design().designed()) return;
    const int steps = wizard::StoreProgressSteps(static_cast<int>(run_.design().coefficients().size()));
    storeProgress_->setRange(0, steps);
    storeProgress_->setValue(0);
    const QDate today = QDate::currentDate();
    window()->setCursor(Qt::WaitCursor);
    storeFir_(run_.design(), today.day(), today.month(), today.year(),
              [this](int step) { storeProgress_->setValue(step); });
    window()->unsetCursor();
}

}  // namespace zef
