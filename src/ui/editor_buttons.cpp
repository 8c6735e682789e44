// The channel editor's button bar and the windows it opens.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QStackedWidget>

#include "app/editor_actions.h"
#include "app/editor_session.h"
#include "ui/channel_editor.h"
#include "ui/copy_window.h"
#include "ui/lock_windows.h"
#include "ui/preset_windows.h"
#include "ui/version_window.h"
#include "ui/view_all_window.h"

namespace zef {

void ChannelEditorWindow::BuildHeader() {
    bar_ = new QToolBar(this);
    bar_->setObjectName("ImageBtn");
    bar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar_->setIconSize(QSize(16, 16));
    const struct {
        const char* text;
        const char* tip;
        void (ChannelEditorWindow::*slot)();
    } buttons[] = {
        {"Load", "Load a preset file", &ChannelEditorWindow::ClickLoadPresetFile},
        {"Save", "Save a preset file", &ChannelEditorWindow::ClickSavePresetFile},
        {"Store", "Store Program", &ChannelEditorWindow::ClickStore},
        {"Recall", "Recall Program", &ChannelEditorWindow::ClickRecall},
        {"View All", "View All Graph", &ChannelEditorWindow::ClickViewAll},
        {"Version", "Version", &ChannelEditorWindow::ClickVersion},
        {"Lock", "Lock Interface with password", &ChannelEditorWindow::ClickLock},
        {"Pwd", "Set new Password", &ChannelEditorWindow::ClickNewPassword},
        {"Default", "Set Default Program", &ChannelEditorWindow::ClickDefaultProgram},
    };
    for (const auto& b : buttons) {
        QAction* a = bar_->addAction(b.text);
        a->setToolTip(b.tip);
        a->setObjectName(QString("ImageBtn_") + b.text);
        connect(a, &QAction::triggered, this, b.slot);
    }
    auto* settings = new QToolButton(bar_);
    settings->setText("Settings");
    settings->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(settings);
    const char* items[] = {"Fw Update", "Name Edit", "Network"};
    for (int i = 0; i < 3; ++i) menu->addAction(items[i], this, [this, i] { ChooseSettingsEntry(i); });
    settings->setMenu(menu);
    bar_->addWidget(settings);
    password_ = new QLabel("Password", bar_);
    password_->setObjectName("LblBtn");
    password_->setContentsMargins(8, 0, 0, 0);
    bar_->addWidget(password_);

    status_ = new QLabel(this);
    status_->setObjectName("LabelStatus");
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    online_ = new QLabel("Off-line", this);
    online_->setObjectName("LabelOnLine");
    standby_ = new QLabel(this);
    standby_->setObjectName("ImageStandbyState");
    sleep_ = new QLabel(this);
    sleep_->setObjectName("LabelSleep");
}

void ChannelEditorWindow::ClickLoadPresetFile() {
    if (controlsQuiet()) return;
    const PresetFileOutcome r =
        LoadPresetFileAsked(session_.model(), slot_, session_.exchange(), session_.reader(), session_.responses(),
                            session_.dialogs(), session_.dataSubfolder(kPresetFolderName));
    if (r.done) {
        if ((device().settings[213] != 0) != outputHost_->property("bridged").toBool()) RebuildOutputPage();
        RefreshAll();
        SetStatusText(r.status);
    }
}

void ChannelEditorWindow::ClickSavePresetFile() {
    SavePresetFileAsked(session_.model(), slot_, session_.dialogs(), session_.dataSubfolder(kPresetFolderName));
}

void ChannelEditorWindow::ClickStore() {
    if (controlsQuiet()) return;
    PresetActions actions(session_.presets(), session_.dialogs(), slot_);
    StorePresetWindow window(actions, session_.dialogs(), session_.model().device(slot_), this);
    window.exec();
}

void ChannelEditorWindow::ClickRecall() {
    if (controlsQuiet()) return;
    PresetActions actions(session_.presets(), session_.dialogs(), slot_);
    RecallPresetWindow window(actions, session_.model().device(slot_), this);
    window.exec();
    if (window.lastResult() == PresetResult::Done) {
        if ((device().settings[213] != 0) != outputHost_->property("bridged").toBool()) RebuildOutputPage();
        RefreshAll();
    }
}

void ChannelEditorWindow::ClickVersion() {
    VersionWindow window(session_.model(), slot_, this);
    window.exec();
}

void ChannelEditorWindow::ClickCopy(int copyMode) {
    if (controlsQuiet()) return;
    ChannelCopyWindow window(session_.writer(), slot_, session_.dialogs(), copyMode, this);
    window.exec();
    RefreshAll();
}

void ChannelEditorWindow::ClickViewAll() {
    auto* window = new ViewAllGraphWindow(session_, slot_, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void ChannelEditorWindow::ClickLock() {
    LockDialog window(session_.passwords(), session_.dialogs(), session_.model().entry(slot_).uniqueId,
                   session_.model().device(slot_).values.lock, this);
    window.exec();
    ShowLockState();
}

void ChannelEditorWindow::ClickNewPassword() {
    NewPasswordDialog window(session_.passwords(), session_.dialogs(), session_.model().entry(slot_).uniqueId, this);
    window.exec();
    ShowLockState();
}

void ChannelEditorWindow::ClickDefaultProgram() {
    if (controlsQuiet()) return;
    if (LoadDefaultProgram(session_.model(), slot_, session_.exchange(), session_.reader(), session_.responses(),
                           session_.dialogs()))
        RefreshAll();
}

}  // namespace zef
