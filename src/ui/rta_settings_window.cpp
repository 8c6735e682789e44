#include "ui/rta_settings_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/measure_session.h"
#include "app/texts.h"
#include "ui/card_chooser.h"

namespace zef {

AnalyserSettingsWindow::AnalyserSettingsWindow(AudioDeviceManager& manager, MeasureSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName("FrmRTASettings");
    setWindowTitle(kRtaSettingsTitle);
    auto* v = new QVBoxLayout(this);
    chooser_ = new CardChooser(manager, this);
    v->addWidget(chooser_);
    for (const char* line : kRtaInfo) v->addWidget(new QLabel(line, this));
    auto* buttons = new QHBoxLayout;
    enable_ = new QPushButton(kEnableRtaCaption, this);
    enable_->setObjectName("LabelEnableRta");
    cancel_ = new QPushButton(kCancelCaption, this);
    cancel_->setObjectName("LabelCancel");
    buttons->addWidget(enable_);
    buttons->addStretch();
    buttons->addWidget(cancel_);
    v->addLayout(buttons);
    connect(enable_, &QPushButton::clicked, this, [this] { ClickEnable(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    chooser_->changed = [this] { ShowButtons(); };
    chooser_->select(settings_.card, settings_.input);
    ShowButtons();
}

void AnalyserSettingsWindow::ShowButtons() {
    const bool chosen = chooser_->chosen();
    enable_->setVisible(chosen);
    chooser_->controlPanel()->setVisible(chosen);
}

void AnalyserSettingsWindow::ClickEnable() {
    if (!chooser_->chosen()) return;
    settings_.card = chooser_->card();
    settings_.input = chooser_->input();
    settings_.cardName = chooser_->cardName();
    settings_.rtaEnabled = true;
    if (enable) enable();
    accept();
}

}  // namespace zef
