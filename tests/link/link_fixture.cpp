#include "link_fixture.h"

#include <cstdlib>
#include <system_error>

namespace zef::test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zef-link-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

LinkSettings TestSettings(const std::string& configFolder) {
    LinkSettings s;
    s.configFolder = configFolder;
    s.replies.memory = 2000;
    s.replies.statusPoll = 300;
    s.replies.close = 300;
    s.replies.identifyTcp = 400;
    s.replies.other = 300;
    s.replies.replayActivateFir = 300;
    s.reconnectFirstTickMs = 50;
    s.reconnectWaitMs = 100;
    s.reconnectConnectMs = 1000;
    return s;
}

LinkTest::LinkTest() {
    zefsim::DeviceConfig config;
    config.name = "Stage Left";
    config.address = 0x11;
    device = &sim.addDevice(config);
    rxtx = std::make_unique<ModRxTx>(model, link, transport, dialogs, presenter,
                                     TestSettings(folder.path().string()));
    rxtx->SetOnlineIndicatorHook([this](DeviceSlot s) { indicatorRefreshes.push_back(s); });
}

LinkTest::~LinkTest() {
    transport.serial().Close();
    for (int s = 0; s < kSlotCount; ++s) transport.tcp().Disconnect(s);
    sim.stop();
}

void LinkTest::ConnectTcp() {
    port = sim.listenTcp(*device, "127.0.0.1", 0);
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

void LinkTest::ConnectUsb() {
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

CommandParams LinkTest::Params(std::vector<std::uint8_t> p) const {
    CommandParams out{};
    for (std::size_t i = 0; i < p.size() && i < out.size(); ++i) out[i] = p[i];
    return out;
}

}  // namespace zef::test
