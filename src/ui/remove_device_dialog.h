#pragma once
// RemoveDeviceDialog: one tick box per listed device; "Remove" removes the
// ticked ones after the user agreed.

#include <QDialog>
#include <vector>

#include "app/list_actions.h"

class QCheckBox;

namespace zef {

class RemoveDeviceDialog final : public QDialog {
    Q_OBJECT
public:
    RemoveDeviceDialog(ListActions& list, QWidget* parent = nullptr);

    // The tick box of `slot`, or nullptr when the slot is not listed.
    QCheckBox* tickBox(DeviceSlot slot) const;
    std::vector<DeviceSlot> ticked() const;
    void ClickRemove();

private:
    ListActions& list_;
    std::vector<std::pair<DeviceSlot, QCheckBox*>> ticks_;
};

}  // namespace zef
