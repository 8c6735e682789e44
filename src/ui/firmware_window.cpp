#include "ui/firmware_window.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "device/device_list.h"
#include "device/serial_fw_loader.h"
#include "transport/qt_transport.h"
#include "ui/dialog_parts.h"

namespace zef {

FwUpdateWindow::FwUpdateWindow(const FirmwareTools& tools, DeviceSlot slot, Kind kind, QWidget* parent,
                               std::unique_ptr<FwLoader> loader)
    : QDialog(parent), tools_(tools), loader_(std::move(loader)) {
    setObjectName(kind == Kind::BootLoader ? "frmFwBootLoader" : "FwUpdateDemo");
    setWindowTitle(kind == Kind::BootLoader ? "Firmware Update - Boot Loader" : kFwWindowTitle);
    if (!loader_) loader_ = std::make_unique<SerialFwLoader>(std::make_unique<QtSerialPort>(tools_.ports));

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    name_ = new QLabel(this);
    name_->setObjectName("LabelName");
    uid_ = new QLabel(this);
    uid_->setObjectName("LabelUID");
    form->addRow("Device:", name_);
    form->addRow("Unique ID:", uid_);
    layout->addLayout(form);

    auto* fileRow = new QHBoxLayout;
    file_ = new QLabel(this);
    file_->setObjectName("LabelFile");
    file_->setFrameShape(QFrame::StyledPanel);
    file_->setMinimumWidth(320);
    file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* load = new QPushButton("Load File...", this);
    load->setObjectName("LabelLoadFile");
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(load);
    layout->addLayout(fileRow);

    status_ = new QLabel(this);
    status_->setObjectName("LabelStatus");
    layout->addWidget(status_);
    auto* progressRow = new QHBoxLayout;
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    percent_ = new QLabel(this);
    percent_->setMinimumWidth(fontMetrics().horizontalAdvance("100%") + 4);
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(percent_);
    layout->addLayout(progressRow);

    const auto start = [this] { ClickStart(); };
    start_ = AddDialogButtons(this, layout, {"Start", "LabelStart"}, start, "Close").action;
    connect(load, &QPushButton::clicked, this, &FwUpdateWindow::ClickLoadFile);

    presenter_ = std::make_unique<FirmwareUpdate>(tools_.model, tools_.exchange, tools_.serial,
                                                  tools_.dialogs, *loader_, *this, slot);
    offline_ = presenter_->wentOffline.Connect([this](DeviceSlot s) { tools_.list.RowChanged(s); });
    presenter_->Load();
}

FwUpdateWindow::~FwUpdateWindow() { loader_->SetProgressHandler({}); }

void FwUpdateWindow::ClickLoadFile() { presenter_->ChooseFile(tools_.dataFolder); }

void FwUpdateWindow::ClickStart() {
    start_->setEnabled(false);
    presenter_->Start();
    start_->setEnabled(true);
}

void FwUpdateWindow::ShowDevice(const std::string& name, const std::string& uniqueId) {
    name_->setText(QString::fromStdString(name));
    uid_->setText(QString::fromStdString(uniqueId));
}

void FwUpdateWindow::ShowFile(const std::string& label) { file_->setText(QString::fromStdString(label)); }

void FwUpdateWindow::ShowStatus(const std::string& text) {
    status_->setText(QString::fromStdString(text));
    // The load runs on this thread; let the new status paint.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void FwUpdateWindow::ShowProgress(std::optional<int> percent) {
    progress_->setValue(percent.value_or(0));
    percent_->setText(percent ? QString::number(*percent) + "%" : QString());
}

void FwUpdateWindow::CloseWindow() { accept(); }

}  // namespace zef
