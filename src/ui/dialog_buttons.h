#pragma once
// Rows of buttons the dialogs share: the foot row (a gap, then the action
// button and the button that leaves, "Cancel" or "Close", side by side at
// the right), and the choice between the USB and the TCP/IP interface.

#include <QString>
#include <functional>
#include <utility>

class QBoxLayout;
class QDialog;
class QHBoxLayout;
class QPushButton;
class QRadioButton;
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

// The options "OptionUSB" (first) and "OptionTCP" (second) made as children
// of `parent` and added side by side at the left of `row`; neither is checked.
std::pair<QRadioButton*, QRadioButton*> AddInterfaceOptions(QWidget* parent, QBoxLayout* row,
                                                            const QString& usbText, const QString& tcpText);

}  // namespace zef
