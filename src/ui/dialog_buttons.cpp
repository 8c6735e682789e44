#include "ui/dialog_buttons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>
#include <QRadioButton>

namespace zef {

ButtonRow MakeButtonRow(QWidget* parent, const ActionButton& action, const QString& leaveText) {
    ButtonRow row;
    row.layout = new QHBoxLayout;
    row.layout->addStretch();
    row.action = new QPushButton(action.text, parent);
    if (!action.objectName.isEmpty()) row.action->setObjectName(action.objectName);
    row.action->setDefault(action.isDefault);
    row.leave = new QPushButton(leaveText, parent);
    row.layout->addWidget(row.action);
    row.layout->addWidget(row.leave);
    return row;
}

ButtonRow AddDialogButtons(QDialog* dialog, QBoxLayout* layout, const ActionButton& action,
                           std::function<void()> onAction, const QString& leaveText) {
    ButtonRow row = MakeButtonRow(dialog, action, leaveText);
    layout->addLayout(row.layout);
    QObject::connect(row.action, &QPushButton::clicked, dialog, std::move(onAction));
    QObject::connect(row.leave, &QPushButton::clicked, dialog, &QDialog::reject);
    return row;
}

std::pair<QRadioButton*, QRadioButton*> AddInterfaceOptions(QWidget* parent, QBoxLayout* row,
                                                            const QString& usbText, const QString& tcpText) {
    auto* usb = new QRadioButton(usbText, parent);
    auto* tcp = new QRadioButton(tcpText, parent);
    usb->setObjectName("OptionUSB");
    tcp->setObjectName("OptionTCP");
    row->addWidget(usb);
    row->addWidget(tcp);
    row->addStretch();
    return {usb, tcp};
}

}  // namespace zef
