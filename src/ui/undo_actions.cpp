#include "ui/undo_actions.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace zef {
namespace {

const QKeySequence kUndoKeys(Qt::CTRL | Qt::Key_Z);
const QKeySequence kRedoKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);

// A spin box, or a line edit whose text was not typed since it was filled
// (a number box showing the model's value), has no text edit worth undoing.
bool KeepsNoTextEdit(QObject* widget) {
    if (qobject_cast<QAbstractSpinBox*>(widget)) return true;
    const auto* line = qobject_cast<QLineEdit*>(widget);
    return line && !line->isModified();
}

// Hands the undo keys pressed in such a box to its window's undo or redo
// action. (The box claims the keys before any shortcut sees them; here they
// reach the action it would have hidden.)
class UndoKeysPast final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !KeepsNoTextEdit(watched)) return false;
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        const char* name = pressed == kUndoKeys ? "ActionUndo" : pressed == kRedoKeys ? "ActionRedo" : nullptr;
        if (!name) return false;
        for (QAction* action : static_cast<QWidget*>(watched)->window()->actions())
            if (action->objectName() == name) {
                if (action->isEnabled()) action->trigger();
                return true;
            }
        return false;
    }
};

void InstallUndoKeysPast() {
    static constexpr const char* kName = "UndoKeysPast";
    if (!qApp || qApp->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly)) return;
    auto* filter = new UndoKeysPast(qApp);
    filter->setObjectName(kName);
    qApp->installEventFilter(filter);
}

}  // namespace

UndoActions::UndoActions(EditHistory& history, Dialogs& dialogs, std::function<DeviceSlot()> device,
                         QWidget* window, bool shortcuts)
    : QObject(window),
      history_(history),
      dialogs_(dialogs),
      device_(std::move(device)),
      undo_(new QAction(kUndoTitle, window)),
      redo_(new QAction(kRedoTitle, window)) {
    undo_->setObjectName("ActionUndo");
    redo_->setObjectName("ActionRedo");
    if (shortcuts) {
        undo_->setShortcut(kUndoKeys);
        redo_->setShortcut(kRedoKeys);
        window->addAction(undo_);
        window->addAction(redo_);
        InstallUndoKeysPast();
    }
    connect(undo_, &QAction::triggered, this, [this] { Run(true); });
    connect(redo_, &QAction::triggered, this, [this] { Run(false); });
    changed_ = history_.changed.Connect([this](DeviceSlot) { Update(); });
    Update();
}

void UndoActions::Update() {
    const DeviceSlot device = device_();
    const std::string undo = device >= 1 ? history_.undoName(device) : std::string();
    const std::string redo = device >= 1 ? history_.redoName(device) : std::string();
    undo_->setText(undo.empty() ? kUndoTitle : QString("%1 %2").arg(kUndoTitle, QString::fromStdString(undo)));
    redo_->setText(redo.empty() ? kRedoTitle : QString("%1 %2").arg(kRedoTitle, QString::fromStdString(redo)));
    undo_->setEnabled(!undo.empty());
    redo_->setEnabled(!redo.empty());
}

void UndoActions::Run(bool undo) {
    const DeviceSlot device = device_();
    if (device < 1) return;
    const EditOutcome out = undo ? history_.Undo(device) : history_.Redo(device);
    if (!out.ok() && !out.text.empty())
        dialogs_.Message(undo ? kUndoTitle : kRedoTitle, out.text, Icon::Exclamation);
    Update();
}

}  // namespace zef
