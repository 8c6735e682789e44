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

void FrmVLDxxxA::BuildHeader() {
    bar_ = new QToolBar(this);
    bar_->setObjectName("ImageBtn");
    bar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar_->setIconSize(QSize(16, 16));
    const struct {
        const char* text;
        const char* tip;
        void (FrmVLDxxxA::*slot)();
    } buttons[] = {
        {"Load", "Load a preset file", &FrmVLDxxxA::ClickLoadPresetFile},
        {"Save", "Save a preset file", &FrmVLDxxxA::ClickSavePresetFile},
        {"Store", "Store Program", &FrmVLDxxxA::ClickStore},
        {"Recall", "Recall Program", &FrmVLDxxxA::ClickRecall},
        {"View All", "View All Graph", &FrmVLDxxxA::ClickViewAll},
        {"Version", "Version", &FrmVLDxxxA::ClickVersion},
        {"Lock", "Lock Interface with password", &FrmVLDxxxA::ClickLock},
        {"Pwd", "Set new Password", &FrmVLDxxxA::ClickNewPassword},
        {"Default", "Set Default Program", &FrmVLDxxxA::ClickDefaultProgram},
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
    for (int i = 0; i < 3; ++i) menu->addAction(items[i], this, [this, i] { ret_SettingsFun(i); });
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

void FrmVLDxxxA::ClickLoadPresetFile() {
    if (controlsQuiet()) return;
    session_.model().setCurrentDevice(slot_);
    const PresetFileOutcome r =
        LoadPresetFileAsked(session_.model(), session_.rxtx(), session_.reader(), session_.responses(),
                            session_.dialogs(), session_.dataSubfolder(kPresetFolderName));
    if (r.done) {
        if ((device().settings[213] != 0) != outputHost_->property("bridged").toBool()) RebuildOutputPage();
        InitGUI();
        SetStatusText(r.status);
    }
}

void FrmVLDxxxA::ClickSavePresetFile() {
    session_.model().setCurrentDevice(slot_);
    SavePresetFileAsked(session_.model(), session_.dialogs(), session_.dataSubfolder(kPresetFolderName));
}

void FrmVLDxxxA::ClickStore() {
    if (controlsQuiet()) return;
    session_.model().setCurrentDevice(slot_);
    PresetActions actions(session_.presets(), session_.dialogs());
    FrmStore window(actions, session_.dialogs(), session_.model(), this);
    window.exec();
}

void FrmVLDxxxA::ClickRecall() {
    if (controlsQuiet()) return;
    session_.model().setCurrentDevice(slot_);
    PresetActions actions(session_.presets(), session_.dialogs());
    FrmRead window(actions, session_.model(), this);
    window.exec();
    if (window.lastResult() == PresetResult::Done) {
        if ((device().settings[213] != 0) != outputHost_->property("bridged").toBool()) RebuildOutputPage();
        InitGUI();
    }
}

void FrmVLDxxxA::ClickVersion() {
    FrmVersion window(session_.model(), slot_, this);
    window.exec();
}

void FrmVLDxxxA::ClickCopy(int copyMode) {
    if (controlsQuiet()) return;
    session_.model().setCurrentDevice(slot_);
    FrmCopyOut window(session_.linking(), session_.dialogs(), copyMode, this);
    window.exec();
    InitGUI();
}

void FrmVLDxxxA::ClickViewAll() {
    auto* window = new FrmViewGraph(session_, slot_, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void FrmVLDxxxA::ClickLock() {
    FrmLock window(session_.passwords(), session_.dialogs(), session_.model().entry(slot_).uniqueId,
                   session_.model().device(slot_).values.lock, this);
    window.exec();
    ShowLockState();
}

void FrmVLDxxxA::ClickNewPassword() {
    FrmNewPassword window(session_.passwords(), session_.dialogs(), session_.model().entry(slot_).uniqueId, this);
    window.exec();
    ShowLockState();
}

void FrmVLDxxxA::ClickDefaultProgram() {
    if (controlsQuiet()) return;
    session_.model().setCurrentDevice(slot_);
    if (LoadDefaultProgram(session_.model(), session_.rxtx(), session_.reader(), session_.responses(),
                           session_.dialogs()))
        InitGUI();
}

}  // namespace zef
