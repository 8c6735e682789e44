#include "ui/auto_update_window.h"

#include <QBoxLayout>
#include <QLabel>
#include <QTimer>

namespace zef {

DeviceRereadWindow::DeviceRereadWindow(DeviceReader& reader, DeviceSlot slot, QWidget* parent)
    : QDialog(parent), reader_(reader), slot_(slot) {
    setObjectName("FrmAutoUpdateGui");
    setWindowTitle("Update");
    setModal(true);
    auto* v = new QVBoxLayout(this);
    auto* text = new QLabel("Please wait, GUI updating...........", this);
    text->setObjectName("Label1");
    v->addWidget(text);
    setMinimumWidth(300);
    QTimer::singleShot(100, this, &DeviceRereadWindow::Run);
}

void DeviceRereadWindow::Run() {
    outcome_ = reader_.UpdateIfChanged(slot_);
    accept();
}

}  // namespace zef
