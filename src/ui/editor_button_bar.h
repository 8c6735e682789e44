#pragma once
// EditorButtonBar: the channel editor's button bar and the work behind it:
// preset files (load, save), the device's programs (store, recall), "View
// All Graph", the version, the interface lock and a new password, the
// default program, the settings menu, and the password lamp (red while the
// device is locked). The channel copy ("Copy..." on the inputs and outputs
// pages) and the equaliser's flattening (the band panel's "Flat EQ") are
// here too. Windows it opens are modal children of the editor, except the
// graph view.
//
// What would change the device's program refuses to start while the
// editor's controls are quiet. The signals tell the editor what to show
// again.
//
// "A", "B" and "Copy A→B" compare two states of the device
// (app/edit_history.h): the checked one is what the device holds.

#include <QToolBar>
#include <array>
#include <string>
#include <vector>

#include "app/editor_context.h"

class QLabel;
class QToolButton;

namespace zef {

class ControlHost;

class EditorButtonBar final : public QToolBar {
    Q_OBJECT
public:
    // `editor` is the parent of the windows the bar opens.
    EditorButtonBar(const EditorContext& context, const EditorTools& tools, const ControlHost& host, QWidget* editor);

    // The password lamp's colour; while locked, the buttons that change the
    // device (load, store, recall, default program, settings) are disabled.
    void ShowLock(bool locked);
    // The button captioned `text` ("Load", ..., "Settings").
    QWidget* button(const QString& text) const;
    QLabel* passwordLabel() const { return password_; }

    void ClickLoadPresetFile();
    void ClickSavePresetFile();
    void ClickStore();
    void ClickRecall();
    void ClickVersion();
    void ClickCopy(int copyMode);  // 0 inputs, 1 outputs
    void ClickViewAll();
    void ClickLock();
    void ClickNewPassword();
    void ClickDefaultProgram();
    void ClickFlat();
    // Makes A or B the device's state; "Copy A→B".
    void ClickCompare(EditState state);
    void ClickCopyAToB();
    QAction* compareAction(EditState state) const { return compare_[static_cast<std::size_t>(state)]; }

signals:
    // Another program runs (a preset file, a recalled program): the bridge
    // mode may have changed too.
    void programReplaced();
    // Values changed by a copy or the default program.
    void valuesChanged();
    // The selected group's equaliser was flattened.
    void eqFlattened();
    void statusText(const std::string& text);
    void lockChanged();
    // The settings menu's entry 0..2 (firmware update, name edit, network).
    void settingsChosen(int index);

private:
    void AddButtons();
    // Ends the device's current edit as one undo step.
    void EndStep(const char* name);
    void AddCompareButtons();
    // Checks the button of the active state.
    void ShowCompareState();
    // A compare that did not go is told.
    void Tell(const EditOutcome& outcome);

    EditorContext context_;
    EditorTools tools_;
    const ControlHost& host_;
    QWidget* editor_;
    QLabel* password_ = nullptr;
    std::vector<QAction*> changesDevice_;
    QToolButton* settings_ = nullptr;
    std::array<QAction*, 2> compare_{};
    Subscription historyChanged_;
};

}  // namespace zef
