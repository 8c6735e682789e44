#include "sim_link.h"

#include <gtest/gtest.h>

namespace zef::test {

LinkSettings FastLinkSettings(const std::string& configFolder) {
    LinkSettings s;
    s.configFolder = configFolder;
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

void ConnectSimTcp(const SimSlot& s, std::uint16_t& port) {
    port = s.sim.listenTcp(s.device, "127.0.0.1", 0);
    s.sim.start();
    s.exchange.settings().devicePort = port;
    DeviceEntry& entry = s.model.entry(s.slot);
    entry.interface = kInterfaceTcp;
    entry.ip = "127.0.0.1";
    entry.inList = true;
    ASSERT_EQ(s.transport.tcp().Connect(s.slot, "127.0.0.1", port, 2000), kTransportOk);
    ASSERT_TRUE(s.exchange.IdentifyDevice(s.slot));
    entry.online = true;
    s.device.clearLog();
}

void ConnectSimUsb(const SimSlot& s, const std::string& ptyLink, SerialKind kind) {
    OpenSimSerial(s.sim, s.device, ptyLink, kind);
    s.sim.start();
    s.transport.serialPorts().Register(ptyLink);
    s.link.serialPortNumber = 1;
    DeviceEntry& entry = s.model.entry(s.slot);
    entry.interface = kInterfaceUsb;
    entry.ip.clear();
    entry.inList = true;
    ASSERT_TRUE(s.exchange.IdentifyDevice(s.slot));
    entry.online = true;
    s.device.clearLog();
}

void CloseAllLinks(Transport& transport) {
    transport.serial().Close();
    for (int s = 0; s < kSlotCount; ++s) transport.tcp().Disconnect(s);
}

std::vector<std::vector<std::uint8_t>> FramesWithCode(const zefsim::Device& device, std::uint8_t code) {
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto& f : device.frames())
        if (f.size() > 3 && f[3] == code) out.push_back(f);
    return out;
}

}  // namespace zef::test
