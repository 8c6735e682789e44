#pragma once
// The virtual rig's command-line options of zefsim.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "rig.h"

namespace zefsim {

class Simulator;

struct RigPlan {
    std::size_t device = 0;  // index of the device it plays
    std::string host;
    std::uint16_t port = 0;
};

struct RigOptions {
    std::vector<RigPlan> rigs;
    RigConfig config;  // latency, noise, pacing (the rooms are loaded from roomFiles)
    std::vector<std::string> roomFiles;  // one per microphone position
    std::optional<std::string> micResponseFile;  // the microphone's own response, a "frequency dB" curve
};

// Takes the rig options out of `args` and leaves the others. A --rig plays the device defined
// by the last --tcp or --serial before it (the first device when it comes first). Throws
// std::runtime_error with a message for the user.
RigOptions takeRigOptions(std::vector<std::string>& args);

// The lines zefsim --help adds for the rig.
std::string rigUsage();

// Starts the planned rigs on the simulator's devices; throws std::runtime_error.
std::vector<std::unique_ptr<Rig>> startRigs(Simulator& sim, const RigOptions& options);

// One line per rig: "virtual rig for device N on HOST:PORT (latency X ms, real time)".
std::string describeRig(const Rig& rig, const RigPlan& plan);

}  // namespace zefsim
