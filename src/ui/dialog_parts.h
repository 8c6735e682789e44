#pragma once
// Parts the small dialogs share: the foot row of buttons (a gap, then the
// action button and the button that leaves, "Cancel" or "Close", side by
// side at the right), the choice between the USB and the TCP/IP interface,
// and the caption and progress bar of a running operation.

#include <QString>
#include <functional>
#include <string>
#include <utility>

class QBoxLayout;
class QDialog;
class QHBoxLayout;
class QLabel;
class QProgressBar;
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

// A caption ("LabelCaption") over a progress bar that starts at 0 of 1.
struct OperationProgress {
    QLabel* caption = nullptr;
    QProgressBar* progress = nullptr;

    // Both made as children of `parent` and added to `layout`.
    static OperationProgress Add(QWidget* parent, QBoxLayout* layout);
    void ShowCaption(const std::string& text) const;
    // `value` of `maximum` steps; a maximum of 0 or less counts as 1.
    void ShowProgress(int value, int maximum) const;
};

}  // namespace zef
