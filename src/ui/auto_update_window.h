#pragma once
// DeviceRereadWindow: the small modal window that reads a device again after
// it changed by itself ("Please wait, GUI updating..........."). It starts
// the update 100 ms after it shows and closes itself when done.

#include <QDialog>
#include <optional>

#include "device/device_reader.h"

namespace zef {

class DeviceRereadWindow final : public QDialog {
    Q_OBJECT
public:
    DeviceRereadWindow(DeviceReader& reader, DeviceSlot slot, QWidget* parent = nullptr);
    // What the update did; nullopt when nothing was due.
    std::optional<UpdateKind> outcome() const { return outcome_; }

private:
    void Run();
    DeviceReader& reader_;
    DeviceSlot slot_;
    std::optional<UpdateKind> outcome_;
};

}  // namespace zef
