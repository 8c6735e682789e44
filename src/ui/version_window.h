#pragma once
// VersionWindow: the software version and the firmware version of one device.

#include <QDialog>

#include "model/device_model.h"

class QLabel;

namespace zef {

class VersionWindow final : public QDialog {
    Q_OBJECT
public:
    // Shows the software version and the firmware of `slot` as the model
    // holds it (settings bytes 1..3), with the device's name and unique ID.
    VersionWindow(const Model& model, DeviceSlot slot, QWidget* parent = nullptr);

    QString softwareText() const;
    QString firmwareText() const;

private:
    QLabel* software_ = nullptr;
    QLabel* firmware_ = nullptr;
};

}  // namespace zef
