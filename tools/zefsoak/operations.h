#pragma once
// The soak's operations: random zefctl calls on one simulated device, each
// with the device image it must leave when it succeeds.

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "device_image.h"

namespace zefsoak {

struct Target {
    std::string host;      // "127.0.0.11", or "" for the serial device
    std::string port;      // TCP port of the device
    std::string serial;    // pty path for the serial device
    std::string folder;    // scratch files of this device
    std::string uniqueId;  // 12 hex digits
};

struct Operation {
    Operation(std::string n, std::vector<std::string> a, Image t)
        : name(std::move(n)), args(std::move(a)), target(std::move(t)) {}

    std::string name;               // "set", "load .prp", ...
    std::vector<std::string> args;  // zefctl's arguments
    Image target;                   // the device after a success
    // Input the device must refuse: success is a corruption, and a failure
    // leaves the device exactly as it was.
    bool mustFail = false;
    // Checks zefctl's standard output after a success against the device as it was before
    // and as it is after (they differ only where a spoilt request wrote); the problem, or nullopt.
    std::function<std::optional<std::string>(const std::string& out, const Image& after)> checkOutput;
    // A file the operation writes only when it succeeds.
    std::string writes;
};

// One random operation on the device whose state is `before`.
Operation RandomOperation(const Target& t, const Image& before, std::mt19937& random, int serial);

}  // namespace zefsoak
