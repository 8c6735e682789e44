#include "ui/target_chooser.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <filesystem>

#include "app/dialogs.h"
#include "app/measure_target.h"
#include "base/utf8_path.h"
#include "files/frequency_curve.h"
#include "ui/calibration_dialog.h"

namespace zef {

TargetChooser::TargetChooser(MeasureTarget& target, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), target_(target), dialogs_(dialogs) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel("Target:", this));
    kind_ = new QComboBox(this);
    kind_->setObjectName("ComboTarget");
    kind_->addItems({"Flat", "Tilt", "File…"});
    tilt_ = new QDoubleSpinBox(this);
    tilt_->setObjectName("SpinTilt");
    tilt_->setRange(-3.0, 3.0);
    tilt_->setSingleStep(0.5);
    tilt_->setDecimals(1);
    tilt_->setSuffix(" dB/oct");
    browse_ = new QPushButton("Browse…", this);
    browse_->setObjectName("BtnTargetFile");
    file_ = new QLabel(this);
    file_->setObjectName("LabelTargetFile");
    row->addWidget(kind_);
    row->addWidget(tilt_);
    row->addWidget(browse_);
    row->addWidget(file_);
    row->addStretch(1);
    Show();
    connect(kind_, &QComboBox::currentIndexChanged, this, &TargetChooser::KindChosen);
    connect(tilt_, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        target_.tiltDbPerOctave = v;
        if (changed) changed();
    });
    connect(browse_, &QPushButton::clicked, this, &TargetChooser::Browse);
}

void TargetChooser::Show() {
    const QSignalBlocker blockKind(kind_);
    const QSignalBlocker blockTilt(tilt_);
    kind_->setCurrentIndex(static_cast<int>(target_.kind));
    tilt_->setValue(target_.tiltDbPerOctave);
    tilt_->setVisible(target_.kind == MeasureTarget::Kind::Tilt);
    browse_->setVisible(target_.kind == MeasureTarget::Kind::File);
    file_->setVisible(target_.kind == MeasureTarget::Kind::File);
    file_->setText(QString::fromStdString(Utf8FileName(target_.file)));
    file_->setToolTip(QString::fromStdString(target_.file));
}

void TargetChooser::KindChosen(int index) {
    const auto kind = static_cast<MeasureTarget::Kind>(index);
    if (kind == MeasureTarget::Kind::File && target_.file.empty()) {
        Browse();  // a file target needs its file; without one the choice stays
        Show();
        return;
    }
    target_.kind = kind;
    Show();
    if (changed) changed();
}

void TargetChooser::Browse() {
    if (const std::optional<std::string> path = BrowseCurveFile(dialogs_, "Target curve", target_.file))
        ChooseFile(*path);
}

bool TargetChooser::ChooseFile(const std::string& path) {
    FrequencyCurve curve;
    if (!ReadChosenCurve(dialogs_, "Target curve", path, curve)) return false;
    target_.kind = MeasureTarget::Kind::File;
    target_.file = path;
    Show();
    if (changed) changed();
    return true;
}

}  // namespace zef
