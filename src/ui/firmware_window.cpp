#include "ui/firmware_window.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/editor_session.h"

namespace zef {

FwUpdateWindow::FwUpdateWindow(EditorSession& session, DeviceSlot slot, Kind kind, QWidget* parent)
    : QDialog(parent), session_(session), slot_(slot) {
    setObjectName(kind == Kind::BootLoader ? "frmFwBootLoader" : "FwUpdateDemo");
    setWindowTitle(kind == Kind::BootLoader ? "Firmware Update - Boot Loader" : "Firmware Update");
    const DeviceEntry& entry = session_.model().entry(slot);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* name = new QLabel(QString::fromStdString(entry.name), this);
    name->setObjectName("LabelName");
    auto* uid = new QLabel(QString::fromStdString(entry.uniqueId), this);
    uid->setObjectName("LabelUID");
    form->addRow("Device:", name);
    form->addRow("Unique ID:", uid);
    layout->addLayout(form);

    auto* fileRow = new QHBoxLayout;
    file_ = new QLabel(kNoFirmwareFileText, this);
    file_->setObjectName("LabelFile");
    file_->setFrameShape(QFrame::StyledPanel);
    file_->setMinimumWidth(300);
    file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* load = new QPushButton("Load File...", this);
    load->setObjectName("LabelLoadFile");
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(load);
    layout->addLayout(fileRow);

    status_ = new QLabel(kFirmwareStatusText, this);
    status_->setObjectName("LabelStatus");
    layout->addWidget(status_);
    auto* progressRow = new QHBoxLayout;
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    percent_ = new QLabel("", this);
    percent_->setMinimumWidth(fontMetrics().horizontalAdvance("100%") + 4);
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(percent_);
    layout->addLayout(progressRow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    start_ = new QPushButton("Start", this);
    start_->setObjectName("LabelStart");
    // The firmware loader is not part of this build: starting is not offered.
    start_->setEnabled(false);
    start_->setToolTip("Not available in this version");
    auto* close = new QPushButton("Close", this);
    buttons->addWidget(start_);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(load, &QPushButton::clicked, this, &FwUpdateWindow::ClickLoadFile);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void FwUpdateWindow::ClickLoadFile() {
    const auto path = session_.dialogs().OpenFile("Fw Update", kFirmwareFilter, session_.dataFolder());
    if (path) file_->setText(QString::fromStdString(*path));
}

}  // namespace zef
