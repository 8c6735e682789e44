#pragma once
// The zefsim program's command line and its control commands on standard input.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "simulator.h"

namespace zefsim {

struct DevicePlan {
    DeviceConfig config;
    std::optional<std::pair<std::string, std::uint16_t>> tcp;
    std::optional<std::string> serial;  // symlink path
    std::vector<Corruption> corruptions;  // at most one per direction
    double noisePercent = 0;
};

struct Options {
    std::vector<DevicePlan> devices;
    std::optional<std::pair<std::string, std::uint16_t>> announce;
    int announceIntervalMs = 5000;
    bool meters = false;  // moving meters on every device
    bool allowRemote = false;  // --allow-remote: --tcp may listen outside 127.x.x.x
    bool help = false;
    bool version = false;  // --version: print the version, exit 0
};

// Parses the arguments (without the program name). --name, --uid, --firmware, --bootloader and
// --wlan collect settings for the next device; --tcp or --serial defines that device.
// Throws std::runtime_error with a message for the user.
Options parseOptions(const std::vector<std::string>& args);
std::string usage();

// "request|reply bit|byte [FRAME [BYTE [VALUE]]]" as words: where, what, the frame counted
// from the next one, the byte in it and the bit (0..7) or new value; the last three are
// random when left out. Throws std::runtime_error.
Corruption parseCorruption(const std::vector<std::string>& words);

struct ControlResult {
    std::string output;  // text for the user, one or more lines ending in '\n'
    bool quit = false;
};

// Runs one control command line against the simulator's devices (numbered from 1).
ControlResult runControl(Simulator& sim, const std::string& line);

// "ADDR: xx xx ..." lines, 16 bytes each, addresses from `base`.
std::string hexDump(const std::vector<std::uint8_t>& bytes, std::uint32_t base);

// One line per device: number, name, uid, firmware, endpoints, marks, faults.
std::string describeDevice(Simulator& sim, std::size_t index);

}  // namespace zefsim
