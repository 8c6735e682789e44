#include "ui/shots.h"
#include "ui/shots_measure.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QRadioButton>
#include <QLineEdit>
#include <QTabWidget>
#include <cstdio>

#include "files/init_config.h"
#include "model/defaults.h"
#include "model/records.h"
#include "ui/add_device_dialog.h"
#include "ui/connect_dialog.h"
#include "ui/device_list_window.h"
#include "ui/edit_name_dialog.h"
#include "app/editor_session.h"
#include "ui/firmware_window.h"
#include "ui/main_window.h"
#include "ui/reconnecting_window.h"
#include "ui/remove_device_dialog.h"
#include "ui/search_dialog.h"
#include "ui/setup_window.h"
#include "ui/splash_window.h"
#include "ui/version_window.h"
#include "ui/channel_editor.h"
#include "ui/copy_window.h"
#include "ui/lock_windows.h"
#include "ui/preset_windows.h"
#include "ui/view_all_window.h"
#include "ui/eq_fir_shots.h"
#include "model/demo_program.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "model/tables.h"

namespace zef {
namespace {

struct DemoDevice {
    const char* name;
    const char* ip;
    std::int16_t network;
    const char* uid;
    bool online;
    std::int16_t standby;
    bool alert;
    std::uint8_t type;
};

constexpr DemoDevice kDemoDevices[] = {
    {"Stage Left", "127.0.0.2", kNetworkLan, "025A45460001", true, 0, false, 0},
    {"Stage Right", "127.0.0.3", kNetworkLan, "025A45460002", true, 1, false, 0},
    {"Delay Tower", "", kNetworkUsb, "025A45460003", true, 0, true, 0},
    {"Monitor Wedge", "127.0.0.4", kNetworkUnknown, "", false, 1, false, 0},
    {"Foyer Fill", "127.0.0.9", kNetworkWlan, "025A45460005", false, 1, false, 0},
    {"ZEF-4.260", "", kNetworkUsb, "025A45460006", false, 1, false, kTypeBootLoader},
};

void FillDemo(Model& model) {
    DeviceSlot slot = 1;
    for (const DemoDevice& d : kDemoDevices) {
        DeviceEntry& e = model.entry(slot);
        e = ClearedEntry(slot);
        e.inList = true;
        e.online = d.online;
        e.interface = d.network == kNetworkUsb ? kInterfaceUsb : kInterfaceTcp;
        e.ip = d.ip;
        e.network = d.network;
        e.name = d.name;
        e.uniqueId = d.uid;
        e.standby = d.standby;
        e.type = d.type;
        ResetToDefaults(model.device(slot));
        SetDeviceName(model.device(slot).settings, d.name);
        auto& s = model.device(slot).settings;
        s[1] = 2, s[2] = 1, s[3] = 0;
        model.device(slot).alert = d.alert;
        ApplyDemoProgram(model.device(slot), slot == 3 ? DemoProgram::DelayTower : DemoProgram::MainSystem);
        ++slot;
    }
    // A device with its network set up, for the setup pages.
    auto& s = model.device(1).settings;
    const std::uint8_t lan[] = {1, 127, 0, 0, 2, 255, 255, 255, 0, 127, 0, 0, 1};
    std::copy(std::begin(lan), std::end(lan), &s[29]);
    const std::string ssid = "ZEF-Stage-Left";
    s[123] = 1;
    const std::uint8_t ap[] = {127, 0, 0, 50, 255, 255, 255, 0, 127, 0, 0, 50};
    std::copy(std::begin(ap), std::end(ap), &s[124]);
    s[136] = static_cast<std::uint8_t>(ssid.size());
    for (std::size_t i = 0; i < 32; ++i) s[137 + i] = i < ssid.size() ? static_cast<std::uint8_t>(ssid[i]) : ' ';
    s[169] = 1;
    s[203] = 6;
}

class Shooter {
public:
    explicit Shooter(QString folder) : folder_(std::move(folder)) {}

    void Save(QWidget& w, const QString& name) {
        w.ensurePolished();
        w.show();
        QApplication::processEvents();
        const QString path = folder_ + "/" + name + ".png";
        if (!w.grab().save(path)) {
            std::fprintf(stderr, "zefedit: cannot write %s\n", path.toLocal8Bit().constData());
            ok_ = false;
        } else {
            std::printf("%s\n", path.toLocal8Bit().constData());
        }
        w.hide();
    }
    bool ok() const { return ok_; }

private:
    QString folder_;
    bool ok_ = true;
};

// Rendering windows asks nobody: every question is answered No, every
// message and file dialog goes unseen.
class NoDialogs final : public Dialogs {
public:
    void Message(const std::string&, const std::string&, Icon) override {}
    Answer Ask(const std::string&, const std::string&, Buttons, Icon) override { return Answer::No; }
    std::optional<std::string> OpenFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> SaveFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace

bool RenderShots(const EditorOptions& options, const std::string& dataFolder) {
    const QString folder = QString::fromStdString(options.shotsFolder);
    if (!QDir().mkpath(folder)) return false;
    NoDialogs dialogs;
    EditorOptions demo = options;
    demo.loopbackLan = true;
    EditorSession session(demo, dataFolder, dialogs);
    FillDemo(session.model());
    Shooter shot(folder);

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
        SearchDialog search(session.list(), session.exchange(), session.dialogs(), SearchSettings{true, 500, 200, 10000});
        search.Open();
        search.tcpMode()->setChecked(true);
        search.caption()->setText(QString::fromStdString(SearchingAddressCaption("127.0.0.2")));
        shot.Save(search, "FrmSearch");
    }
    {
        ConnectDialog single(session, 1);
        shot.Save(single, "FrmConnect");
        ConnectDialog all(session, 0);
        shot.Save(all, "FrmConnect-All");
    }
    {
        ReconnectingWindow reconnecting;
        shot.Save(reconnecting, "frmReconnecting");
    }
    {
        NetworkSetupWindow setup(session, 1);
        const char* names[] = {"FrmSetup-ACCESS_POINT", "FrmSetup-WLAN", "FrmSetup-LAN"};
        for (int p = 0; p < NetworkSetupWindow::kPageCount; ++p) {
            setup.pages()->setCurrentIndex(p);
            shot.Save(setup, names[p]);
        }
    }
    {
        FwUpdateWindow boot(session, 6, FwUpdateWindow::Kind::BootLoader);
        shot.Save(boot, "frmFwBootLoader");
        FwUpdateWindow update(session, 3, FwUpdateWindow::Kind::Update);
        shot.Save(update, "FwUpdateDemo");
    }
    {
        VersionWindow version(session.model(), 1);
        shot.Save(version, "FrmVersion");
    }
    {
        ChannelEditorWindow editor(EditorContextOf(session, 1), EditorToolsOf(session));
        editor.resize(1000, 680);
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
        session.model().device(1).values.lock = 1;
        editor.RefreshAll();
        editor.SetPageTab(EditorPage::Inputs);
        shot.Save(editor, "FrmVLDxxxA-Locked");
    }
    session.model().device(1).values.lock = 0;
    RenderOutputEqShots(session, [&shot](QWidget& w, const QString& name) { shot.Save(w, name); });
    // The measuring windows need an amplifier and its virtual rig.
    if (!options.rigs.empty() &&
        !RenderMeasureShots(demo, dataFolder, dialogs, [&](QWidget& w, const QString& name) { shot.Save(w, name); }))
        return false;
    return shot.ok();
}

}  // namespace zef
