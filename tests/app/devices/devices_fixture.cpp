#include "devices_fixture.h"

#include "sim_link.h"

namespace zef::test {
namespace {

// The fast settings for the devices' port, with quicker reconnect waits.
LinkSettings FastSettings(const std::string& configFolder, std::uint16_t port) {
    LinkSettings s = FastLinkSettings(configFolder);
    s.devicePort = port;
    s.reconnectFirstTickMs = 20;
    s.reconnectWaitMs = 20;
    s.reconnectConnectMs = 300;
    return s;
}

}  // namespace

DevicesTest::~DevicesTest() { CloseAllLinks(transport); }

void DevicesTest::StartNetwork(const std::vector<std::pair<std::string, zefsim::DeviceConfig>>& plan) {
    if (!plan.empty()) net.Start(plan);
    exchange = std::make_unique<DeviceExchange>(model, link, transport, FastSettings(folder.path(), plan.empty() ? 1 : net.port()));
    linkPresenter = std::make_unique<LinkPresenter>(*exchange, dialogs);
}

DeviceEntry& DevicesTest::ListNetworkEntry(DeviceSlot slot, const std::string& ip, const std::string& uid,
                                           std::int16_t network) {
    DeviceEntry& e = model.entry(slot);
    e = ClearedEntry(slot);
    e.inList = true;
    e.interface = kInterfaceTcp;
    e.ip = ip;
    e.uniqueId = uid;
    e.network = network;
    e.name = "Listed";
    return e;
}

std::vector<std::string> DevicesTest::MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& c : dialogs.calls) texts.push_back(c.title + "|" + c.text);
    return texts;
}

}  // namespace zef::test
