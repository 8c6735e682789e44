#pragma once
// Shared set-up of the device-management tests: simulated amplifiers on
// loopback addresses 127.0.0.x, all on one TCP port, and the real exchange
// and Qt transport talking to them.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/device_list.h"
#include "link/mod_rxtx.h"
#include "model/device_model.h"
#include "model/link_state.h"
#include "platform/dialogs.h"
#include "platform/qt_transport.h"
#include "simulator.h"

namespace zef::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// A device's configuration with a recognisable unique ID 0A 0B 0C 0D 0E `uidLast`.
zefsim::DeviceConfig Config(const std::string& name, std::uint8_t uidLast, std::uint8_t network = 2);
// "0A0B0C0D0E" + two hex digits of uidLast.
std::string UidText(std::uint8_t uidLast);

// Simulated amplifiers, each on its own loopback host, all on one port.
class SimNetwork {
public:
    ~SimNetwork();
    // Starts the simulator with one device per (host, config). Tries a few
    // ports until one is free on every host.
    void Start(const std::vector<std::pair<std::string, zefsim::DeviceConfig>>& plan);
    zefsim::Simulator& sim() { return *sim_; }
    zefsim::Device& device(std::size_t i) { return *devices_.at(i); }
    std::uint16_t port() const { return port_; }

private:
    std::unique_ptr<zefsim::Simulator> sim_;
    std::vector<zefsim::Device*> devices_;
    std::uint16_t port_ = 0;
};

// Short time-outs; the order of the waits is that of the real program.
LinkSettings FastSettings(const std::string& configFolder, std::uint16_t port);

class DevicesTest : public ::testing::Test {
protected:
    ~DevicesTest() override;
    // Starts the simulated devices and makes the exchange for their port.
    void StartNetwork(const std::vector<std::pair<std::string, zefsim::DeviceConfig>>& plan);
    // A listed network entry in `slot` (off-line, unique ID as given).
    DeviceEntry& ListNetworkEntry(DeviceSlot slot, const std::string& ip, const std::string& uid,
                                  std::int16_t network = kNetworkLan);
    std::vector<std::string> MessageTexts() const;

    TempFolder folder;
    SimNetwork net;
    Model model;
    LinkState link;
    QtTransport transport{SerialPortMap("/dev", false)};
    RecordingDialogs dialogs;
    NullReconnectPresenter presenter;
    std::unique_ptr<ModRxTx> rxtx;
    std::vector<DeviceSlot> redrawn;
    DeviceList list{model, dialogs, {[this](DeviceSlot s) { redrawn.push_back(s); }}};
};

}  // namespace zef::test
