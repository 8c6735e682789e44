#pragma once
// Runs the zefctl program against simulated amplifiers on 127.0.0.x.

#include <gtest/gtest.h>

#include <map>
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

// What a run of zefctl may take: its time (killed after it, exit code -1)
// and, when not 0, its address space in KiB (ulimit -v; ignored in builds
// with the address sanitizer, which reserves far more).
struct CtlLimits {
    int timeoutMs = 30000;
    std::size_t addressSpaceKiB = 0;
};

// Variables set (over the test's own environment) for a run of zefctl.
using Environment = std::map<std::string, std::string>;

// zefctl with `args`, plus --config in a temporary folder. The run's per-user
// data folder (XDG_DATA_HOME) is DataHome(configFolder), never the user's own.
CtlResult RunZefctl(const std::vector<std::string>& args, const std::string& configFolder,
                    CtlLimits limits = {}, const Environment& environment = {});
std::string DataHome(const std::string& configFolder);
// The editor's data folder as zefctl finds it in a run of RunZefctl (made here).
std::string EditorDataFolder(const std::string& configFolder);

// Lines of a text, without line ends.
std::vector<std::string> Lines(const std::string& text);

class CtlTest : public ::testing::Test {
protected:
    // Devices on 127.0.0.2, .3, ...
    void Start(const std::vector<zefsim::DeviceConfig>& configs);
    // zefctl --port <device port> args..., with `environment` set.
    CtlResult Run(std::vector<std::string> args, CtlLimits limits = {});
    std::string Port() const { return std::to_string(net.port()); }
    zefsim::Device& dev(std::size_t i) { return net.device(i); }
    // Frames of a device with a command code.
    std::vector<std::vector<std::uint8_t>> FramesWithCode(std::size_t device, std::uint8_t code);

    TempFolder folder;
    SimNetwork net;
    Environment environment;
};

}  // namespace zef::test
