#pragma once
// EditNameDialog: renames one device, in the list and in the device itself.

#include <QDialog>

#include "app/list_actions.h"

class QLineEdit;

namespace zef {

class EditNameDialog final : public QDialog {
    Q_OBJECT
public:
    EditNameDialog(ListActions& list, Exchange& exchange, DeviceSlot slot, QWidget* parent = nullptr);

    QLineEdit* nameBox() const { return name_; }
    // Hands the text to the device list; closes once the name was taken
    // (also when the device could not be written: the local name changed).
    void ClickOk();

private:
    ListActions& list_;
    Exchange& exchange_;
    DeviceSlot slot_;
    QLineEdit* name_ = nullptr;
};

}  // namespace zef
