#include "sim_network.h"

#include <cstdio>
#include <stdexcept>

namespace zef::test {

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

}  // namespace zef::test
