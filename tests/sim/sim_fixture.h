#pragma once
// One simulated device listening on a free loopback port, and a raw client connected to it.

#include <gtest/gtest.h>

#include "sim_client.h"
#include "simulator.h"

namespace simtest {

// Device address of a preset-block byte at device offset `offset`.
constexpr std::uint16_t D(std::uint16_t offset) { return 240 + offset; }

class SimFixture : public ::testing::Test {
protected:
    zefsim::Simulator sim;
    zefsim::Device& dev = sim.addDevice();
    std::uint16_t port = sim.listenTcp(dev, "127.0.0.1", 0);
    Stream link = connectTcp("127.0.0.1", port);

    // Sends a 13-byte frame and returns its 13-byte reply (empty when none arrived).
    Bytes ask(std::uint8_t code, std::initializer_list<std::uint8_t> params = {}) {
        return link.exchange(frame(code, params), 13).value_or(Bytes{});
    }
};

}  // namespace simtest
