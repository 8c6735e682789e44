#pragma once
// Who a device is: its list entry from an identify reply, and whether this
// PC has a network to reach devices on.
//
// Network availability: a PC whose first local address is 127.0.0.1 has no
// LAN or WLAN, and network searches and connections are refused. With
// `loopbackIsNetwork` set, loopback counts as a network: the simulator and
// the tests live on 127.0.0.x. The desktop program leaves it off.

#include <cstdint>
#include <string>

#include "model/device_entry.h"
#include "protocol/replies.h"
#include "transport/transport.h"

namespace zef {

inline constexpr const char* kNoLocalNetwork = "127.0.0.1";

// True when the PC has a LAN or WLAN address, or loopback counts as one.
bool NetworkAvailable(Transport& transport, bool loopbackIsNetwork);

// The list entry an identify reply describes: its network, unique ID and
// name (trimmed); Type 255 for a boot loader when `keepBootLoader`, else 0.
// InList and Online set.
DeviceEntry EntryFromIdentify(const IdentifyReply& id, std::int16_t interface, const std::string& ip,
                              bool keepBootLoader);

}  // namespace zef
