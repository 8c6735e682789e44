#pragma once
// Simulated amplifiers on loopback hosts 127.0.0.x, all on one TCP port, in
// the process of the test or benchmark that uses them.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "simulator.h"

namespace zef::test {

// A device's configuration with a recognisable unique ID 0A 0B 0C 0D 0E `uidLast`.
zefsim::DeviceConfig Config(const std::string& name, std::uint8_t uidLast, std::uint8_t network = 2);
// "0A0B0C0D0E" + two hex digits of uidLast.
std::string UidText(std::uint8_t uidLast);

// Simulated amplifiers, each on its own loopback host, all on one port.
class SimNetwork {
public:
    ~SimNetwork();
    // Starts the simulator with one device per (host, config). Tries a few
    // ports until one is free on every host; throws std::runtime_error when
    // none is.
    void Start(const std::vector<std::pair<std::string, zefsim::DeviceConfig>>& plan);
    zefsim::Simulator& sim() { return *sim_; }
    zefsim::Device& device(std::size_t i) { return *devices_.at(i); }
    std::uint16_t port() const { return port_; }

private:
    std::unique_ptr<zefsim::Simulator> sim_;
    std::vector<zefsim::Device*> devices_;
    std::uint16_t port_ = 0;
};

}  // namespace zef::test
