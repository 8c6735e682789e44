#include "ui/search_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <tuple>

#include "ui/dialog_parts.h"

namespace zef {

SearchDialog::SearchDialog(DeviceList& list, DeviceExchange& exchange, Dialogs& dialogs,
                           SearchSettings settings, QWidget* parent)
    : QDialog(parent) {
    setObjectName("FrmSearch");
    setWindowTitle(kSearchTitle);
    SearchHooks hooks;
    hooks.caption = [this](const std::string& text) { feedback_.ShowCaption(text); };
    hooks.progress = [this](int value, int maximum) { feedback_.ShowProgress(value, maximum); };
    hooks.controlsEnabled = [this](bool on) { SetControlsEnabled(on); };
    hooks.finished = [this] { accept(); };
    search_ = std::make_unique<DeviceSearch>(list, exchange, dialogs, settings, std::move(hooks));

    auto* layout = new QVBoxLayout(this);
    BuildModeRows(layout);
    layout->addWidget(BuildRange());
    BuildProgress(layout);
    layout->addLayout(BuildButtons());
    range_->setVisible(false);
    setMinimumWidth(420);
}

void SearchDialog::BuildModeRows(QVBoxLayout* rows) {
    auto* modes = new QHBoxLayout;
    std::tie(usb_, tcp_) = AddInterfaceOptions(this, modes, "USB Mode", "TCP/IP Mode");
    usb_->setChecked(true);
    rows->addLayout(modes);

    auto* hostRow = new QHBoxLayout;
    hostRow->addWidget(new QLabel("Host Address:", this));
    host_ = new QLabel(this);
    host_->setObjectName("LabelHost");
    hostRow->addWidget(host_);
    hostRow->addStretch();
    rows->addLayout(hostRow);
    connect(usb_, &QRadioButton::toggled, this, &SearchDialog::ModeChanged);
}

QGroupBox* SearchDialog::BuildRange() {
    range_ = new QGroupBox("IP Range", this);
    auto* grid = new QGridLayout(range_);
    const int boxWidth = fontMetrics().horizontalAdvance("0000") + 12;
    for (int row = 0; row < 2; ++row) {
        grid->addWidget(new QLabel(row == 0 ? "Start:" : "End:", range_), row, 0);
        for (int k = 0; k < 4; ++k) {
            const std::size_t i = static_cast<std::size_t>(row * 4 + k);
            boxes_[i] = new QLineEdit(range_);
            boxes_[i]->setObjectName(QString("TextRange%1").arg(i));
            boxes_[i]->setMaxLength(3);
            boxes_[i]->setAlignment(Qt::AlignCenter);
            boxes_[i]->setFixedWidth(boxWidth);
            // The end's first three octets mirror the start's.
            if (row == 1 && k < 3) boxes_[i]->setReadOnly(true);
            grid->addWidget(boxes_[i], row, 1 + 2 * k);
            if (k < 3) grid->addWidget(new QLabel(".", range_), row, 2 + 2 * k);
            connect(boxes_[i], &QLineEdit::textEdited, this, &SearchDialog::BoxEdited);
        }
    }
    grid->setColumnStretch(8, 1);
    return range_;
}

void SearchDialog::BuildProgress(QVBoxLayout* layout) {
    feedback_ = OperationProgress::Add(this, layout);
    feedback_.caption->setWordWrap(true);
    feedback_.caption->setMinimumHeight(fontMetrics().height() * 2);
}

QLayout* SearchDialog::BuildButtons() {
    const ButtonRow row = MakeButtonRow(this, {"Start", "LabelStart"}, "Close");
    start_ = row.action;
    connect(start_, &QPushButton::clicked, this, &SearchDialog::ClickStart);
    connect(row.leave, &QPushButton::clicked, this, &QDialog::accept);
    return row.layout;
}

SearchDialog::~SearchDialog() = default;

bool SearchDialog::Open() {
    if (!search_->Open()) return false;
    host_->setText(QString::fromStdString(search_->HostAddress()));
    const RangeBoxes& b = search_->boxes();
    for (std::size_t i = 0; i < boxes_.size(); ++i) boxes_[i]->setText(QString::fromStdString(b[i]));
    return true;
}

void SearchDialog::BoxEdited() {
    RangeBoxes now;
    for (std::size_t i = 0; i < boxes_.size(); ++i) now[i] = boxes_[i]->text().toStdString();
    const RangeBoxes valid = ValidateRangeBoxes(now);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        if (valid[i] == now[i]) continue;
        const QSignalBlocker block(boxes_[i]);
        boxes_[i]->setText(QString::fromStdString(valid[i]));
    }
}

void SearchDialog::ModeChanged() {
    if (tcp_->isChecked()) {
        if (!search_->SelectTcpMode()) {
            range_->setVisible(false);
            return;
        }
        range_->setVisible(true);
    } else {
        range_->setVisible(false);
    }
}

void SearchDialog::SetControlsEnabled(bool on) {
    start_->setEnabled(on);
    usb_->setEnabled(on);
    tcp_->setEnabled(on);
    range_->setEnabled(on);
}

void SearchDialog::ClickStart() {
    if (search_->running()) return;
    if (usb_->isChecked()) {
        SetControlsEnabled(false);
        const bool found = search_->StartUsb();
        SetControlsEnabled(true);
        if (found) accept();
        return;
    }
    if (!range_->isVisible()) return;
    RangeBoxes now;
    for (std::size_t i = 0; i < boxes_.size(); ++i) now[i] = boxes_[i]->text().toStdString();
    search_->StartTcp(ValidateRangeBoxes(now));
}

void SearchDialog::done(int result) {
    if (!closed_) {
        closed_ = true;
        merged_ = search_->Close();
    }
    QDialog::done(result);
}

}  // namespace zef
