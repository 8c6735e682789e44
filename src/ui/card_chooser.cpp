#include "ui/card_chooser.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "app/texts.h"
#include "audio/device_manager.h"
#include "ui/calibration_dialog.h"

namespace zef {

CardChooser::CardChooser(AudioDeviceManager& manager, QWidget* parent) : QWidget(parent), manager_(manager) {
    auto* g = new QGridLayout(this);
    g->setContentsMargins(0, 0, 0, 0);
    cards_ = new QComboBox(this);
    cards_->setObjectName("ComboAsioDev");
    cards_->addItem(kSelectCardCaption);
    for (const std::string& name : manager_.DriverNames()) cards_->addItem(QString::fromStdString(name));
    inputs_ = new QComboBox(this);
    inputs_->setObjectName("ComboAsioInp");
    panel_ = new QPushButton(kControlPanelCaption, this);
    panel_->setObjectName("LabelControlPanel");
    g->addWidget(cards_, 0, 0, 1, 2);
    g->addWidget(new QLabel(kMicInCaption, this), 1, 0);
    g->addWidget(inputs_, 1, 1);
    g->addWidget(panel_, 2, 0, 1, 2);
    calibration_ = new CalibrationButton(this);
    g->addWidget(calibration_, 3, 0, 1, 2);
    connect(cards_, &QComboBox::currentIndexChanged, this, [this] {
        FillInputs();
        calibration_->SetInput(cardName(), input());
        if (changed) changed();
    });
    connect(inputs_, &QComboBox::currentIndexChanged, this, [this] {
        calibration_->SetInput(cardName(), input());
        if (changed) changed();
    });
    connect(panel_, &QPushButton::clicked, this, [this] {
        if (card() >= 0) manager_.OpenControlPanel(card());
    });
}

void CardChooser::FillInputs() {
    const QSignalBlocker block(inputs_);
    inputs_->clear();
    const int c = card();
    if (c < 0 || !manager_.IsUsable(c)) return;
    for (const std::string& name : manager_.InputNames(c)) inputs_->addItem(QString::fromStdString(name));
    inputs_->setCurrentIndex(-1);
}

void CardChooser::select(int card, int input) {
    cards_->setCurrentIndex(card >= 0 && card + 1 < cards_->count() ? card + 1 : 0);
    inputs_->setCurrentIndex(input >= 0 && input < inputs_->count() ? input : -1);
}

std::string CardChooser::cardName() const { return card() >= 0 ? cards_->currentText().toStdString() : std::string(); }

void CardChooser::EnableCalibration(std::string dataFolder, Dialogs& dialogs) {
    calibration_->Setup(std::move(dataFolder), dialogs);
    calibration_->SetInput(cardName(), input());
}

int CardChooser::card() const { return cards_->currentIndex() - 1; }

int CardChooser::input() const { return card() >= 0 ? inputs_->currentIndex() : -1; }

}  // namespace zef
