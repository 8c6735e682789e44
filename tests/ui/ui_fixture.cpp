#include "ui_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <fstream>

#include "app/remote_control.h"
#include "ui/connect_dialog.h"

namespace zef::test {

ModalDriver::ModalDriver(std::function<void(QWidget*)> handler) : handler_(std::move(handler)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last_ || modal->objectName() == "frmReconnecting") return;
        last_ = modal;
        seen.push_back(modal->objectName().toStdString());
        handler_(modal);
    });
    timer_.start();
}

ModalDriver::~ModalDriver() { timer_.stop(); }

void ConnectOrClose(QWidget* modal) {
    if (auto* dialog = qobject_cast<ConnectDialog*>(modal)) {
        dialog->ClickConnect();
        return;
    }
    modal->close();
}

bool WaitFor(const std::function<bool()>& done, int maxMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > maxMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

UiTest::UiTest() {
    options.announcePort = 0;  // any free port; the simulator is told which
    options.loopbackLan = true;
    // No zefd of this machine is asked before a connect; a test that wants one names it.
    std::ofstream(folder.file(kRemoteConfigName)) << "zefd off\n";
}

UiTest::~UiTest() {
    main.reset();
    session.reset();
    sim.stop();
}

ChannelEditorWindow& UiTest::ShowEditorWithoutTimers(DeviceSlot slot) {
    ChannelEditorWindow& editor = main->ShowEditor(slot);
    editor.statusTimer().stop();
    editor.updateTimer().stop();
    return editor;
}

ChannelEditorWindow& UiTest::OpenQuietEditor(zefsim::Device*& device) {
    device = &AddSimDevice("Amp");
    StartEditor();
    ListAndConnect(1, hosts[0]);
    ChannelEditorWindow& editor = ShowEditorWithoutTimers(1);
    editor.resize(1000, 700);
    device->clearLog();
    dialogs.calls.clear();
    return editor;
}

NumberControl& UiTest::NumberOf(const ChannelEditorWindow& editor, const std::string& name) {
    auto* c = dynamic_cast<NumberControl*>(editor.control(name));
    EXPECT_NE(c, nullptr) << name;
    return *c;
}

zefsim::Device& UiTest::AddSimDevice(const std::string& name) {
    zefsim::DeviceConfig config;
    config.name = name;
    config.address = static_cast<std::uint8_t>(0x11 + devices.size());
    zefsim::Device& d = sim.addDevice(config);
    const std::string host = "127.0.0." + std::to_string(devices.size() + 1);
    devicePort = sim.listenTcp(d, host, devicePort);
    devices.push_back(&d);
    hosts.push_back(host);
    return d;
}

void UiTest::StartEditor(LinkSettings link, MainTimings timings) {
    options.devicePort = devicePort == 0 ? 1 : devicePort;
    session = std::make_unique<EditorSession>(options, folder.path(), dialogs, link);
    ASSERT_TRUE(session->Start());
    main = std::make_unique<MainWindow>(*session, timings);
    main->show();
    list = &main->ShowDeviceList();
    sim.start();
}

void UiTest::ListAndConnect(DeviceSlot slot, const std::string& ip) {
    ASSERT_TRUE(ListAndClickConnect(slot, ip)) << "slot " << slot << " did not come on-line";
}

bool UiTest::ListAndClickConnect(DeviceSlot slot, const std::string& ip) {
    DeviceEntry& e = session->model().entry(slot);
    e = ClearedEntry(slot);
    e.inList = true;
    e.interface = kInterfaceTcp;
    e.network = kNetworkUnknown;
    e.ip = ip;
    e.name = "ZEF-4.260";
    list->RefreshAll();
    ModalDriver driver(ConnectOrClose);
    list->ClickStatus(slot);
    return e.online;
}

int UiTest::CountCommand(const zefsim::Device& device, std::uint8_t command) {
    return static_cast<int>(FramesWithCode(device, command).size());
}

}  // namespace zef::test
