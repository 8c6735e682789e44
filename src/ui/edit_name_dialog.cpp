#include "ui/edit_name_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "model/memory_map.h"
#include "ui/dialog_parts.h"

namespace zef {

EditNameDialog::EditNameDialog(ListActions& list, Exchange& exchange, DeviceSlot slot, QWidget* parent)
    : QDialog(parent), list_(list), exchange_(exchange), slot_(slot) {
    setObjectName("FrmEditName");
    setWindowTitle(kEditNameTitle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Device name (3 to 16 characters):", this));
    name_ = new QLineEdit(QString::fromStdString(MakeRowTexts(list.list().model().entry(slot)).name), this);
    name_->setObjectName("TextName");
    name_->setMaxLength(static_cast<int>(ds::kDeviceNameSize));
    name_->setMinimumWidth(name_->fontMetrics().horizontalAdvance(QString(18, 'W')));
    layout->addWidget(name_);
    AddDialogButtons(this, layout, {"OK", "", true}, [this] { ClickOk(); });
}

void EditNameDialog::ClickOk() {
    const std::string text = name_->text().toStdString();
    const bool taken = text.size() >= 3;
    list_.EditName(slot_, text, exchange_);
    if (taken) {
        list_.list().RowChanged(slot_);
        accept();
    }
}

}  // namespace zef
