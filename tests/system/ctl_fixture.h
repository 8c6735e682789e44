#pragma once
// Runs the zefctl program against simulated amplifiers on 127.0.0.x.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_network.h"
#include "temp_folder.h"

namespace zef::test {

struct CtlResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// zefctl with `args`, plus --config in a temporary folder; at most 30 s.
CtlResult RunZefctl(const std::vector<std::string>& args, const std::string& configFolder);

// Lines of a text, without line ends.
std::vector<std::string> Lines(const std::string& text);

class CtlTest : public ::testing::Test {
protected:
    // Devices on 127.0.0.2, .3, ...
    void Start(const std::vector<zefsim::DeviceConfig>& configs);
    // zefctl --port <device port> args...
    CtlResult Run(std::vector<std::string> args);
    std::string Port() const { return std::to_string(net.port()); }
    zefsim::Device& dev(std::size_t i) { return net.device(i); }
    // Frames of a device with a command code.
    std::vector<std::vector<std::uint8_t>> FramesWithCode(std::size_t device, std::uint8_t code);

    TempFolder folder;
    SimNetwork net;
};

}  // namespace zef::test
