#include "ui_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdlib>
#include <stdexcept>

#include "ui/connect_dialog.h"

namespace zef::test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zef-ui-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

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
    if (auto* dialog = qobject_cast<FrmConnect*>(modal)) {
        dialog->ClickConnect();
        return;
    }
    modal->close();
}

LinkSettings FastLinkSettings() {
    LinkSettings s;
    s.replies.memory = 2000;
    s.replies.statusPoll = 300;
    s.replies.close = 300;
    s.replies.identifyTcp = 1000;
    s.replies.other = 300;
    s.replies.replayActivateFir = 300;
    s.reconnectFirstTickMs = 50;
    s.reconnectWaitMs = 100;
    s.reconnectConnectMs = 500;
    return s;
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
}

UiTest::~UiTest() {
    main.reset();
    session.reset();
    sim.stop();
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
    main = std::make_unique<MDIFrmMain>(*session, timings);
    main->show();
    list = &main->ShowDeviceList();
    sim.start();
}

void UiTest::ListAndConnect(DeviceSlot slot, const std::string& ip) {
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
    ASSERT_TRUE(e.online) << "slot " << slot << " did not come on-line";
}

int UiTest::CountCommand(const zefsim::Device& device, std::uint8_t command) {
    int n = 0;
    for (const auto& f : device.frames())
        if (f.size() >= 4 && f[3] == command) ++n;
    return n;
}

}  // namespace zef::test
