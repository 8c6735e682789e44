#include "ui/fir_wizard_wiring.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/wizard_texts.h"
#include "audio/device_manager.h"
#include "ui/calibration_dialog.h"
#include "ui/fir_wizard_run.h"
#include "ui/wizard_widgets.h"

namespace zef {

namespace t = wizard_text;

FirWizardWiringPage::FirWizardWiringPage(FirWizardRun& run) : run_(run) {
    auto* v = new QVBoxLayout(this);
    auto* hint = new QLabel(t::kWiringHint, this);
    hint->setWordWrap(true);
    v->addWidget(hint);
    auto* g = new QGridLayout;
    cards_ = WizardCardLists::Make(this, {"DevCombo", "OutChCombo", "InpChCombo", "LblASIO"});
    g->addWidget(new QLabel(t::kAsio, this), 0, 0);
    g->addWidget(cards_.devices, 0, 1);
    panel_ = new QPushButton(t::kControlPanel, this);
    panel_->setObjectName("BtnControlPanel");
    g->addWidget(panel_, 0, 2);
    g->addWidget(new QLabel(t::kLineOut, this), 1, 0);
    g->addWidget(cards_.outputs, 1, 1);
    g->addWidget(new QLabel(t::kMicIn, this), 2, 0);
    g->addWidget(cards_.inputs, 2, 1);
    calibration_ = new CalibrationButton(this);
    calibration_->Setup(run_.dataFolder, run_.dialogs());
    g->addWidget(calibration_, 2, 2);
    g->addWidget(cards_.shown, 3, 1, 1, 2);
    roomDecay_ = new Stepper("LblRoomDecay", this);
    g->addWidget(new QLabel(t::kRoomDecay, this), 4, 0);
    g->addWidget(roomDecay_, 4, 1);
    g->setColumnStretch(1, 1);
    v->addLayout(g);
    v->addWidget(BuildTest());
    v->addStretch(1);

    roomDecay_->setText(QString::fromStdString(wizard::RoomDecayText(run_.roomDecaySeconds)));
    connect(roomDecay_, &Stepper::stepped, this, &FirWizardWiringPage::StepRoomDecay);
    connect(cards_.devices, &QComboBox::currentIndexChanged, this, &FirWizardWiringPage::CardChosen);
    for (QComboBox* c : {cards_.outputs, cards_.inputs})
        connect(c, &QComboBox::currentIndexChanged, this, &FirWizardWiringPage::ChannelChosen);
    connect(panel_, &QPushButton::clicked, this, [this] {
        if (cards_.devices->currentIndex() > 0)
            run_.devices().OpenControlPanel(cards_.devices->currentIndex() - 1);
    });
    connect(test_, &QPushButton::clicked, this, &FirWizardWiringPage::ClickTest);
    connect(&run_, &FirWizardRun::ticked, this, &FirWizardWiringPage::Ticked);
    connect(&run_, &FirWizardRun::timedOut, this, [this](wizard::Action action) {
        if (action == wizard::Action::MicTest) measureStatus_->clear();
    });
    cards_.Fill(run_.devices());
    cards_.Select(run_.devices(), run_.cards);  // the choice of the last opening
    ChannelChosen();
}

// The "Test" box: the button, the status, the progress and the level.
QWidget* FirWizardWiringPage::BuildTest() {
    auto* testBox = new QGroupBox(t::kTest, this);
    auto* tg = new QGridLayout(testBox);
    test_ = new QPushButton(t::kTest, testBox);
    test_->setObjectName("BtnTest");
    measureStatus_ = new QLabel(testBox);
    measureStatus_->setObjectName("MeasureStatusLbl");
    measureStatus_->setWordWrap(true);
    measureStatus_->setMinimumHeight(2 * measureStatus_->fontMetrics().lineSpacing());
    testProgress_ = new QProgressBar(testBox);
    testProgress_->setRange(0, 100);
    testProgress_->setValue(0);
    vu_ = new VuMeter(testBox);
    peakValue_ = new QLabel("--", testBox);
    peakValue_->setObjectName("PeakValueLbl");
    peakValue_->setMinimumWidth(40);
    tg->addWidget(test_, 0, 0);
    tg->addWidget(measureStatus_, 0, 1, 1, 2);
    tg->addWidget(testProgress_, 1, 0, 1, 3);
    tg->addWidget(vu_, 2, 0, 1, 2);
    tg->addWidget(peakValue_, 2, 2);
    tg->setColumnStretch(1, 1);
    return testBox;
}

// A test that clipped holds the wizard here: a measurement at that level
// would be clipped too.
bool FirWizardWiringPage::Complete() const { return run_.cards.complete() && !clipped_; }

void FirWizardWiringPage::Refresh(bool idle) { test_->setEnabled(idle && run_.cards.complete()); }

void FirWizardWiringPage::StepRoomDecay(int delta) {
    run_.roomDecaySeconds =
        std::clamp(run_.roomDecaySeconds + delta, wizard::kMinRoomDecaySeconds, wizard::kMaxRoomDecaySeconds);
    roomDecay_->setText(QString::fromStdString(wizard::RoomDecayText(run_.roomDecaySeconds)));
}

void FirWizardWiringPage::CardChosen() {
    cards_.CardChosen(run_.devices());
    // The verification starts from the measurement's choice.
    emit cardChosen(cards_.devices->currentIndex(), cards_.devices->count());
    ChannelChosen();
}

void FirWizardWiringPage::ChannelChosen() {
    cards_.ShowChoice();
    run_.cards = cards_.selection();
    run_.cardName = run_.cards.device >= 0 ? cards_.devices->currentText().toStdString() : std::string();
    calibration_->SetInput(run_.cardName, run_.cards.input);
    emit changed();
}

void FirWizardWiringPage::ClickTest() {
    if (!run_.measurement().StartMicTest(run_.cards)) return;
    measureStatus_->setText(t::kTestingMic);
    measureStatus_->setStyleSheet({});
    clipped_ = false;
    testProgress_->setValue(0);
    run_.Started();
}

void FirWizardWiringPage::Ticked(wizard::Action action, const wizard::Measurement::Tick& tick) {
    if (action != wizard::Action::MicTest) return;
    peakValue_->setText(std::isfinite(tick.peakDbfs) ? QString::number(tick.peakDbfs, 'f', 1) : QString("--"));
    vu_->setLit(wizard::VuLitSegments(tick.peakDb));
    testProgress_->setValue(tick.progress);
    if (tick.clipped && !clipped_) {
        clipped_ = true;  // said as it happens, and Next waits for a clean test
        measureStatus_->setText(t::kMicClipping);
        measureStatus_->setStyleSheet("color: #c00000;");
        emit changed();
    }
    if (tick.finished && !clipped_) measureStatus_->clear();
}

}  // namespace zef
