#include "ui/dialog_parts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

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

OperationProgress OperationProgress::Add(QWidget* parent, QBoxLayout* layout) {
    OperationProgress p{new QLabel(parent), new QProgressBar(parent)};
    p.caption->setObjectName("LabelCaption");
    p.progress->setRange(0, 1);
    p.progress->setValue(0);
    layout->addWidget(p.caption);
    layout->addWidget(p.progress);
    return p;
}

void OperationProgress::ShowCaption(const std::string& text) const {
    caption->setText(QString::fromStdString(text));
}

void OperationProgress::ShowProgress(int value, int maximum) const {
    progress->setMaximum(maximum > 0 ? maximum : 1);
    progress->setValue(std::min(value, progress->maximum()));
}

}  // namespace zef
