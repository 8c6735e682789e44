#pragma once
// RemoteControlWindow ("Settings" → "Remote control…"): switches the
// remote-control service on and off for this run, with the address and
// port of HTTP and the stream, OSC, and new tokens (each shown once; only
// its hash is kept). What is typed is saved in remote.conf before the
// service starts; a problem shows in the status line.
#include <QDialog>

#include "app/remote_control.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zef {

class RemoteControlWindow final : public QDialog {
    Q_OBJECT
public:
    RemoteControlWindow(RemoteControl& remote, QWidget* parent = nullptr);

    // Saves the fields and starts the service, or stops it when it runs.
    void ClickSwitch();
    // Makes a token with this access and shows it.
    void ClickNewToken(remote::Access access);

    QLineEdit* addressBox() const { return address_; }
    QSpinBox* portBox() const { return port_; }
    QCheckBox* oscBox() const { return osc_; }
    QSpinBox* oscPortBox() const { return oscPort_; }
    QLabel* statusLabel() const { return status_; }
    QLineEdit* tokenBox() const { return token_; }
    QPushButton* switchButton() const { return switch_; }

private:
    void Fill();
    void ShowTokens(const remote::RemoteConfig& config);
    void ShowState(const std::string& problem = {});
    RemoteControl& remote_;
    QLineEdit* address_ = nullptr;
    QSpinBox* port_ = nullptr;
    QCheckBox* osc_ = nullptr;
    QSpinBox* oscPort_ = nullptr;
    QLabel* tokens_ = nullptr;
    QLineEdit* token_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* switch_ = nullptr;
};

}  // namespace zef
