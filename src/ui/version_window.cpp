#include "ui/version_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "model/records.h"
#include "ui/screen_rules.h"

namespace zef {

VersionWindow::VersionWindow(const Model& model, DeviceSlot slot, QWidget* parent) : QDialog(parent) {
    setObjectName("FrmVersion");
    setWindowTitle("Version");
    const DeviceEntry& entry = model.entry(slot);
    auto* grid = new QGridLayout(this);
    const auto addRow = [&](int row, const QString& caption, QLabel* value) {
        auto* label = new QLabel(caption, this);
        grid->addWidget(label, row, 0);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(value, row, 1);
    };
    software_ = new QLabel(kSoftwareVersion, this);
    firmware_ = new QLabel(QString::fromStdString(FirmwareVersionText(model.device(slot).settings)), this);
    firmware_->setObjectName("LblFirmware");
    addRow(0, "Software version:", software_);
    addRow(1, "Firmware version:", firmware_);
    addRow(2, "Device:", new QLabel(QString::fromStdString(entry.name), this));
    addRow(3, "Unique ID:", new QLabel(QString::fromStdString(entry.uniqueId), this));
    auto* close = new QPushButton("Close", this);
    close->setObjectName("LblBtn1");
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(close, 4, 1, Qt::AlignRight);
    grid->setColumnMinimumWidth(1, 160);
}

QString VersionWindow::softwareText() const { return software_->text(); }
QString VersionWindow::firmwareText() const { return firmware_->text(); }

}  // namespace zef
