#include "ui/editor_button_bar.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "app/editor_actions.h"
#include "app/interface_lock.h"
#include "app/preset_actions.h"
#include "ui/copy_window.h"
#include "ui/lock_windows.h"
#include "ui/param_controls.h"
#include "ui/preset_windows.h"
#include "ui/version_window.h"
#include "ui/view_all_window.h"

namespace zef {

EditorButtonBar::EditorButtonBar(const EditorContext& context, const EditorTools& tools, const ControlHost& host,
                                 QWidget* editor)
    : QToolBar(editor), context_(context), tools_(tools), host_(host), editor_(editor) {
    setObjectName("ImageBtn");
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setIconSize(QSize(16, 16));
    AddButtons();
    AddCompareButtons();
    auto* settings = settings_ = new QToolButton(this);
    settings->setText("Settings");
    settings->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(settings);
    const char* items[] = {"Fw Update", "Name Edit", "Network"};
    for (int i = 0; i < 3; ++i) menu->addAction(items[i], this, [this, i] { emit settingsChosen(i); });
    settings->setMenu(menu);
    addWidget(settings);
    password_ = new QLabel("Password", this);
    password_->setObjectName("LblBtn");
    password_->setContentsMargins(8, 0, 0, 0);
    addWidget(password_);
}

void EditorButtonBar::AddButtons() {
    const struct {
        const char* text;
        const char* tip;
        void (EditorButtonBar::*slot)();
        bool changesDevice;
    } buttons[] = {
        {"Load", "Load a preset file", &EditorButtonBar::ClickLoadPresetFile, true},
        {"Save", "Save a preset file", &EditorButtonBar::ClickSavePresetFile, false},
        {"Store", "Store Program", &EditorButtonBar::ClickStore, true},
        {"Recall", "Recall Program", &EditorButtonBar::ClickRecall, true},
        {"View All", "View All Graph", &EditorButtonBar::ClickViewAll, false},
        {"Version", "Version", &EditorButtonBar::ClickVersion, false},
        {"Lock", "Lock Interface with password", &EditorButtonBar::ClickLock, false},
        {"Pwd", "Set new Password", &EditorButtonBar::ClickNewPassword, false},
        {"Default", "Set Default Program", &EditorButtonBar::ClickDefaultProgram, true},
    };
    for (const auto& b : buttons) {
        QAction* a = addAction(b.text);
        a->setToolTip(b.tip);
        a->setObjectName(QString("ImageBtn_") + b.text);
        connect(a, &QAction::triggered, this, b.slot);
        if (b.changesDevice) changesDevice_.push_back(a);
    }
}

void EditorButtonBar::AddCompareButtons() {
    addSeparator();
    for (const EditState state : {EditState::A, EditState::B}) {
        const char* name = state == EditState::A ? "A" : "B";
        QAction* a = addAction(name);
        a->setCheckable(true);
        a->setToolTip(QString("Compare: the device holds state %1").arg(name));
        a->setObjectName(QString("ImageBtn_") + name);
        connect(a, &QAction::triggered, this, [this, state] { ClickCompare(state); });
        compare_[static_cast<std::size_t>(state)] = a;
    }
    QAction* copy = addAction("Copy A\u2192B");
    copy->setToolTip("State B becomes what A is");
    copy->setObjectName("ImageBtn_CopyAB");
    connect(copy, &QAction::triggered, this, &EditorButtonBar::ClickCopyAToB);
    historyChanged_ = ConnectWhere(context_.history.changed, context_.slot, [this] { ShowCompareState(); });
    ShowCompareState();
}

void EditorButtonBar::ShowCompareState() {
    const EditState active = context_.history.active(context_.slot);
    for (const EditState state : {EditState::A, EditState::B})
        compare_[static_cast<std::size_t>(state)]->setChecked(state == active);
}

void EditorButtonBar::Tell(const EditOutcome& outcome) {
    if (!outcome.ok() && !outcome.text.empty()) context_.dialogs.Message(kCompareTitle, outcome.text, Icon::Exclamation);
}

void EditorButtonBar::ClickCompare(EditState state) {
    if (!host_.controlsQuiet()) {
        Tell(context_.history.SwitchTo(context_.slot, state));
        emit programReplaced();
    }
    ShowCompareState();
}

void EditorButtonBar::ClickCopyAToB() {
    if (host_.controlsQuiet()) return;
    Tell(context_.history.CopyAToB(context_.slot));
    emit valuesChanged();
}

void EditorButtonBar::ShowLock(bool locked) {
    password_->setStyleSheet(locked ? "color: rgb(255,0,0); font-weight: bold;"
                                    : "color: rgb(192,192,192); font-weight: bold;");
    for (QAction* a : changesDevice_) a->setEnabled(!locked);
    settings_->setEnabled(!locked);
}

QWidget* EditorButtonBar::button(const QString& text) const {
    if (settings_->text() == text) return settings_;
    for (QAction* a : actions())
        if (a->text() == text) return widgetForAction(a);
    return nullptr;
}

void EditorButtonBar::ClickLoadPresetFile() {
    if (host_.controlsQuiet()) return;
    const PresetFileOutcome r = LoadPresetFileAsked(context_.model, context_.slot, tools_.exchange, tools_.reader,
                                                    context_.responses, context_.dialogs, tools_.presetFolder);
    if (r.done) {
        EndStep("Load preset file");
        emit programReplaced();
        emit statusText(r.status);
    }
}

void EditorButtonBar::ClickSavePresetFile() {
    SavePresetFileAsked(context_.model, context_.slot, context_.dialogs, tools_.presetFolder);
}

void EditorButtonBar::ClickStore() {
    if (host_.controlsQuiet()) return;
    PresetActions actions(tools_.presets, context_.dialogs, context_.slot);
    StorePresetWindow window(actions, context_.dialogs, context_.device(), editor_);
    window.exec();
}

void EditorButtonBar::ClickRecall() {
    if (host_.controlsQuiet()) return;
    PresetActions actions(tools_.presets, context_.dialogs, context_.slot);
    RecallPresetWindow window(actions, context_.device(), editor_);
    window.exec();
    if (window.lastResult() == PresetResult::Done) emit programReplaced();
}

void EditorButtonBar::ClickVersion() {
    VersionWindow window(context_.model, context_.slot, editor_);
    window.exec();
}

void EditorButtonBar::ClickCopy(int copyMode) {
    if (host_.controlsQuiet()) return;
    ChannelCopyWindow window(context_.writer, context_.slot, context_.dialogs, copyMode, editor_);
    window.exec();
    EndStep(copyMode == 1 ? "Output copy" : "Input copy");
    emit valuesChanged();
    // An open output EQ/FIR editor shows the copied bands and FIR too.
    if (copyMode == 1) context_.events.outputEditorRefreshed.Emit(context_.slot);
}

void EditorButtonBar::ClickViewAll() {
    auto* window = new ViewAllGraphWindow(context_, editor_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void EditorButtonBar::ClickLock() {
    // Without a password there is nothing to type: say so before asking for one.
    if (!tools_.passwords.has(context_.entry().uniqueId)) {
        ToggleLock(tools_.passwords, context_.dialogs, context_.entry().uniqueId, context_.device().values.lock, {});
        return;
    }
    LockDialog window(tools_.passwords, context_.dialogs, context_.entry().uniqueId, context_.device().values.lock,
                      editor_);
    window.exec();
    emit lockChanged();
}

void EditorButtonBar::ClickNewPassword() {
    NewPasswordDialog window(tools_.passwords, context_.dialogs, context_.entry().uniqueId, editor_);
    window.exec();
    emit lockChanged();
}

void EditorButtonBar::ClickDefaultProgram() {
    if (host_.controlsQuiet()) return;
    if (LoadDefaultProgram(context_.model, context_.slot, tools_.exchange, tools_.reader, context_.responses,
                           context_.dialogs)) {
        EndStep("Default program");
        emit valuesChanged();
    }
}

void EditorButtonBar::ClickFlat() {
    if (host_.controlsQuiet()) return;
    if (FlattenEq(context_.writer, context_.slot, context_.dialogs, context_.selection.group)) {
        EndStep("Flat EQ");
        emit eqFlattened();
    }
}

void EditorButtonBar::EndStep(const char* name) { context_.history.EndStep(context_.slot, name); }

}  // namespace zef
