#include "ui/fir_wizard_house.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>

#include "app/dialogs.h"
#include "app/measure_target.h"
#include "app/wizard_design.h"
#include "base/c_number.h"
#include "base/utf8_path.h"
#include "measure/fir_design.h"
#include "ui/calibration_dialog.h"

namespace zef {

std::string WorstCaseText(double gainDb) {
    if (std::isnan(gainDb)) return "";
    const std::string figure = (gainDb >= 0 ? "+" : "") + CFixed(gainDb, 1);
    return "Worst-case gain " + figure + " dB: " +
           (gainDb > measure::kFirHeadroomDb ? "above the headroom" : "within the headroom");
}

FirHouseControls::FirHouseControls(wizard::Design& design, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), design_(design), dialogs_(dialogs) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    houseRow_ = new QWidget(this);
    auto* row = new QHBoxLayout(houseRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel("House curve:", houseRow_));
    browse_ = new QPushButton("Browse…", houseRow_);
    browse_->setObjectName("BtnHouseCurve");
    clear_ = new QPushButton("Clear", houseRow_);
    clear_->setObjectName("BtnHouseClear");
    row->addWidget(browse_);
    row->addWidget(clear_);
    name_ = new QLabel("none", this);
    name_->setObjectName("LblHouseCurve");
    fit_ = new QCheckBox("Scale to fit the headroom", this);
    fit_->setObjectName("CheckFitHeadroom");
    fit_->setChecked(design_.fitHeadroom());
    worst_ = new QLabel(this);
    worst_->setObjectName("LblWorstCase");
    worst_->setWordWrap(true);
    v->addWidget(houseRow_);
    v->addWidget(name_);
    v->addWidget(fit_);
    v->addWidget(worst_);
    connect(browse_, &QPushButton::clicked, this, &FirHouseControls::Browse);
    connect(clear_, &QPushButton::clicked, this, &FirHouseControls::ClearHouse);
    connect(fit_, &QCheckBox::toggled, this, [this](bool on) {
        design_.SetFitHeadroom(on);
        emit changed();
    });
}

void FirHouseControls::Browse() {
    if (const std::optional<std::string> path = BrowseCurveFile(dialogs_, "House curve", design_.houseFile()))
        ChooseHouse(*path);
}

bool FirHouseControls::ChooseHouse(const std::string& path) {
    FrequencyCurve curve;
    if (!ReadChosenCurve(dialogs_, "House curve", path, curve)) return false;
    design_.SetHouse(std::move(curve), path);
    name_->setText(QString::fromStdString(Utf8FileName(path)));
    name_->setToolTip(QString::fromStdString(path));
    emit changed();
    return true;
}

void FirHouseControls::ClearHouse() {
    design_.SetHouse({}, {});
    name_->setText("none");
    name_->setToolTip({});
    emit changed();
}

void FirHouseControls::ShowMode(int firMode) {
    houseRow_->setVisible(firMode == 1);
    name_->setVisible(firMode == 1);
}

void FirHouseControls::ShowWorstCase() {
    const double gain = design_.worstCaseGainDb();
    worst_->setText(QString::fromStdString(WorstCaseText(gain)));
    worst_->setStyleSheet(!std::isnan(gain) && gain > measure::kFirHeadroomDb ? "color: #c00000;" : "");
}

}  // namespace zef
