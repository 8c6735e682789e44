#include "link_fixture.h"

namespace zef::test {
namespace {

// The fast settings with a shorter identify over TCP and a longer reconnect
// connection time-out.
LinkSettings TestSettings(const std::string& configFolder) {
    LinkSettings s = FastLinkSettings(configFolder);
    s.replies.identifyTcp = 400;
    s.reconnectConnectMs = 1000;
    return s;
}

}  // namespace

LinkTest::LinkTest(SerialKind serialKind) : transport(SerialPortMap::RegisteredOnly(), sim, serialKind) {
    zefsim::DeviceConfig config;
    config.name = "Stage Left";
    config.address = 0x11;
    device = &sim.addDevice(config);
    exchange = std::make_unique<DeviceExchange>(model, link, transport, TestSettings(folder.path().string()));
    linkPresenter = std::make_unique<LinkPresenter>(*exchange, dialogs, &presenter);
    offline = exchange->wentOffline.Connect([this](DeviceSlot s) { indicatorRefreshes.push_back(s); });
}

LinkTest::~LinkTest() {
    CloseAllLinks(transport);
    sim.stop();
}

void LinkTest::ConnectTcp() { ConnectSimTcp(Slot(), port); }

void LinkTest::ConnectUsb() {
    ptyLink = folder.file("ttyZEF0");
    ConnectSimUsb(Slot(), ptyLink, transport.kind());
}

CommandParams LinkTest::Params(std::vector<std::uint8_t> p) const {
    CommandParams out{};
    for (std::size_t i = 0; i < p.size() && i < out.size(); ++i) out[i] = p[i];
    return out;
}

}  // namespace zef::test
