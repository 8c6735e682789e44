#include "ui/preset_windows.h"

#include <QApplication>
#include <algorithm>
#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "ui/dialog_parts.h"

namespace zef {

PresetWindow::PresetWindow(const DeviceModel& device, QWidget* parent) : QDialog(parent), device_(device) {
    list_ = new QListWidget(this);
    list_->setObjectName("List1");
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    list_->setFont(mono);
    list_->setMinimumSize(260, 70);
    selector_ = new QComboBox(this);
    selector_->setObjectName("ComboSlot");
    selector_->addItems({"1", "2", "3"});
    progress_ = new QProgressBar(this);
    progress_->setObjectName("ProgressBar1");
    progress_->setRange(0, kStoreProgressSteps);
    progress_->setValue(0);
    FillRows();
    // The selected row and the slot box name the same slot: whichever the
    // user touched last is what Store and Recall act on.
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) selector_->setCurrentIndex(row);
    });
    connect(selector_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && list_->currentRow() != index) list_->setCurrentRow(index);
    });
}

void PresetWindow::FillRows() {
    const int selected = selector_ ? selector_->currentIndex() : 0;
    list_->clear();
    for (const std::string& row : PresetSlotRows(device_))
        list_->addItem(QString::fromStdString(row));
    list_->setCurrentRow(std::max(selected, 0));
}

Progress PresetWindow::ProgressSink() {
    return [this](int value, int maximum) {
        progress_->setMaximum(maximum);
        progress_->setValue(value);
    };
}

void PresetWindow::Arrange(QLineEdit* name, const QString& actionText, const QString& actionObject,
                           std::function<void()> act, std::function<void(int)> pick) {
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel("Programs in the device:", this));
    v->addWidget(list_);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Slot", this));
    row->addWidget(selector_);
    if (name) {
        row->addWidget(new QLabel("Name", this));
        row->addWidget(name, 1);
    } else {
        row->addStretch(1);
    }
    v->addLayout(row);
    v->addWidget(progress_);
    AddDialogButtons(this, v, {actionText, actionObject}, std::move(act));
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this, pick = std::move(pick)](QListWidgetItem* item) { pick(list_->row(item)); });
}

StorePresetWindow::StorePresetWindow(PresetActions& actions, Dialogs& dialogs, const DeviceModel& device,
                                     QWidget* parent)
    : PresetWindow(device, parent), actions_(actions), dialogs_(dialogs) {
    setObjectName("FrmStore");
    setWindowTitle(kStoreTitle);
    name_ = new QLineEdit(this);
    name_->setObjectName("Text1");
    name_->setMaxLength(16);
    Arrange(name_, "Store", "BtnStore", [this] { ClickStore(); }, [this](int row) { RowDoubleClicked(row); });
    connect(name_, &QLineEdit::textEdited, this, &StorePresetWindow::NameEdited);
}

void StorePresetWindow::NameEdited(const QString& text) {
    if (PresetNameAllowed(text.toUtf8().toStdString())) return;
    dialogs_.Message(kStoreTitle, kNameSymbolsText, Icon::Information);
    name_->clear();
}

void StorePresetWindow::RowDoubleClicked(int row) {
    if (row < 0 || row > 2) return;
    selector_->setCurrentIndex(row);
    name_->setText(QString::fromStdString(device_.values.presetNames[static_cast<std::size_t>(row)]).trimmed());
}

PresetResult StorePresetWindow::ClickStore() {
    last_ = actions_.Store(selector_->currentIndex(), name_->text().toStdString(), ProgressSink());
    FillRows();
    if (last_ == PresetResult::Done) accept();
    return last_;
}

RecallPresetWindow::RecallPresetWindow(PresetActions& actions, const DeviceModel& device, QWidget* parent)
    : PresetWindow(device, parent), actions_(actions) {
    setObjectName("FrmRead");
    setWindowTitle(kRecallTitle);
    Arrange(nullptr, "Recall", "BtnRecall", [this] { ClickRecall(); }, [this](int row) { RowDoubleClicked(row); });
    progress_->setRange(0, kWholeReadSteps);
}

void RecallPresetWindow::RowDoubleClicked(int row) {
    if (row < 0 || row > 2) return;
    selector_->setCurrentIndex(row);
    ClickRecall();
}

PresetResult RecallPresetWindow::ClickRecall() {
    last_ = actions_.Recall(selector_->currentIndex(), ProgressSink());
    FillRows();
    if (last_ == PresetResult::Done) accept();
    return last_;
}

}  // namespace zef
