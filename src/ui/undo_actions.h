#pragma once
// UndoActions: "Undo <step>" and "Redo <step>" of one device's edit history
// (app/edit_history.h) as two actions, for a window's Edit menu and its keys
// (Ctrl+Z, Ctrl+Shift+Z). Their texts name the next step and follow the
// history; with nothing to undo the action reads "Undo" and is disabled. An
// undo that was not sent or not confirmed is told in a message.
//
// A focused spin box or number box would take Ctrl+Z for its own text undo:
// the keys pass it to the device's history instead. A line edit whose text
// is being typed (modified since it was filled) keeps its own text undo.

#include <QObject>
#include <functional>

#include "app/dialogs.h"
#include "app/edit_history.h"

class QAction;
class QWidget;

namespace zef {

class UndoActions final : public QObject {
    Q_OBJECT
public:
    // `device` names the device the actions act on now (0: none). The
    // actions belong to `window`; `shortcuts` gives them the keys.
    UndoActions(EditHistory& history, Dialogs& dialogs, std::function<DeviceSlot()> device, QWidget* window,
                bool shortcuts);

    QAction* undo() const { return undo_; }
    QAction* redo() const { return redo_; }
    // The texts and enabled states from the history, for the device now named.
    void Update();
    // The action's work: undo (true) or redo, with a message when it did not go.
    void Run(bool undo);

private:
    EditHistory& history_;
    Dialogs& dialogs_;
    std::function<DeviceSlot()> device_;
    QAction* undo_;
    QAction* redo_;
    Subscription changed_;
};

}  // namespace zef
