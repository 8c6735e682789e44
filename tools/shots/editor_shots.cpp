#include "editor_shots.h"

#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QRadioButton>
#include <QStackedWidget>

#include "app/editor_session.h"
#include "app/step_names.h"
#include "demo_devices.h"
#include "eq_fir_shots.h"
#include "files/init_config.h"
#include "measure_shots.h"
#include "shooter.h"
#include "ui/add_device_dialog.h"
#include "ui/channel_editor.h"
#include "ui/connect_dialog.h"
#include "ui/copy_window.h"
#include "ui/device_list_window.h"
#include "ui/edit_name_dialog.h"
#include "ui/firmware_window.h"
#include "ui/lock_windows.h"
#include "ui/main_window.h"
#include "ui/preset_windows.h"
#include "ui/reconnecting_window.h"
#include "ui/remove_device_dialog.h"
#include "ui/search_dialog.h"
#include "ui/setup_window.h"
#include "ui/splash_window.h"
#include "ui/undo_actions.h"
#include "ui/version_window.h"
#include "ui/view_all_window.h"

namespace zef::shots {
namespace {

// The splash, the main window and the device list.
void ShootStart(EditorSession& session, Shooter& shot) {
    SplashWindow splash(CheckScreen(96, 1024, 768));
    shot.Save(splash, "frmSplash");
    MainWindow main(session);
    main.resize(800, 600);
    main.ShowDeviceList();
    main.deviceList()->BlinkTick(true);
    shot.Save(main, "MDIFrmMain");
    DeviceListWindow list(session);
    list.resize(760, 420);
    list.BlinkTick(true);
    shot.Save(list, "FrmIdList");
}

// Adding, removing, naming, searching and connecting devices.
void ShootListDialogs(EditorSession& session, const std::string& dataFolder, Shooter& shot) {
    {
        AddDeviceDialog add(session.listActions());
        shot.Save(add, "FrmAddDevice");
        RemoveDeviceDialog remove(session.listActions());
        shot.Save(remove, "FrmRemoveDevice");
        EditNameDialog edit(session.listActions(), session.exchange(), 1);
        shot.Save(edit, "FrmEditName");
    }
    {
        InitConfig range;
        range.rangeStart = {127, 0, 0, 1};
        range.rangeEnd = {127, 0, 0, 20};
        WriteInitConfig(dataFolder, range);
        SearchDialog search(session.list(), session.exchange(), session.dialogs(),
                            SearchSettings{true, 500, 200, 10000});
        search.Open();
        search.tcpMode()->setChecked(true);
        search.caption()->setText(QString::fromStdString(SearchingAddressCaption("127.0.0.2")));
        shot.Save(search, "FrmSearch");
    }
    {
        ConnectDialog single(session.model(), session.connection(), session.connectActions(), 1);
        shot.Save(single, "FrmConnect");
        ConnectDialog all(session.model(), session.connection(), session.connectActions(), 0);
        shot.Save(all, "FrmConnect-All");
    }
    ReconnectingWindow reconnecting;
    shot.Save(reconnecting, "frmReconnecting");
}

// Network set-up pages, firmware windows and the version window.
void ShootDeviceWindows(EditorSession& session, Shooter& shot) {
    {
        NetworkSetupWindow setup(session.model(), session.exchange(), session.dialogs(), 1);
        const char* names[] = {"FrmSetup-ACCESS_POINT", "FrmSetup-WLAN", "FrmSetup-LAN"};
        for (int p = 0; p < NetworkSetupWindow::kPageCount; ++p) {
            setup.pages()->setCurrentIndex(p);
            shot.Save(setup, names[p]);
        }
    }
    {
        FwUpdateWindow boot(FirmwareToolsOf(session), 6, FwUpdateWindow::Kind::BootLoader);
        shot.Save(boot, "frmFwBootLoader");
        FwUpdateWindow update(FirmwareToolsOf(session), 3, FwUpdateWindow::Kind::Update);
        shot.Save(update, "FwUpdateDemo");
    }
    VersionWindow version(session.model(), 1);
    shot.Save(version, "FrmVersion");
}

// The windows the channel editor opens: the graph of all outputs, presets,
// channel copies, the lock and a new password.
void ShootEditorDialogs(EditorSession& session, Shooter& shot) {
    ViewAllGraphWindow all(EditorContextOf(session, 1));
    all.option(0, 3)->setChecked(true);
    shot.Save(all, "FrmViewGraph");
    PresetActions actions(session.presets(), session.dialogs(), 1);
    StorePresetWindow store(actions, session.dialogs(), session.model().device(1));
    store.nameBox()->setText("Main PA");
    shot.Save(store, "FrmStore");
    RecallPresetWindow read(actions, session.model().device(1));
    shot.Save(read, "FrmRead");
    ChannelCopyWindow copyIn(session.writer(), 1, session.dialogs(), 0);
    shot.Save(copyIn, "FrmCopyOut-Input");
    ChannelCopyWindow copyOut(session.writer(), 1, session.dialogs(), 1);
    shot.Save(copyOut, "FrmCopyOut-Output");
    std::int16_t lock = 0;
    LockDialog lockWindow(session.passwords(), session.dialogs(), "025A45460001", lock);
    shot.Save(lockWindow, "FrmLock");
    NewPasswordDialog password(session.passwords(), session.dialogs(), "025A45460001");
    shot.Save(password, "FrmNewPassword");
}

// The channel editor's pages with meter readings, a zoomed output, its
// dialogs, and the editor of a locked device.
void ShootChannelEditor(EditorSession& session, Shooter& shot) {
    ChannelEditorWindow editor(EditorContextOf(session, 1), EditorToolsOf(session));
    editor.resize(1000, 680);
    // The shots show the reading below, not whatever a poll on a slow run brings.
    editor.statusTimer().stop();
    StatusReading reading;
    reading.levels = {-2, 1, -4, -6, 4, -1, -10, 0, 0, 0, 0, 0};
    reading.reductions = {-3, 0, -1, 0};
    reading.indicators = {true, true, false, false, true, true, false, false, true, false, false, false};
    editor.ShowReading(reading);
    const char* pages[] = {"FrmVLDxxxA-Inputs", "FrmVLDxxxA-Outputs", "FrmVLDxxxA-SM", "FrmVLDxxxA-Device"};
    for (int p = 0; p < 4; ++p) {
        editor.SetPageTab(static_cast<EditorPage>(p));
        shot.Save(editor, pages[p]);
    }
    editor.SetPageTab(EditorPage::Outputs);
    editor.SetPageChannel(3);
    session.graphView().setZoom(1);
    shot.Save(editor, "FrmVLDxxxA-Output2-Zoom");
    session.graphView().setZoom(0);
    ShootEditorDialogs(session, shot);
    session.model().device(1).values.lock = 1;
    editor.RefreshAll();
    editor.SetPageTab(EditorPage::Inputs);
    shot.Save(editor, "FrmVLDxxxA-Locked");
}

// The frame at 1366 x 768 with a channel editor whose button bar carries A,
// B and Copy A→B, one edit made, and the Edit menu naming it.
void ShootUndoAndCompare(EditorSession& session, Shooter& shot) {
    MainWindow main(session);
    main.resize(1366, 768);
    ChannelEditorWindow& editor = main.ShowEditor(1);
    editor.statusTimer().stop();
    editor.updateTimer().stop();
    const Parameter gain = ParameterOf(ParamId::BandGain, {ParamChannel::Out1, 5});
    const double before = GetValue(session.model().device(1), gain);
    session.writer().Set(1, gain, 4.5);
    session.history().EndStep(1, StepName(gain));
    shot.Save(main, "MDIFrmMain-Compare", true);
    QMenu& menu = *main.editMenu();
    main.undoActions().Update();
    menu.adjustSize();
    shot.Save(menu, "MDIFrmMain-EditMenu");
    main.hide();
    session.writer().Set(1, gain, before);
    session.history().EndStep(1, StepName(gain));
}

// The frame at 1366 x 768 with the device list and the channel editor of a
// listed device that is not on-line ("Foyer Fill"): edited on its model, its
// title and its list row say "Offline".
void ShootOffline(EditorSession& session, Shooter& shot) {
    constexpr DeviceSlot kOffline = 5;
    MainWindow main(session);
    main.resize(1366, 768);
    QWidget* list = main.ShowDeviceList().parentWidget();
    ChannelEditorWindow& editor = main.ShowEditor(kOffline);
    editor.statusTimer().stop();
    editor.updateTimer().stop();
    editor.SetPageTab(EditorPage::Outputs);
    // One above the other rather than maximised, so that both title bars show.
    for (QWidget* sub : {list, editor.parentWidget()})
        if (auto* w = qobject_cast<QMdiSubWindow*>(sub)) w->showNormal();
    if (list) list->setGeometry(0, 0, 1000, 240);
    if (QWidget* sub = editor.parentWidget()) {
        sub->setGeometry(60, 245, 1240, 440);
        sub->raise();
    }
    shot.Save(main, "MDIFrmMain-Offline", true);
    main.hide();
}

}  // namespace

bool RenderEditorShots(const EditorOptions& options, const std::string& dataFolder, Shooter& shot) {
    ShotDialogs dialogs(Answer::No);
    EditorOptions demo = options;
    demo.loopbackLan = true;
    EditorSession session(demo, dataFolder, dialogs);
    FillDemoDevices(session.model());
    ShootStart(session, shot);
    ShootListDialogs(session, dataFolder, shot);
    ShootDeviceWindows(session, shot);
    ShootChannelEditor(session, shot);
    session.model().device(1).values.lock = 0;
    ShootUndoAndCompare(session, shot);
    ShootOffline(session, shot);
    const SaveShot save = [&shot](QWidget& w, const QString& name) { shot.Save(w, name); };
    RenderOutputEqShots(session, save);
    // The measuring windows need an amplifier and its virtual rig.
    if (!options.rigs.empty() && !RenderMeasureShots(demo, dataFolder, dialogs, save)) return false;
    return shot.ok();
}

}  // namespace zef::shots
