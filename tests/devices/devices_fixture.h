#pragma once
// Shared set-up of the device-management tests: simulated amplifiers on
// loopback addresses 127.0.0.x, all on one TCP port, and the real exchange
// and Qt transport talking to them.

#include <gtest/gtest.h>

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
#include "sim_network.h"
#include "temp_folder.h"

namespace zef::test {

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
