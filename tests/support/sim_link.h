#pragma once
// The real exchange and transport talking to an in-process simulated
// amplifier: link settings with short waits, and connecting one slot to one
// simulated device over loopback TCP or a pseudo-terminal.

#include <cstdint>
#include <string>
#include <vector>

#include "device/device_exchange.h"
#include "model/device_model.h"
#include "device/link_state.h"
#include "transport/transport.h"
#include "sim_serial_port.h"
#include "simulator.h"

namespace zef::test {

// Reply time-outs and reconnect waits short enough for tests (memory 2000 ms,
// identify over TCP 1000 ms, everything else 300 ms; the reconnect window
// starts after 50 ms, pauses 100 ms and connects within 500 ms). The order
// of the waits is that of the real program.
LinkSettings FastLinkSettings(const std::string& configFolder = ".");

// What a test holds to connect `slot` to one simulated `device`.
struct SimSlot {
    zefsim::Simulator& sim;
    zefsim::Device& device;
    DeviceExchange& exchange;
    Transport& transport;
    Model& model;
    LinkState& link;
    DeviceSlot slot;
};

// The device listens on 127.0.0.1 (a free port, written to `port` and made
// the exchange's device port), the simulator starts, the slot becomes a
// listed TCP entry for 127.0.0.1, connects and identifies. When all of that
// worked the entry is on-line and the device's log is empty; otherwise a
// fatal test failure is recorded and the entry stays off-line.
void ConnectSimTcp(const SimSlot& s, std::uint16_t& port);

// The device answers on a pseudo-terminal at `ptyLink` (or an in-process line
// of that name), registered as serial port 1 and made the link's serial port;
// the simulator starts, the slot becomes a listed USB entry and identifies.
// Outcome as for ConnectSimTcp.
void ConnectSimUsb(const SimSlot& s, const std::string& ptyLink, SerialKind kind = SerialKind::Pty);

// Closes the serial port and the connection of every TCP slot: what a
// fixture does before its simulator stops.
void CloseAllLinks(Transport& transport);

// The frames `device` received with command code `code` (byte 3), in order.
std::vector<std::vector<std::uint8_t>> FramesWithCode(const zefsim::Device& device, std::uint8_t code);

}  // namespace zef::test
