#include "ui/calibration_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <filesystem>

#include "app/dialogs.h"
#include "app/measure_target.h"
#include "base/c_number.h"
#include "base/utf8_path.h"
#include "ui/dialog_parts.h"

namespace zef {

std::optional<std::string> BrowseCurveFile(Dialogs& dialogs, const std::string& title, const std::string& current) {
    const std::string folder = current.empty() ? std::string() : Utf8FromPath(PathFromUtf8(current).parent_path());
    return dialogs.OpenFile(title, kCurveFileFilter, folder);
}

CalibrationDialog::CalibrationDialog(CalibrationStore& store, Dialogs& dialogs, std::string cardName, int input,
                                     QWidget* parent)
    : QDialog(parent),
      store_(store),
      dialogs_(dialogs),
      cardName_(std::move(cardName)),
      input_(input),
      files_(store.files(cardName_, input)) {
    setObjectName("FrmCalibration");
    setWindowTitle(kCalibrationTitle);
    auto* v = new QVBoxLayout(this);
    auto* what = new QLabel(QString::fromStdString(cardName_) + ", input " + QString::number(input_ + 1), this);
    v->addWidget(what);
    auto* grid = new QGridLayout;
    AddRow(grid, kMicrophone, "Microphone:");
    AddRow(grid, kCard, "Sound card:");
    grid->setColumnStretch(1, 1);
    v->addLayout(grid);
    auto* note = new QLabel("Each file holds lines of \"frequency dB [phase]\"; the measured levels are "
                            "corrected by them. A sensitivity line is shown, not applied.",
                            this);
    note->setWordWrap(true);
    v->addWidget(note);
    AddDialogButtons(this, v, {"OK", "BtnCalibrationOk", true}, [this] { ClickOk(); });
    for (Part part : {kMicrophone, kCard}) {
        FrequencyCurve curve;
        const bool read = !File(part).empty() && ReadFrequencyCurve(File(part), curve).empty();
        ShowPart(part, read ? &curve : nullptr);
    }
    setMinimumWidth(520);
}

void CalibrationDialog::AddRow(QGridLayout* grid, Part part, const char* caption) {
    const int row = 2 * part;
    grid->addWidget(new QLabel(caption, this), row, 0);
    paths_[part] = new QLineEdit(this);
    paths_[part]->setReadOnly(true);
    paths_[part]->setObjectName(part == kMicrophone ? "EditMicCal" : "EditCardCal");
    grid->addWidget(paths_[part], row, 1);
    auto* browse = new QPushButton("Browse…", this);
    auto* clear = new QPushButton("Clear", this);
    grid->addWidget(browse, row, 2);
    grid->addWidget(clear, row, 3);
    sensitivity_[part] = new QLabel(this);
    grid->addWidget(sensitivity_[part], row + 1, 1, 1, 3);
    connect(browse, &QPushButton::clicked, this, [this, part] { Browse(part); });
    connect(clear, &QPushButton::clicked, this, [this, part] { Clear(part); });
}

void CalibrationDialog::ShowPart(Part part, const FrequencyCurve* curve) {
    paths_[part]->setText(QString::fromStdString(File(part)));
    QString text;
    if (curve && curve->sensitivityDb) text = "Sensitivity " + QString::fromStdString(CFixed(*curve->sensitivityDb, 2)) + " dB";
    if (curve) {
        const QString points = QString::number(curve->points.size()) + " points";
        text = text.isEmpty() ? points : text + ", " + points;
    }
    sensitivity_[part]->setText(text);
}

void CalibrationDialog::Browse(Part part) {
    const char* title = part == kMicrophone ? "Microphone calibration" : "Sound card calibration";
    if (const std::optional<std::string> path = BrowseCurveFile(dialogs_, title, File(part))) Choose(part, *path);
}

bool CalibrationDialog::Choose(Part part, const std::string& path) {
    FrequencyCurve curve;
    if (!ReadChosenCurve(dialogs_, kCalibrationTitle, path, curve)) return false;
    File(part) = path;
    ShowPart(part, &curve);
    return true;
}

void CalibrationDialog::Clear(Part part) {
    File(part).clear();
    ShowPart(part, nullptr);
}

bool CalibrationDialog::ClickOk() {
    if (std::string e = store_.Set(cardName_, input_, files_); !e.empty()) {
        dialogs_.Message(kCalibrationTitle, e, Icon::Exclamation);
        return false;
    }
    accept();
    return true;
}

CalibrationButton::CalibrationButton(QWidget* parent) : QPushButton(kCalibrationCaption, parent) {
    setObjectName("BtnCalibration");
    setVisible(false);
    connect(this, &QPushButton::clicked, this, &CalibrationButton::Open);
}

void CalibrationButton::Setup(std::string dataFolder, Dialogs& dialogs) {
    dataFolder_ = std::move(dataFolder);
    dialogs_ = &dialogs;
    setVisible(true);
    ShowCaption();
}

void CalibrationButton::SetInput(std::string cardName, int input) {
    cardName_ = std::move(cardName);
    input_ = input;
    ShowCaption();
}

void CalibrationButton::ShowCaption() {
    const bool chosen = !cardName_.empty() && input_ >= 0 && dialogs_;
    setEnabled(chosen);
    const CalibrationFiles files =
        chosen ? CalibrationStore(dataFolder_).files(cardName_, input_) : CalibrationFiles{};
    setText(files.empty() ? QString(kCalibrationCaption) : QString::fromStdString(CalibrationCaption(files)));
    setToolTip(files.empty() ? QString("No calibration for this input")
                             : QString::fromStdString(files.microphone + "\n" + files.card).trimmed());
}

void CalibrationButton::Open() {
    if (!isEnabled() || !dialogs_) return;
    CalibrationStore store(dataFolder_);
    CalibrationDialog dialog(store, *dialogs_, cardName_, input_, window());
    if (dialog.exec() != QDialog::Accepted) return;
    ShowCaption();
    if (changed) changed();
}

}  // namespace zef
