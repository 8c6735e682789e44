#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMoveEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "app/editor_session.h"
#include "ui/channel_editor.h"
#include "ui/device_list_window.h"
#include "ui/edit_name_dialog.h"
#include "ui/eq_band_panel.h"
#include "ui/eq_fir_window.h"
#include "ui/firmware_window.h"
#include "ui/output_eq_windows.h"
#include "ui/screen_rules.h"
#include "ui/setup_window.h"
#include "ui/undo_actions.h"
#include "ui/window_geometry.h"
#include "ui/remote_control_window.h"
#include "ui/window_menu.h"

namespace zef {
namespace {

constexpr const char* kSettingsItems[] = {"Fw Update", "Name Edit", "Network"};
constexpr const char* kUsbOnlyTitle = "Firmware Update";
constexpr const char* kUsbOnlyText = "Function available only in USB mode";

}  // namespace

MainWindow::MainWindow(EditorSession& session, MainTimings timings, QWidget* parent)
    : QMainWindow(parent), session_(session), timings_(timings), actions_(session) {
    setObjectName("MDIFrmMain");
    outputEq_ =
        std::make_unique<OutputEqWindows>([this](DeviceSlot s) { return EditorContextOf(session_, s); },
                                          EditorToolsOf(session_), MeasureContextOf(session_), this);
    setWindowTitle(QString("ZEF Editor %1").arg(kSoftwareVersion));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("MdiArea");
    mdi_->setBackground(QColor(96, 104, 112));
    setCentralWidget(mdi_);
    BuildButtons();
    BuildMenus();
    // The status line holds one line of text at the font's height.
    statusBar()->setMinimumHeight(fontMetrics().height() + 8);
    // Opens filling the screen (the channel editor needs most of it) unless
    // the user left it elsewhere.
    const QRect screen = NearestScreenArea(QPoint(0, 0));
    KeepWindowGeometry(this, "MainWindow", screen.size() - QSize(kDecorationWidth, kDecorationHeight));
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        if (auto* e = sub ? qobject_cast<ChannelEditorWindow*>(sub->widget()) : nullptr) EditorActivated(e);
    });

    statusTimer_.setSingleShot(false);
    blinkTimer_.setSingleShot(false);
    // Each tick runs from a timer of its own: a repeating timer does not fire
    // again while its handler runs, and a message a tick shows (a device
    // lost) must not stop the ticks that bring the device back and close it.
    connect(&statusTimer_, &QTimer::timeout, this, [this] { QTimer::singleShot(0, this, &MainWindow::StatusTick); });
    connect(&blinkTimer_, &QTimer::timeout, this, &MainWindow::BlinkTick);
}

MainWindow::~MainWindow() {
    // The child windows are deleted after this body, when the map is gone:
    // their destroyed() must no longer reach it.
    for (const auto& [slot, sub] : editors_) {
        sub->disconnect(this);
        if (QWidget* editor = sub->widget()) editor->disconnect(this);
    }
}

void MainWindow::BuildButtons() {
    auto* bar = addToolBar("Project");
    bar->setObjectName("ImageButton");
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const struct {
        QStyle::StandardPixmap icon;
        const char* text;
        void (MainWindow::*slot)();
    } buttons[] = {
        {QStyle::SP_DialogSaveButton, "Save Project", &MainWindow::ClickSaveProject},
        {QStyle::SP_DialogOpenButton, "Load Project", &MainWindow::ClickLoadProject},
        {QStyle::SP_FileIcon, "New Project", &MainWindow::ClickNewProject},
    };
    for (const auto& b : buttons) {
        QAction* action = bar->addAction(style()->standardIcon(b.icon), b.text);
        connect(action, &QAction::triggered, this, b.slot);
    }
}

void MainWindow::BuildMenus() {
    editMenu_ = menuBar()->addMenu("Edit");
    editMenu_->setObjectName("EditMenu");
    undo_ = new UndoActions(session_.history(), session_.dialogs(), [this] { return selected_; }, this, true);
    editMenu_->addAction(undo_->undo());
    editMenu_->addAction(undo_->redo());
    connect(editMenu_, &QMenu::aboutToShow, undo_, &UndoActions::Update);

    filterMenu_ = menuBar()->addMenu("Filter Type");
    filterMenu_->setObjectName("ShapeEq");
    // The filter type goes to the band selected in the active editor.
    for (int i = 0; i < 8; ++i) {
        QAction* action = filterMenu_->addAction(kBandTypeItems[static_cast<std::size_t>(i)]);
        connect(action, &QAction::triggered, this, [this, i] { ShapeEqFilter(i); });
    }
    connect(filterMenu_, &QMenu::aboutToShow, this, [this] {
        for (QAction* a : filterMenu_->actions()) a->setEnabled(activeEditor() != nullptr);
    });

    settingsMenu_ = menuBar()->addMenu("Settings");
    settingsMenu_->setObjectName("SettingsMenu");
    for (int i = 0; i < 3; ++i) {
        QAction* action = settingsMenu_->addAction(kSettingsItems[i]);
        connect(action, &QAction::triggered, this, [this, i] { SettingsFun(selected_, i); });
    }
    // Not about one device: always open.
    remoteAction_ = settingsMenu_->addAction("Remote control…");
    remoteAction_->setObjectName("RemoteControlAction");
    connect(remoteAction_, &QAction::triggered, this, [this] {
        RemoteControlWindow window(session_.remoteControl(), this);
        window.exec();
    });
    connect(settingsMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdateSettingsMenu);
    UpdateSettingsMenu();

    asioMenu_ = menuBar()->addMenu("AsioCard");
    asioMenu_->setObjectName("AsioCardMenu");
    asioMenu_->addAction("(no sound card)")->setEnabled(false);

    windowMenu_ = MakeWindowMenu(this, mdi_);
    menuBar()->addMenu(windowMenu_);
}

void MainWindow::UpdateSettingsMenu() {
    const bool listed = selected_ >= 1 && session_.model().entry(selected_).inList;
    for (QAction* action : settingsMenu_->actions()) action->setEnabled(listed || action == remoteAction_);
}

void MainWindow::SettingsFun(DeviceSlot current, int index) {
    if (current < 1 || !session_.model().entry(current).inList) return;
    switch (index) {
        case 0: {
            if (!session_.model().entry(current).isUsb()) {
                session_.dialogs().Message(kUsbOnlyTitle, kUsbOnlyText, Icon::Information);
                return;
            }
            FwUpdateWindow window(FirmwareToolsOf(session_), current, FwUpdateWindow::Kind::Update, this);
            window.exec();
            break;
        }
        case 1: {
            EditNameDialog window(session_.listActions(), session_.exchange(), current, this);
            window.exec();
            break;
        }
        case 2: {
            NetworkSetupWindow window(session_.model(), session_.exchange(), session_.dialogs(), current,
                                      this);
            window.exec();
            break;
        }
        default: break;
    }
    if (list_) list_->RefreshAll();
}

ChannelEditorWindow* MainWindow::editor(DeviceSlot slot) const {
    const auto it = editors_.find(slot);
    return it == editors_.end() ? nullptr : qobject_cast<ChannelEditorWindow*>(it->second->widget());
}

ChannelEditorWindow* MainWindow::activeEditor() const {
    QMdiSubWindow* active = mdi_->activeSubWindow();
    return active ? qobject_cast<ChannelEditorWindow*>(active->widget()) : nullptr;
}

void MainWindow::EditorActivated(ChannelEditorWindow* active) {
    selected_ = active->slot();
    undo_->Update();
    for (const auto& [slot, sub] : editors_)
        if (auto* e = qobject_cast<ChannelEditorWindow*>(sub->widget())) e->SetActive(e == active);
}

ChannelEditorWindow& MainWindow::ShowEditor(DeviceSlot slot) {
    auto it = editors_.find(slot);
    if (it == editors_.end()) {
        auto* editor = new ChannelEditorWindow(EditorContextOf(session_, slot), EditorToolsOf(session_));
        editor->settingsHandler = [this](DeviceSlot device, int index) { SettingsFun(device, index); };
        // The output EQ/FIR editor opens on the output selected in the channel editor.
        editor->outputEditorHandler = [this](DeviceSlot s) {
            const int group = session_.selection(s).group;
            outputEq_->Open(s, group == 3 ? 1 : 0);
        };
        if (auto* button = editor->findChild<QPushButton*>("BtnOutputEq")) button->setEnabled(true);
        QMdiSubWindow* sub = mdi_->addSubWindow(editor);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->setWindowTitle(editor->windowTitle());
        connect(editor, &QWidget::windowTitleChanged, sub, &QWidget::setWindowTitle);
        connect(sub, &QObject::destroyed, this, [this, slot] {
            editors_.erase(slot);
            editorRows_.erase(slot);
            if (outputEq_->editor() && outputEq_->editor()->slot() == slot) outputEq_->Close();
        });
        // The header tells what the list tells, at the same moment.
        editorRows_[slot] = session_.list().rowChanged.Connect(
            [this, editor = QPointer<ChannelEditorWindow>(editor), slot](DeviceSlot changed) {
                if (changed != slot) return;
                if (editor) editor->RefreshHeader();
                if (OutputEqWindow* eq = outputEq_->editor(); eq && eq->slot() == slot) eq->RefreshTitle();
            });
        it = editors_.emplace(slot, sub).first;
        KeepSubWindowInArea(sub, sub->sizeHint());
        // The list's status tells an off-line device being edited from one that is not.
        session_.list().RowChanged(slot);
        connect(editor, &QObject::destroyed, this, [this, slot] { session_.list().RowChanged(slot); });
    }
    it->second->show();
    mdi_->setActiveSubWindow(it->second);
    auto* editor = qobject_cast<ChannelEditorWindow*>(it->second->widget());
    EditorActivated(editor);
    return *editor;
}

void MainWindow::ShapeEqFilter(int type) {
    if (ChannelEditorWindow* e = activeEditor()) e->ChooseBandType(type);
}

DeviceListWindow& MainWindow::ShowDeviceList() {
    if (!list_) {
        list_ = new DeviceListWindow(session_);
        list_->editorOpener = [this](DeviceSlot slot) { ShowEditor(slot); };
        listWindow_ = mdi_->addSubWindow(list_);
        listWindow_->setWindowTitle("Device List");
        listWindow_->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                                    Qt::WindowMaximizeButtonHint);
    }
    listWindow_->show();
    listWindow_->showMaximized();
    return *list_;
}

void MainWindow::StartTimers() {
    // The first tick of each comes after firstTickMs; the period is set then.
    statusTimer_.start(timings_.firstTickMs);
    blinkTimer_.start(timings_.firstTickMs);
}

bool MainWindow::TimersMayRun() const { return session_.link().idle(); }

void MainWindow::StatusTick() {
    if (statusTimer_.interval() != timings_.statusMs) statusTimer_.setInterval(timings_.statusMs);
    ++statusTicks_;
    if (!TimersMayRun() || !list_) return;
    session_.connection().StatusPollTick();
}

void MainWindow::BlinkTick() {
    if (blinkTimer_.interval() != timings_.blinkMs) blinkTimer_.setInterval(timings_.blinkMs);
    ++blinkTicks_;
    if (!TimersMayRun()) return;
    blinkPhase_ = !blinkPhase_;
    if (list_) list_->BlinkTick(blinkPhase_);
}

void MainWindow::ClickSaveProject() { actions_.SaveProjectFile(); }

void MainWindow::ClickLoadProject() {
    if (actions_.LoadProjectFile()) RestorePosition();
    if (list_) list_->RefreshAll();
}

void MainWindow::ShowStatus(const std::string& text) {
    statusBar()->showMessage(QString::fromStdString(text));
}

void MainWindow::RestorePosition() {
    std::vector<ScreenRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->availableGeometry();
        screens.push_back({r.x(), r.y(), r.width(), r.height()});
    }
    const Model& model = session_.model();
    if (RestorablePosition(model.windowValueA, model.windowValueB, screens))
        move(model.windowValueA, model.windowValueB);
    if (!isMaximized()) ClampWindowOntoScreen(this);
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // Kept for the project files: the window's left and top edge.
    session_.model().windowValueA = x();
    session_.model().windowValueB = y();
}

void MainWindow::ClickNewProject() {
    actions_.NewProject();
    if (list_) list_->RefreshAll();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!actions_.Exit()) {
        event->ignore();
        return;
    }
    statusTimer_.stop();
    blinkTimer_.stop();
    event->accept();
}

}  // namespace zef
