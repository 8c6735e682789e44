#pragma once
// One simulated amplifier, one model and the real exchange, connected over
// loopback TCP or the 9600-baud pseudo-terminal: the set-up of the benchmark
// programs that time the link and whole-device reads.

#include <memory>
#include <stdexcept>
#include <string>

#include "recording_dialogs.h"
#include "device/device_exchange.h"
#include "transport/qt_transport.h"
#include "simulator.h"
#include "temp_folder.h"

namespace zefbench {

inline constexpr zef::DeviceSlot kSlot = 1;

struct SimBench {
    SimBench() {
        device = &sim.addDevice();
        zef::LinkSettings settings;
        settings.configFolder = folder.path().string();
        exchange = std::make_unique<zef::DeviceExchange>(model, link, transport, settings);
    }
    ~SimBench() {
        transport.serial().Close();
        transport.tcp().Disconnect(kSlot);
        sim.stop();
    }

    void ConnectTcp() {
        const std::uint16_t port = sim.listenTcp(*device, "127.0.0.1", 0);
        sim.start();
        auto& e = model.entry(kSlot);
        e.interface = zef::kInterfaceTcp;
        e.ip = "127.0.0.1";
        if (transport.tcp().Connect(kSlot, e.ip, port, 2000) != zef::kTransportOk ||
            !exchange->IdentifyDevice(kSlot))
            throw std::runtime_error("simulator not reachable over TCP");
        e.online = true;
    }

    void ConnectSerial() {
        const std::string path = folder.file("ttyZEF");
        sim.openSerial(*device, path);
        sim.start();
        transport.serialPorts().Register(path);
        link.serialPortNumber = 1;
        auto& e = model.entry(kSlot);
        e.interface = zef::kInterfaceUsb;
        if (!exchange->IdentifyDevice(kSlot)) throw std::runtime_error("simulator not answering on the pty");
        e.online = true;
    }

    zef::test::TempFolder folder;
    zefsim::Simulator sim;
    zefsim::Device* device = nullptr;
    zef::Model model;
    zef::LinkState link;
    zef::QtTransport transport{zef::SerialPortMap::RegisteredOnly()};
    zef::RecordingDialogs dialogs;
    std::unique_ptr<zef::DeviceExchange> exchange;
};

}  // namespace zefbench
