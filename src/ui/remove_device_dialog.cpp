#include "ui/remove_device_dialog.h"

#include <QCheckBox>
#include <QScrollArea>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"

namespace zef {

RemoveDeviceDialog::RemoveDeviceDialog(ListActions& list, QWidget* parent) : QDialog(parent), list_(list) {
    setObjectName("FrmRemoveDevice");
    setWindowTitle(kRemoveTitle);
    auto* layout = new QVBoxLayout(this);

    auto* rows = new QWidget;
    auto* rowsLayout = new QVBoxLayout(rows);
    for (DeviceSlot slot = 1; slot <= kMaxListedDevices; ++slot) {
        const DeviceEntry& e = list_.list().model().entry(slot);
        if (!e.inList) continue;
        const RowTexts t = MakeRowTexts(e);
        QString text = QString("%1   %2   %3").arg(QString::fromStdString(t.name),
                                                 QString::fromStdString(t.interfaceName),
                                                 QString::fromStdString(e.isUsb() ? "" : t.ip));
        if (!t.uniqueId.empty()) text += "   UID " + QString::fromStdString(t.uniqueId);
        auto* tick = new QCheckBox(text.simplified(), rows);
        tick->setObjectName(QString("CheckRemove%1").arg(slot));
        rowsLayout->addWidget(tick);
        ticks_.emplace_back(slot, tick);
    }
    rowsLayout->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(rows);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(360, 220);
    layout->addWidget(scroll);

    AddDialogButtons(this, layout, {"Remove", "LabelRemove"}, [this] { ClickRemove(); });
}

QCheckBox* RemoveDeviceDialog::tickBox(DeviceSlot slot) const {
    for (const auto& [s, box] : ticks_)
        if (s == slot) return box;
    return nullptr;
}

std::vector<DeviceSlot> RemoveDeviceDialog::ticked() const {
    std::vector<DeviceSlot> out;
    for (const auto& [slot, box] : ticks_)
        if (box->isChecked()) out.push_back(slot);
    return out;
}

void RemoveDeviceDialog::ClickRemove() {
    if (list_.Remove(ticked())) accept();
}

}  // namespace zef
