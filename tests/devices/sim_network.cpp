#include "sim_network.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace zef::test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zef-devices-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

zefsim::DeviceConfig Config(const std::string& name, std::uint8_t uidLast, std::uint8_t network) {
    zefsim::DeviceConfig c;
    c.name = name;
    c.uid = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, uidLast};
    c.network = network;
    return c;
}

std::string UidText(std::uint8_t uidLast) {
    char tail[3];
    std::snprintf(tail, sizeof tail, "%02X", uidLast);
    return std::string("0A0B0C0D0E") + tail;
}

SimNetwork::~SimNetwork() {
    if (sim_) sim_->stop();
}

void SimNetwork::Start(const std::vector<std::pair<std::string, zefsim::DeviceConfig>>& plan) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        sim_ = std::make_unique<zefsim::Simulator>();
        devices_.clear();
        try {
            std::uint16_t port = 0;
            for (const auto& [host, config] : plan) {
                zefsim::Device& d = sim_->addDevice(config);
                port = sim_->listenTcp(d, host, port);
                devices_.push_back(&d);
            }
            port_ = port;
            sim_->start();
            return;
        } catch (const std::runtime_error&) {
            // the port chosen for the first host was taken on another: try again
        }
    }
    throw std::runtime_error("no common free port on the simulated hosts");
}

LinkSettings FastSettings(const std::string& configFolder, std::uint16_t port) {
    LinkSettings s;
    s.devicePort = port;
    s.configFolder = configFolder;
    s.replies.memory = 2000;
    s.replies.statusPoll = 300;
    s.replies.close = 300;
    s.replies.identifyTcp = 1000;
    s.replies.other = 300;
    s.replies.replayActivateFir = 300;
    s.reconnectFirstTickMs = 20;
    s.reconnectWaitMs = 20;
    s.reconnectConnectMs = 300;
    return s;
}

DevicesTest::~DevicesTest() {
    transport.serial().Close();
    for (int s = 0; s < kSlotCount; ++s) transport.tcp().Disconnect(s);
}

void DevicesTest::StartNetwork(const std::vector<std::pair<std::string, zefsim::DeviceConfig>>& plan) {
    if (!plan.empty()) net.Start(plan);
    rxtx = std::make_unique<ModRxTx>(model, link, transport, dialogs, presenter,
                                     FastSettings(folder.path(), plan.empty() ? 1 : net.port()));
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
