#include "ui/fir_wizard.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/editor_session.h"
#include "app/wizard_texts.h"
#include "audio/audio_system.h"
#include "measure/fir_design.h"
#include "measure/sweep_engine.h"
#include "model/defaults.h"
#include "ui/wizard_widgets.h"

namespace zef {

namespace t = wizard_text;

namespace {

// An audio system without cards, for a machine where none can be had.
class NoAudio final : public audio::System {
public:
    std::vector<audio::DeviceInfo> Devices() override { return {}; }
    std::unique_ptr<audio::Stream> Open(int, audio::Callback, std::string& error) override {
        error = "no sound card";
        return nullptr;
    }
    void OpenControlPanel(int) override {}
};

constexpr const char* kPageTitles[] = {t::kPageWelcome, t::kPageGeometry,  t::kPageWiring, t::kPageMeasure,
                                       t::kPageView,    t::kPageCalculate, t::kPageCompare};

}  // namespace

FirWizardWindow::FirWizardWindow(EditorSession& session, DeviceSlot slot, int firSlot, audio::System* audio,
                           QWidget* parent)
    : QDialog(parent), session_(session), slot_(slot), firSlot_(firSlot) {
    setObjectName("FrmWizardFIR");
    setWindowTitle(t::kWindowTitle);
    setModal(true);
    sweepFolder_ = session.dataSubfolder("TS");
    QDir().mkpath(QString::fromStdString(sweepFolder_));

    if (!audio) {
        std::string error;
        audio = session.audio(error);
        if (!audio) {
            ownAudio_ = std::make_unique<NoAudio>();
            audio = ownAudio_.get();
        }
    }
    devices_ = audio::MakeDeviceManager(*audio);
    engine_ = std::make_unique<measure::SweepMeasurementEngine>(*audio);
    measurement_ = std::make_unique<wizard::Measurement>(*engine_, session.dialogs(), sweepFolder_);
    design_ =
        std::make_unique<wizard::Design>([] { return std::make_unique<measure::SpectralFirDesigner>(); },
                                         session.state().responses.calculator(), session.dialogs());

    // A slot that was never given defaults holds an all-zero record: start
    // such a device from the default target instead.
    const EqTargetRecord& target = session.model().device(slot).eqTarget;
    state_.target = target == EqTargetRecord{} ? DefaultEqTarget() : target;
    if (std::optional<wizard::WizardState> kept =
            wizard::KeptState(session.dataFolder(), session.model(), slot))
        state_ = *kept;
    state_.settings = wizard::Normalised(state_.settings);

    auto* v = new QVBoxLayout(this);
    title_ = new QLabel(this);
    title_->setObjectName("LblTitle");
    QFont big = title_->font();
    big.setPointSizeF(big.pointSizeF() + 4);
    big.setBold(true);
    title_->setFont(big);
    v->addWidget(title_);
    pages_ = new QStackedWidget(this);
    pages_->addWidget(BuildWelcome());
    pages_->addWidget(BuildGeometry());
    pages_->addWidget(BuildWiring());
    pages_->addWidget(BuildMeasure());
    pages_->addWidget(BuildView());
    pages_->addWidget(BuildCalculate());
    pages_->addWidget(BuildCompare());
    v->addWidget(pages_, 1);
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
    v->addLayout(nav);
    connect(back_, &QPushButton::clicked, this, &FirWizardWindow::ClickBack);
    connect(next_, &QPushButton::clicked, this, &FirWizardWindow::ClickNext);
    connect(exit_, &QPushButton::clicked, this, [this] { close(); });

    progressTimer_.setInterval(wizard::kProgressTickMs);
    timeoutTimer_.setSingleShot(true);
    blinkTimer_.setInterval(500);
    connect(&progressTimer_, &QTimer::timeout, this, &FirWizardWindow::ProgressTick);
    connect(&timeoutTimer_, &QTimer::timeout, this, &FirWizardWindow::TimeoutTick);
    connect(&blinkTimer_, &QTimer::timeout, this, &FirWizardWindow::BlinkTick);

    FillDeviceList(devCombo_);
    FillDeviceList(devVerify_);
    ShowSettings();
    if (!state_.ir.empty()) SetImpulseResponse(state_.ir);
    resize(980, 680);
    GoTo(kWelcome);
}

FirWizardWindow::~FirWizardWindow() { StopTimers(); }

int FirWizardWindow::page() const { return pages_->currentIndex(); }

void FirWizardWindow::GoTo(int page) {
    page = std::clamp(page, 0, kPageCount - 1);
    pages_->setCurrentIndex(page);
    title_->setText(kPageTitles[page]);
    UpdateNavigation();
}

void FirWizardWindow::ClickBack() {
    if (measurement_->running() != wizard::Action::None) return;
    GoTo(page() - 1);
}

void FirWizardWindow::ClickNext() {
    if (measurement_->running() != wizard::Action::None || !next_->isEnabled()) return;
    switch (page()) {
        case kWelcome:
            if (openIrChoice_->isChecked()) {
                ClickOpenIr();
                return;
            }
            break;
        case kCompare:
            close();
            return;
        default:
            break;
    }
    GoTo(page() + 1);
}

void FirWizardWindow::UpdateNavigation() {
    const bool idle = measurement_->running() == wizard::Action::None;
    bool next = false;
    switch (page()) {
        case kWelcome:
            next = openIrChoice_->isChecked() || std::all_of(conditions_.begin(), conditions_.end(),
                                                             [](QCheckBox* c) { return c->isChecked(); });
            break;
        case kGeometry:
            next = geometryOk_->isChecked();
            break;
        case kWiring:
            next = Selection(devCombo_, outCombo_, inCombo_).complete();
            break;
        case kMeasure:
            next = measured_;
            break;
        case kView:
            next = !state_.ir.empty();
            break;
        case kCalculate:
            next = design_->designed();
            break;
        case kCompare:
            next = true;
            break;
    }
    const bool complete = Selection(devCombo_, outCombo_, inCombo_).complete();
    test_->setEnabled(idle && complete);
    measure_->setEnabled(idle && complete);
    saveIr_->setEnabled(idle && !state_.ir.empty());
    const bool designed = design_->designed();
    openFir_->setEnabled(idle && designed);
    saveFir_->setEnabled(idle && designed);
    store_->setEnabled(idle && designed);
    verify_->setEnabled(idle && designed);
    calculate_->setEnabled(idle && !state_.ir.empty());
    eqTarget_->setVisible(state_.settings.firMode == 1);
    next_->setText(page() == kCompare ? t::kDone : t::kNext);
    next_->setEnabled(idle && next);
    back_->setEnabled(idle && page() > 0);
}

wizard::CardSelection FirWizardWindow::Selection(QComboBox* devices, QComboBox* outputs,
                                              QComboBox* inputs) const {
    wizard::CardSelection s;
    if (!devices || !outputs || !inputs) return s;
    s.device = devices->currentIndex() - 1;
    s.output = outputs->isEnabled() ? outputs->currentIndex() - 1 : -1;
    s.input = inputs->isEnabled() ? inputs->currentIndex() - 1 : -1;
    return s;
}

void FirWizardWindow::SetRunning(bool running) {
    pages_->currentWidget()->setEnabled(!running);
    UpdateNavigation();
}

void FirWizardWindow::StartTimers() {
    progressTimer_.start();
    timeoutTimer_.start(measurement_->TimeoutMs());
}

void FirWizardWindow::StopTimers() {
    progressTimer_.stop();
    timeoutTimer_.stop();
}

void FirWizardWindow::TimeoutTick() {
    const wizard::Action action = measurement_->running();
    StopTimers();
    measurement_->TimedOut();
    measure_->setText(t::kMeasureIr);
    if (action == wizard::Action::MicTest) measureStatus_->clear();
    SetRunning(false);
}

void FirWizardWindow::SetImpulseResponse(std::vector<double> ir) {
    state_.ir = std::move(ir);
    if (state_.ir != measurement_->ir()) measurement_->ShowLoaded(state_.ir);
    ShowIrGraphs();
    UpdateNavigation();
}

bool FirWizardWindow::ConfirmClose() {
    if (closing_) return true;
    switch (session_.dialogs().Ask(t::kExitTitle, t::kExitQuestion, Buttons::YesNoCancel)) {
        case Answer::Yes:
            wizard::KeepState(session_.dataFolder(), session_.model(), slot_, state_);
            break;
        case Answer::No:
            break;
        default:
            return false;
    }
    closing_ = true;
    StopTimers();
    blinkTimer_.stop();
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

void OpenFirWizard(EditorSession& session, DeviceSlot slot, ChannelCode output, QWidget* parent) {
    FirWizardWindow wizard(session, slot, output == kOutput2 ? 1 : 0, nullptr, parent);
    wizard.exec();
}

}  // namespace zef
