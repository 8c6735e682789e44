#include "ui/add_device_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <tuple>

#include "ui/dialog_parts.h"

namespace zef {

AddDeviceDialog::AddDeviceDialog(ListActions& list, QWidget* parent) : QDialog(parent), list_(list) {
    setObjectName("FrmAddDevice");
    setWindowTitle(kAddDeviceTitle);
    auto* layout = new QVBoxLayout(this);

    auto* choice = new QGroupBox("Interface", this);
    auto* choiceLayout = new QHBoxLayout(choice);
    std::tie(usb_, tcp_) = AddInterfaceOptions(choice, choiceLayout, "USB", "TCP/IP");
    tcp_->setChecked(true);
    usb_->setEnabled(list_.list().UsbChoiceAllowed());
    if (!usb_->isEnabled()) usb_->setToolTip("A USB device is already on the list");
    layout->addWidget(choice);

    auto* address = new QGroupBox("IP Address", this);
    auto* addressLayout = new QHBoxLayout(address);
    const AddRequest defaults;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        if (i > 0) addressLayout->addWidget(new QLabel(".", address));
        boxes_[i] = new QLineEdit(QString::fromStdString(defaults.boxes[i]), address);
        boxes_[i]->setObjectName(QString("TextIp%1").arg(i));
        boxes_[i]->setMaxLength(3);
        boxes_[i]->setAlignment(Qt::AlignCenter);
        boxes_[i]->setFixedWidth(boxes_[i]->fontMetrics().horizontalAdvance("0000") + 12);
        addressLayout->addWidget(boxes_[i]);
    }
    addressLayout->addStretch();
    layout->addWidget(address);

    AddDialogButtons(this, layout, {"Add", "LabelAdd", true}, [this] { ClickAdd(); });

    connect(usb_, &QRadioButton::toggled, this, &AddDeviceDialog::ChoiceChanged);
    ChoiceChanged();
}

AddRequest AddDeviceDialog::request() const {
    AddRequest r;
    r.usb = usb_->isChecked();
    for (std::size_t i = 0; i < boxes_.size(); ++i) r.boxes[i] = boxes_[i]->text().toStdString();
    return r;
}

void AddDeviceDialog::ChoiceChanged() {
    for (QLineEdit* box : boxes_) box->setEnabled(!usb_->isChecked());
}

void AddDeviceDialog::ClickAdd() {
    added_ = list_.Add(request());
    if (added_) accept();
}

}  // namespace zef
