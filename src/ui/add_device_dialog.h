#pragma once
// AddDeviceDialog: adds one entry to the device list by hand — USB or TCP/IP and
// the four octets of the address (preset 192.168.0.100; only a value in a box,
// nothing is contacted). "Add" hands the choice to the device list, which
// checks it and tells the user what is wrong; the dialog closes once an entry
// was made.

#include <QDialog>
#include <array>
#include <optional>

#include "app/list_actions.h"

class QLineEdit;
class QRadioButton;

namespace zef {

class AddDeviceDialog final : public QDialog {
    Q_OBJECT
public:
    AddDeviceDialog(ListActions& list, QWidget* parent = nullptr);

    // What the user has chosen so far.
    AddRequest request() const;
    // The slot filled by "Add", once it succeeded.
    std::optional<DeviceSlot> addedSlot() const { return added_; }

    QRadioButton* usbOption() const { return usb_; }
    QRadioButton* tcpOption() const { return tcp_; }
    QLineEdit* box(int i) const { return boxes_[static_cast<std::size_t>(i)]; }
    void ClickAdd();

private:
    void ChoiceChanged();

    ListActions& list_;
    QRadioButton* usb_ = nullptr;
    QRadioButton* tcp_ = nullptr;
    std::array<QLineEdit*, 4> boxes_{};
    std::optional<DeviceSlot> added_;
};

}  // namespace zef
