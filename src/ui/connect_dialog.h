#pragma once
// ConnectDialog: connects one listed device or every listed off-line device,
// either reading the device's settings into the editor or loading the
// editor's settings into the device.

#include <QDialog>
#include <optional>

#include "app/connect_actions.h"
#include "device/connection.h"
#include "ui/dialog_parts.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace zef {

class ConnectDialog final : public QDialog {
    Q_OBJECT
public:
    // Connect: "Connect" runs the connection itself, showing its progress.
    // Choose: "Connect" only closes the dialog with the chosen mode (the
    // caller connects).
    enum class Role { Connect, Choose };

    // `slot` 0 = every listed off-line device. `connection` tells the
    // caption and the progress of what `actions` connect.
    ConnectDialog(const Model& model, Connection& connection, ConnectActions& actions, DeviceSlot slot,
                  Role role = Role::Connect, QWidget* parent = nullptr);

    // The mode chosen with "Connect"; nullopt after "Cancel".
    std::optional<ConnectMode> chosen() const { return chosen_; }

    QRadioButton* readOption() const { return read_; }
    QRadioButton* loadOption() const { return load_; }
    QPushButton* connectButton() const { return buttons_.action; }
    QLabel* caption() const { return feedback_.caption; }
    QProgressBar* progress() const { return feedback_.progress; }
    void ClickConnect();

private:
    Connection& connection_;
    ConnectActions& actions_;
    DeviceSlot slot_;
    Role role_;
    std::optional<ConnectMode> chosen_;
    QRadioButton* read_ = nullptr;
    QRadioButton* load_ = nullptr;
    OperationProgress feedback_;
    ButtonRow buttons_;
};

}  // namespace zef
