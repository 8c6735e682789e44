#pragma once
// StorePresetWindow ("Store Program") and RecallPresetWindow ("Recall Program"): the three
// preset slots of a device as "01: " + name rows, a slot selector
// ("1", "2", "3"), for storing a name box, and a progress bar. Double-clicking
// a row selects it (StorePresetWindow: copies its name into the box; RecallPresetWindow:
// recalls it). Both close themselves after a successful operation.

#include <QDialog>

#include <functional>

#include "app/preset_actions.h"

class QListWidget;
class QComboBox;
class QLineEdit;
class QProgressBar;

namespace zef {

class PresetWindow : public QDialog {
    Q_OBJECT
public:
    QListWidget* list() const { return list_; }
    QComboBox* selector() const { return selector_; }
    QProgressBar* progress() const { return progress_; }
    PresetResult lastResult() const { return last_; }

protected:
    PresetWindow(const DeviceModel& device, QWidget* parent);
    // The layout both windows share: the programs, the slot row (with `name`
    // after the selector when given), the progress bar, then the action
    // button and Cancel. `act` runs on the action button, `pick` on a
    // double-clicked row.
    void Arrange(QLineEdit* name, const QString& actionText, const QString& actionObject,
                 std::function<void()> act, std::function<void(int)> pick);
    void FillRows();
    Progress ProgressSink();

    const DeviceModel& device_;
    QListWidget* list_ = nullptr;
    QComboBox* selector_ = nullptr;
    QProgressBar* progress_ = nullptr;
    PresetResult last_ = PresetResult::Declined;
};

class StorePresetWindow final : public PresetWindow {
    Q_OBJECT
public:
    StorePresetWindow(PresetActions& actions, Dialogs& dialogs, const DeviceModel& device,
                      QWidget* parent = nullptr);
    // The name box's filter: a character outside the allowed set shows the
    // allowed symbols and clears the box.
    void NameEdited(const QString& text);
    QLineEdit* nameBox() const { return name_; }
    // The confirm button.
    PresetResult ClickStore();
    void RowDoubleClicked(int row);

private:
    PresetActions& actions_;
    Dialogs& dialogs_;
    QLineEdit* name_ = nullptr;
};

class RecallPresetWindow final : public PresetWindow {
    Q_OBJECT
public:
    RecallPresetWindow(PresetActions& actions, const DeviceModel& device, QWidget* parent = nullptr);
    PresetResult ClickRecall();
    void RowDoubleClicked(int row);

private:
    PresetActions& actions_;
};

}  // namespace zef
