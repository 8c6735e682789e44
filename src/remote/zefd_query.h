#pragma once
// Asking running zefd services whether one of them holds a device, before
// the editor connects it (an amplifier takes one controller), and asking the
// holder to let it go.
//
// Both go over the HTTP API: the device list (GET /api/v1/devices: each
// device's id, unique ID, address and whether it is released) and
// POST /api/v1/devices/ID/release. Every wait runs a LocalWait (timers and
// repaints go on, user input waits) and is bounded: an endpoint that does not
// answer within the time holds nothing.
#include <optional>
#include <string>
#include <vector>

#include "remote_config.h"

namespace zef::remote {

inline constexpr int kHolderQueryMs = 300;
inline constexpr int kReleaseMs = 5000;

struct HeldDevice {
    ZefdEndpoint endpoint;
    std::string id;  // the holder's id of the device (for the link and release routes)
    std::string name;
    std::string uniqueId;
    std::string address;  // dotted IPv4, or "usb"
};

// Asks every endpoint at once and waits at most `timeoutMs` for all of them.
// The first device (in endpoint order) that is held, not released, and has
// the unique ID `uniqueId` or the address `ip` (each when not empty).
std::optional<HeldDevice> FindHolder(const std::vector<ZefdEndpoint>& endpoints, const std::string& uniqueId,
                                     const std::string& ip, int timeoutMs = kHolderQueryMs);

// Asks the holder to let the device go; "" when it did, else why not (the
// service's message, or that it did not answer in time).
std::string ReleaseHeld(const HeldDevice& device, int timeoutMs = kReleaseMs);

}  // namespace zef::remote
