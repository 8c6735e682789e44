#include "ui/fir_wizard.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/wizard_texts.h"
#include "ui/fir_wizard_calculate.h"
#include "ui/fir_wizard_compare.h"
#include "ui/fir_wizard_geometry.h"
#include "ui/fir_wizard_measure.h"
#include "ui/fir_wizard_run.h"
#include "ui/fir_wizard_view.h"
#include "ui/fir_wizard_welcome.h"
#include "ui/fir_wizard_wiring.h"
#include "ui/window_geometry.h"

namespace zef {

namespace t = wizard_text;

namespace {

constexpr const char* kPageTitles[] = {t::kPageWelcome, t::kPageGeometry,  t::kPageWiring, t::kPageMeasure,
                                       t::kPageView,    t::kPageCalculate, t::kPageCompare};

}  // namespace

FirWizardWindow::FirWizardWindow(const FirWizardContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName("FrmWizardFIR");
    setWindowTitle(t::kWindowTitle);
    setModal(true);
    run_ = std::make_unique<FirWizardRun>(context.audio, context.dialogs, context.calculator,
                                          context.sweepFolder, context.start);
    if (context.keptCards) run_->cards = *context.keptCards;
    run_->dataFolder = context.dataFolder;
    auto* v = new QVBoxLayout(this);
    v->addWidget(BuildTitle());
    v->addWidget(BuildPages(), 1);
    v->addLayout(BuildNavigation());
    Connect();
    if (!run_->state.ir.empty()) run_->SetImpulseResponse(run_->state.ir);
    KeepWindowGeometry(this, "FirWizard", QSize(980, 680));
    GoTo(kWelcome);
}

FirWizardWindow::~FirWizardWindow() = default;

QLabel* FirWizardWindow::BuildTitle() {
    title_ = new QLabel(this);
    title_->setObjectName("LblTitle");
    QFont big = title_->font();
    big.setPointSizeF(big.pointSizeF() + 4);
    big.setBold(true);
    title_->setFont(big);
    return title_;
}

// The pages in their order.
QStackedWidget* FirWizardWindow::BuildPages() {
    FirWizardRun& run = *run_;
    const FirWizardContext& c = context_;
    stack_ = new QStackedWidget(this);
    welcome_ = new FirWizardWelcomePage(run, c.dialogs, c.irFolder);
    auto* geometry = new FirWizardGeometryPage;
    wiring_ = new FirWizardWiringPage(run);
    measure_ = new FirWizardMeasurePage(run, c.deviceOnline, c.irFolder);
    auto* view = new FirWizardViewPage(run, c.dialogs, c.irFolder);
    calculate_ = new FirWizardCalculatePage(run, c.dialogs, c.wizardFolder);
    compare_ = new FirWizardComparePage(run, c.firFolder, c.decimalComma, c.storeFir);
    pages_ = {welcome_, geometry, wiring_, measure_, view, calculate_, compare_};
    for (FirWizardPage* p : pages_) stack_->addWidget(p);
    return stack_;
}

QLayout* FirWizardWindow::BuildNavigation() {
    auto* nav = new QHBoxLayout;
    nav->addStretch(1);
    back_ = new QPushButton(t::kBack, this);
    back_->setObjectName("BtnBack");
    next_ = new QPushButton(t::kNext, this);
    next_->setObjectName("BtnNext");
    exit_ = new QPushButton(t::kExit, this);
    exit_->setObjectName("BtnExit");
    for (QPushButton* b : {back_, next_, exit_}) {
        b->setAutoDefault(false);
        nav->addWidget(b);
    }
    return nav;
}

void FirWizardWindow::Connect() {
    connect(back_, &QPushButton::clicked, this, &FirWizardWindow::ClickBack);
    connect(next_, &QPushButton::clicked, this, &FirWizardWindow::ClickNext);
    connect(exit_, &QPushButton::clicked, this, [this] { close(); });
    for (FirWizardPage* p : pages_)
        connect(p, &FirWizardPage::changed, this, &FirWizardWindow::UpdateNavigation);
    connect(welcome_, &FirWizardWelcomePage::irOpened, this, [this] { GoTo(kView); });
    connect(wiring_, &FirWizardWiringPage::cardChosen, compare_, &FirWizardComparePage::FollowCard);
    connect(wiring_, &FirWizardPage::changed, this, [this] {
        if (context_.keptCards) *context_.keptCards = run_->cards;
    });
    connect(run_.get(), &FirWizardRun::irChanged, this, &FirWizardWindow::UpdateNavigation);
    connect(run_.get(), &FirWizardRun::runningChanged, this, &FirWizardWindow::SetRunning);
}

int FirWizardWindow::page() const { return stack_->currentIndex(); }

void FirWizardWindow::GoTo(int page) {
    page = std::clamp(page, 0, kPageCount - 1);
    stack_->setCurrentIndex(page);
    title_->setText(kPageTitles[page]);
    UpdateNavigation();
}

void FirWizardWindow::ClickBack() {
    if (!run_->idle()) return;
    GoTo(page() - 1);
}

void FirWizardWindow::ClickNext() {
    if (!run_->idle() || !next_->isEnabled()) return;
    if (page() == kWelcome && welcome_->opensIr()) {
        welcome_->ClickOpenIr();
        return;
    }
    if (page() == kCompare) {
        close();
        return;
    }
    GoTo(page() + 1);
}

void FirWizardWindow::UpdateNavigation() {
    const bool idle = run_->idle();
    for (FirWizardPage* p : pages_) p->Refresh(idle);
    next_->setText(page() == kCompare ? t::kDone : t::kNext);
    next_->setEnabled(idle && pages_[static_cast<std::size_t>(page())]->Complete());
    back_->setEnabled(idle && page() > 0);
}

void FirWizardWindow::SetRunning(bool running) {
    stack_->currentWidget()->setEnabled(!running);
    UpdateNavigation();
}

bool FirWizardWindow::ConfirmClose() {
    if (closing_) return true;
    switch (context_.dialogs.Ask(t::kExitTitle, t::kExitQuestion, Buttons::YesNoCancel)) {
        case Answer::Yes:
            context_.keepState(run_->state);
            break;
        case Answer::No:
            break;
        default:
            return false;
    }
    closing_ = true;
    run_->StopTimers();
    run_->blinkTimer().stop();
    return true;
}

void FirWizardWindow::closeEvent(QCloseEvent* event) {
    if (ConfirmClose())
        event->accept();
    else
        event->ignore();
}

void FirWizardWindow::reject() {
    if (ConfirmClose()) QDialog::reject();
}

}  // namespace zef
