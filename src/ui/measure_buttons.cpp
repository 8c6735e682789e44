#include "ui/measure_buttons.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>

namespace zef {

MeasureButtons::MeasureButtons(QWidget* parent) : QWidget(parent) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    rta_ = new QPushButton("Analyser View", this);
    rta_->setObjectName("ImageRTA");
    rta_->setCheckable(true);
    connect(rta_, &QPushButton::toggled, this, &MeasureButtons::analyserToggled);
    autoEq_ = new QPushButton("AutoEQ", this);
    autoEq_->setObjectName("ImageAutoEq");
    connect(autoEq_, &QPushButton::clicked, this, &MeasureButtons::autoEqClicked);
    v->addWidget(rta_);
    v->addWidget(autoEq_);
}

void MeasureButtons::ShowAvailable(bool analyser, bool autoEq) {
    rta_->setEnabled(analyser);
    rta_->setToolTip(analyser ? "Shows the real-time analyser of the measuring microphone in the graph area "
                                "and starts it"
                              : "Real-time analyser in the graph area, with the noise generator and the "
                                "microphone level (not available in this version)");
    autoEq_->setEnabled(autoEq);
    autoEq_->setToolTip(autoEq ? "Fit this output's bands to a measured room curve"
                               : "AutoEQ: fits this output's bands to a measured room curve (not available "
                                 "in this version)");
}

void MeasureButtons::ShowAnalyserOff() {
    if (!rta_->isChecked()) return;
    const QSignalBlocker block(rta_);
    rta_->setChecked(false);
}

}  // namespace zef
