#pragma once
// One record of the device list, per slot 0..32 (the list uses 1..32).

#include <cstdint>
#include <string>

#include "model/slots.h"

namespace zef {

// Indices of the interface-name table {"USB", "WLAN", "LAN", ""}.
enum NetworkKind : std::int16_t {
    kNetworkUsb = 0,
    kNetworkWlan = 1,
    kNetworkLan = 2,
    kNetworkUnknown = 3,
};

inline constexpr std::int16_t kInterfaceUsb = 0;
inline constexpr std::int16_t kInterfaceTcp = 2;
inline constexpr std::uint8_t kTypeBootLoader = 255;

// Field order and widths are those of the record in project files.
struct DeviceEntry {
    bool online = false;             // connected and answering; exchanges go only to on-line slots
    std::int16_t interface = kInterfaceTcp;  // 0 = USB, 2 = TCP/IP
    bool editorOpen = false;
    std::int16_t deviceId = 0;       // 0 USB added by hand, 255 network added by hand, slot when cleared
    std::string ip;                  // dotted IPv4; empty for USB
    std::int16_t network = kNetworkUsb;  // index into the interface names
    bool inList = false;
    std::uint8_t type = 0;           // 0, or 255 for a device running its boot loader
    std::string name;                // up to 16 characters
    std::string uniqueId;            // 12 upper-case hex digits
    std::int16_t standby = 1;        // 1 = standby on

    bool isUsb() const { return interface == kInterfaceUsb; }
};

// The record of a cleared slot.
inline DeviceEntry ClearedEntry(DeviceSlot slot) {
    DeviceEntry e;
    e.deviceId = slot;
    return e;
}

}  // namespace zef
