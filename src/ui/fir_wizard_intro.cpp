// FirWizardWindow pages 1-3: welcome and conditions, measurement geometry,
// wiring and levels (sound card, channels, room decay, microphone test).
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/wizard_texts.h"
#include "audio/device_manager.h"
#include "ui/fir_wizard.h"
#include "ui/wizard_widgets.h"

namespace zef {

namespace t = wizard_text;

QWidget* FirWizardWindow::BuildWelcome() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* text = new QLabel(t::kWelcomeText, page);
    text->setWordWrap(true);
    v->addWidget(text);
    v->addSpacing(10);
    openIrChoice_ = new QRadioButton(t::kOpenExistingIr, page);
    openIrChoice_->setObjectName("OptOpenIr");
    measureChoice_ = new QRadioButton(t::kMeasureIrChoice, page);
    measureChoice_->setObjectName("OptMeasureIr");
    measureChoice_->setChecked(true);
    v->addWidget(openIrChoice_);
    v->addWidget(measureChoice_);
    auto* box = new QGroupBox(t::kConditionsCaption, page);
    auto* bv = new QVBoxLayout(box);
    int n = 0;
    for (const char* c : {t::kConditionCard, t::kConditionFlat, t::kConditionDynamics}) {
        auto* check = new QCheckBox(c, box);
        check->setObjectName(QString("CheckCondition%1").arg(n++));
        bv->addWidget(check);
        conditions_.push_back(check);
        connect(check, &QCheckBox::toggled, this, [this] { UpdateNavigation(); });
    }
    v->addWidget(box);
    v->addStretch(1);
    auto choose = [this, box] {
        box->setEnabled(measureChoice_->isChecked());
        UpdateNavigation();
    };
    connect(openIrChoice_, &QRadioButton::toggled, this, choose);
    return page;
}

QWidget* FirWizardWindow::BuildGeometry() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    row->addWidget(new GeometryPicture(GeometryPicture::Kind::Suspended, t::kGeometrySuspended, page));
    row->addWidget(new GeometryPicture(GeometryPicture::Kind::GroundMonitor, t::kGeometryMonitor, page));
    row->addWidget(new GeometryPicture(GeometryPicture::Kind::OnGround, t::kGeometryOnGround, page));
    v->addLayout(row, 1);
    geometryOk_ = new QCheckBox(t::kGeometryOk, page);
    geometryOk_->setObjectName("CheckGeometry");
    connect(geometryOk_, &QCheckBox::toggled, this, [this] { UpdateNavigation(); });
    v->addWidget(geometryOk_);
    return page;
}

QWidget* FirWizardWindow::BuildWiring() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* hint = new QLabel(t::kWiringHint, page);
    hint->setWordWrap(true);
    v->addWidget(hint);
    auto* g = new QGridLayout;
    devCombo_ = new QComboBox(page);
    devCombo_->setObjectName("DevCombo");
    outCombo_ = new QComboBox(page);
    outCombo_->setObjectName("OutChCombo");
    inCombo_ = new QComboBox(page);
    inCombo_->setObjectName("InpChCombo");
    lblAsio_ = new QLabel(page);
    lblAsio_->setObjectName("LblASIO");
    g->addWidget(new QLabel(t::kAsio, page), 0, 0);
    g->addWidget(devCombo_, 0, 1);
    panel_ = new QPushButton(t::kControlPanel, page);
    panel_->setObjectName("BtnControlPanel");
    g->addWidget(panel_, 0, 2);
    g->addWidget(new QLabel(t::kLineOut, page), 1, 0);
    g->addWidget(outCombo_, 1, 1);
    g->addWidget(new QLabel(t::kMicIn, page), 2, 0);
    g->addWidget(inCombo_, 2, 1);
    g->addWidget(lblAsio_, 3, 1, 1, 2);
    roomDecay_ = new Stepper("LblRoomDecay", page);
    g->addWidget(new QLabel(t::kRoomDecay, page), 4, 0);
    g->addWidget(roomDecay_, 4, 1);
    g->setColumnStretch(1, 1);
    v->addLayout(g);

    auto* testBox = new QGroupBox(t::kTest, page);
    auto* tg = new QGridLayout(testBox);
    test_ = new QPushButton(t::kTest, testBox);
    test_->setObjectName("BtnTest");
    measureStatus_ = new QLabel(testBox);
    measureStatus_->setObjectName("MeasureStatusLbl");
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
    v->addWidget(testBox);
    v->addStretch(1);

    roomDecay_->setText(QString::fromStdString(wizard::RoomDecayText(roomDecaySeconds_)));
    connect(roomDecay_, &Stepper::stepped, this, [this](int d) {
        roomDecaySeconds_ =
            std::clamp(roomDecaySeconds_ + d, wizard::kMinRoomDecaySeconds, wizard::kMaxRoomDecaySeconds);
        roomDecay_->setText(QString::fromStdString(wizard::RoomDecayText(roomDecaySeconds_)));
    });
    connect(devCombo_, &QComboBox::currentIndexChanged, this,
            [this] { DeviceChosen(devCombo_, outCombo_, inCombo_, lblAsio_); });
    for (QComboBox* c : {outCombo_, inCombo_})
        connect(c, &QComboBox::currentIndexChanged, this,
                [this] { DeviceChosen(nullptr, outCombo_, inCombo_, lblAsio_); });
    connect(panel_, &QPushButton::clicked, this, [this] {
        if (devCombo_->currentIndex() > 0) devices_->OpenControlPanel(devCombo_->currentIndex() - 1);
    });
    connect(test_, &QPushButton::clicked, this, &FirWizardWindow::ClickTest);
    return page;
}

void FirWizardWindow::FillDeviceList(QComboBox* devices) {
    const QSignalBlocker block(devices);
    devices->clear();
    devices->addItem(t::kSelectCard);
    for (const std::string& name : devices_->DriverNames()) devices->addItem(QString::fromStdString(name));
    devices->setCurrentIndex(0);
    if (devices == devCombo_)
        DeviceChosen(devCombo_, outCombo_, inCombo_, lblAsio_);
    else
        DeviceChosen(devVerify_, outVerify_, inVerify_, lblAsioVerify_);
}

// With `devices` set the channel lists are refilled for the chosen card (or
// cleared and disabled when it cannot be used); the chosen names are shown
// in `shown` either way.
void FirWizardWindow::DeviceChosen(QComboBox* devices, QComboBox* outputs, QComboBox* inputs, QLabel* shown) {
    if (devices) {
        const int device = devices->currentIndex() - 1;
        const bool usable = device >= 0 && devices_->IsUsable(device);
        const QSignalBlocker bo(outputs), bi(inputs);
        outputs->clear();
        inputs->clear();
        outputs->addItem(device < 0 ? t::kSelectCard : t::kSelectOutput);
        inputs->addItem(device < 0 ? t::kSelectCard : t::kSelectInput);
        if (usable) {
            for (const std::string& n : devices_->OutputNames(device))
                outputs->addItem(QString::fromStdString(n));
            for (const std::string& n : devices_->InputNames(device))
                inputs->addItem(QString::fromStdString(n));
        }
        outputs->setEnabled(usable);
        inputs->setEnabled(usable);
        // The verification starts from the measurement's choice.
        if (devices == devCombo_ && devVerify_ && devVerify_->count() == devCombo_->count() &&
            devVerify_->currentIndex() <= 0) {
            devVerify_->setCurrentIndex(devCombo_->currentIndex());
        }
    }
    QComboBox* devs = shown == lblAsio_ ? devCombo_ : devVerify_;
    if (shown && devs) {
        shown->setText(devs->currentIndex() > 0 && outputs->currentIndex() > 0 && inputs->currentIndex() > 0
                           ? devs->currentText() + ":  " + outputs->currentText() + "  ->  " +
                                 inputs->currentText()
                           : QString());
    }
    if (next_) UpdateNavigation();
}

void FirWizardWindow::ClickTest() {
    if (!measurement_->StartMicTest(Selection(devCombo_, outCombo_, inCombo_))) return;
    measureStatus_->setText(t::kTestingMic);
    testProgress_->setValue(0);
    SetRunning(true);
    StartTimers();
}

}  // namespace zef
