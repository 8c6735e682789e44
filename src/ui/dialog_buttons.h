#pragma once
// The row of buttons at the foot of a dialog: a gap, then the action button
// and the button that leaves ("Cancel", "Close") side by side at the right.

#include <QString>
#include <functional>

class QBoxLayout;
class QDialog;
class QHBoxLayout;
class QPushButton;
class QWidget;

namespace zef {

struct ActionButton {
    QString text;
    QString objectName;      // none when empty
    bool isDefault = false;  // Enter presses it
};

struct ButtonRow {
    QHBoxLayout* layout = nullptr;
    QPushButton* action = nullptr;
    QPushButton* leave = nullptr;
};

// The row with its buttons made as children of `parent`; nothing connected.
ButtonRow MakeButtonRow(QWidget* parent, const ActionButton& action, const QString& leaveText = "Cancel");

// Adds the row to the foot of `layout`: the action calls `onAction`, the
// other button rejects the dialog.
ButtonRow AddDialogButtons(QDialog* dialog, QBoxLayout* layout, const ActionButton& action,
                           std::function<void()> onAction, const QString& leaveText = "Cancel");

}  // namespace zef
