#include "remote_control_window.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zef {

namespace {

QSpinBox* PortBox(QWidget* parent, const char* name) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(1, 65535);
    return box;
}

}  // namespace

RemoteControlWindow::RemoteControlWindow(RemoteControl& remote, QWidget* parent) : QDialog(parent), remote_(remote) {
    setObjectName("RemoteControlWindow");
    setWindowTitle("Remote control");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    address_ = new QLineEdit(this);
    address_->setObjectName("RemoteAddress");
    port_ = PortBox(this, "RemotePort");
    osc_ = new QCheckBox("OSC on UDP port", this);
    osc_->setObjectName("RemoteOsc");
    oscPort_ = PortBox(this, "RemoteOscPort");
    form->addRow("HTTP and stream address", address_);
    form->addRow("Port", port_);
    form->addRow(osc_, oscPort_);
    layout->addLayout(form);

    tokens_ = new QLabel(this);
    tokens_->setObjectName("RemoteTokens");
    tokens_->setWordWrap(true);
    layout->addWidget(tokens_);
    auto* tokenRow = new QHBoxLayout;
    auto* writeToken = new QPushButton("New token (write)", this);
    writeToken->setObjectName("NewWriteToken");
    auto* readToken = new QPushButton("New token (read only)", this);
    readToken->setObjectName("NewReadToken");
    tokenRow->addWidget(writeToken);
    tokenRow->addWidget(readToken);
    layout->addLayout(tokenRow);
    token_ = new QLineEdit(this);
    token_->setObjectName("RemoteNewToken");
    token_->setReadOnly(true);
    token_->setPlaceholderText("a new token shows here once; copy it now");
    layout->addWidget(token_);

    status_ = new QLabel(this);
    status_->setObjectName("RemoteStatus");
    status_->setWordWrap(true);
    layout->addWidget(status_);
    auto* foot = new QHBoxLayout;
    foot->addStretch();
    switch_ = new QPushButton(this);
    switch_->setObjectName("RemoteSwitch");
    auto* close = new QPushButton("Close", this);
    foot->addWidget(switch_);
    foot->addWidget(close);
    layout->addLayout(foot);

    connect(switch_, &QPushButton::clicked, this, &RemoteControlWindow::ClickSwitch);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(writeToken, &QPushButton::clicked, this, [this] { ClickNewToken(remote::Access::Write); });
    connect(readToken, &QPushButton::clicked, this, [this] { ClickNewToken(remote::Access::Read); });
    Fill();
    ShowState();
}

void RemoteControlWindow::Fill() {
    std::string problem;
    const remote::RemoteConfig c = remote_.Load(&problem);
    address_->setText(QString::fromStdString(c.listenHost));
    port_->setValue(c.listenPort);
    osc_->setChecked(!c.oscHost.empty());
    oscPort_->setValue(c.oscPort != 0 ? c.oscPort : 9000);
    ShowTokens(c);
    if (!problem.empty()) status_->setText(QString::fromStdString(problem));
}

void RemoteControlWindow::ShowTokens(const remote::RemoteConfig& c) {
    tokens_->setText(c.tokens.empty() ? "No tokens: the service may listen on loopback only (127.x.x.x), and "
                                        "anything on this machine may use it."
                                      : QString("%1 tokens kept (their hashes only). Every request needs one.")
                                            .arg(c.tokens.size()));
}

void RemoteControlWindow::ShowState(const std::string& problem) {
    const bool on = remote_.running();
    switch_->setText(on ? "Switch off" : "Switch on");
    for (QWidget* w : std::initializer_list<QWidget*>{address_, port_, osc_, oscPort_}) w->setEnabled(!on);
    status_->setText(QString::fromStdString(problem.empty() ? remote_.StatusText() : problem));
}

void RemoteControlWindow::ClickSwitch() {
    if (remote_.running()) {
        remote_.Stop();
        return ShowState();
    }
    std::string problem;
    remote::RemoteConfig c = remote_.Load(&problem);
    if (!problem.empty()) return ShowState(problem);
    c.listenHost = address_->text().trimmed().toStdString();
    c.listenPort = static_cast<std::uint16_t>(port_->value());
    c.oscHost = osc_->isChecked() ? c.listenHost : std::string();
    c.oscPort = static_cast<std::uint16_t>(oscPort_->value());
    // The same checks as zefd's configuration: an address outside loopback needs a token.
    const remote::ConfigResult checked = remote::ParseConfig(remote::ConfigText(c));
    if (!checked.config) return ShowState(checked.errors.front());
    if (!remote_.Save(c)) return ShowState("Can't save the remote control settings.");
    std::string error;
    remote_.Start(error);
    ShowState(error);
}

void RemoteControlWindow::ClickNewToken(remote::Access access) {
    const std::string token = remote_.AddToken(access);
    token_->setText(QString::fromStdString(token));
    ShowTokens(remote_.Load());
    if (token.empty()) return ShowState("Can't save the remote control settings.");
    ShowState(remote_.running() ? "The new token counts once the service is switched on again." : "");
}

}  // namespace zef
