#pragma once
// Shared set-up of the device-management tests: simulated amplifiers on
// loopback addresses 127.0.0.x, all on one TCP port, and the real exchange
// and Qt transport talking to them.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/link_presenter.h"
#include "app/list_actions.h"
#include "device/device_list.h"
#include "device/device_exchange.h"
#include "model/device_model.h"
#include "device/link_state.h"
#include "recording_dialogs.h"
#include "transport/qt_transport.h"
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
    QtTransport transport{SerialPortMap::RegisteredOnly()};
    RecordingDialogs dialogs;
    std::unique_ptr<DeviceExchange> exchange;
    std::unique_ptr<LinkPresenter> linkPresenter;
    std::vector<DeviceSlot> redrawn;
    DeviceList list{model};
    ListActions actions{list, dialogs};
    Subscription rows = list.rowChanged.Connect([this](DeviceSlot s) { redrawn.push_back(s); });
};

}  // namespace zef::test
