#include "fw_fixture.h"

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <system_error>

#include "platform/local_wait.h"

namespace zef::fwtest {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zef-fw-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

FwLoaderTimeouts FastLoader() {
    FwLoaderTimeouts t;
    t.enterMs = 150;
    t.helloMs = 150;
    t.eraseMs = 1000;
    t.writeMs = 250;
    t.verifyMs = 500;
    t.runMs = 250;
    t.attempts = 3;
    return t;
}

Bytes TestImage(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out(size);
    for (auto& b : out) b = static_cast<std::uint8_t>(random());
    return out;
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
    for (int waited = 0; !done(); waited += 10) {
        if (waited >= ms) return false;
        LocalWait::Pause(10);
    }
    return true;
}

SimLink::SimLink() {
    zefsim::DeviceConfig config;
    config.name = "Rack 3";
    config.address = kDeviceAddress;
    device = &sim.addDevice(config);
    boot = zefsim::installBootloader(*device);
    LinkSettings s;
    s.configFolder = folder.file("");
    s.replies.memory = 2000;
    s.replies.statusPoll = 300;
    s.replies.close = 300;
    s.replies.identifyTcp = 500;
    s.replies.other = 300;
    s.reconnectFirstTickMs = 50;
    s.reconnectWaitMs = 100;
    s.reconnectConnectMs = 500;
    rxtx = std::make_unique<ModRxTx>(model, link, transport, dialogs, presenter, s);
    rxtx->SetOnlineIndicatorHook([this](DeviceSlot slot) { indicatorRefreshes.push_back(slot); });
    model.setCurrentDevice(kSlot);
}

SimLink::~SimLink() {
    transport.serial().Close();
    for (int s = 0; s < kSlotCount; ++s) transport.tcp().Disconnect(s);
    sim.stop();
}

void SimLink::ConnectTcp() {
    const std::uint16_t port = sim.listenTcp(*device, "127.0.0.1", 0);
    sim.start();
    rxtx->settings().devicePort = port;
    entry().interface = kInterfaceTcp;
    entry().ip = "127.0.0.1";
    entry().inList = true;
    ASSERT_EQ(transport.tcp().Connect(kSlot, "127.0.0.1", port, 2000), kTransportOk);
    ASSERT_TRUE(rxtx->IdentifyDevice(kSlot));
    entry().online = true;
    device->clearLog();
}

void SimLink::ConnectUsb() {
    ptyLink = folder.file("ttyZEF0");
    sim.openSerial(*device, ptyLink);
    sim.start();
    transport.serialPorts().Register(ptyLink);
    link.serialPortNumber = 1;
    entry().interface = kInterfaceUsb;
    entry().ip.clear();
    entry().inList = true;
    ASSERT_TRUE(rxtx->IdentifyDevice(kSlot));
    entry().online = true;
    device->clearLog();
}

void SimLink::LoadSettingsFromDevice() {
    const Bytes memory = device->memory(0, kSettingsSize);
    std::copy(memory.begin(), memory.end(), model.device(kSlot).settings.bytes.begin());
}

}  // namespace zef::fwtest
