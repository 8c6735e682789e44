#include "ui/connect_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/dialog_parts.h"

namespace zef {

ConnectDialog::ConnectDialog(const Model& model, Connection& connection, ConnectActions& actions,
                             DeviceSlot slot, Role role, QWidget* parent)
    : QDialog(parent), connection_(connection), actions_(actions), slot_(slot), role_(role) {
    setObjectName("FrmConnect");
    setWindowTitle(QString::fromStdString(ConnectDialogTitle(slot != 0, model.entry(slot))));
    auto* layout = new QVBoxLayout(this);
    auto* options = new QGroupBox("Settings", this);
    auto* optionsLayout = new QVBoxLayout(options);
    read_ = new QRadioButton(kReadOptionText, options);
    load_ = new QRadioButton(kLoadOptionText, options);
    read_->setObjectName("OptionRead");
    load_->setObjectName("OptionLoad");
    read_->setChecked(true);
    optionsLayout->addWidget(read_);
    optionsLayout->addWidget(load_);
    layout->addWidget(options);

    feedback_ = OperationProgress::Add(this, layout);
    feedback_.caption->setMinimumWidth(
        fontMetrics().horizontalAdvance("Loading settings to device: IP 255.255.255.255....") + 8);

    buttons_ = AddDialogButtons(this, layout, {"Connect", "LabelConnect", true}, [this] { ClickConnect(); });
}

void ConnectDialog::ClickConnect() {
    chosen_ = read_->isChecked() ? ConnectMode::Read : ConnectMode::Load;
    if (role_ == Role::Choose) {
        accept();
        return;
    }
    for (QWidget* w : {static_cast<QWidget*>(buttons_.action), static_cast<QWidget*>(buttons_.leave),
                       static_cast<QWidget*>(read_), static_cast<QWidget*>(load_)})
        w->setEnabled(false);
    const Subscription caption =
        connection_.caption.Connect([this](const std::string& text) { feedback_.ShowCaption(text); });
    const Subscription progress = connection_.progress.Connect(
        [this](int value, int maximum) { feedback_.ShowProgress(value, maximum); });
    if (slot_ == 0)
        actions_.ConnectAll(*chosen_);
    else
        actions_.ConnectOne(slot_, *chosen_);
    accept();
}

}  // namespace zef
