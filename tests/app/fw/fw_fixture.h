#pragma once
// Shared set-up of the network-settings and firmware tests: the real exchange,
// Qt transport and firmware loader against an in-process simulated amplifier
// on 127.0.0.1 and on a pseudo-terminal paced at 9600 baud.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bootloader.h"
#include "device/device_exchange.h"
#include "app/link_presenter.h"
#include "model/device_model.h"
#include "recording_dialogs.h"
#include "transport/qt_transport.h"
#include "device/serial_fw_loader.h"
#include "sim_link.h"
#include "simulator.h"
#include "temp_folder.h"
#include "test_image.h"

namespace zef::fwtest {

using Bytes = std::vector<std::uint8_t>;
using test::TempFolder;

inline constexpr DeviceSlot kSlot = 1;
inline constexpr std::uint8_t kDeviceAddress = 0x11;

// Loader time-outs short enough for tests (the line time still comes on top).
FwLoaderTimeouts FastLoader();

using test::TestImage;

// Polls `done` (with the event loop running) until it holds or `ms` passed.
bool WaitUntil(const std::function<bool()>& done, int ms);

class SimLink : public ::testing::Test {
protected:
    SimLink();
    ~SimLink() override;

    // The device in kSlot over TCP on 127.0.0.1, identified and on-line.
    void ConnectTcp();
    // The device in kSlot on a pty registered as serial port 1, identified and on-line.
    void ConnectUsb();
    // The slot's settings image := the simulator's memory 0..239.
    void LoadSettingsFromDevice();

    DeviceEntry& entry() { return model.entry(kSlot); }
    test::SimSlot Slot() { return {sim, *device, *exchange, transport, model, link, kSlot}; }

    TempFolder folder;
    zefsim::Simulator sim;
    zefsim::Device* device = nullptr;
    std::shared_ptr<zefsim::Bootloader> boot;
    std::string ptyLink;
    Model model;
    LinkState link;
    QtTransport transport{SerialPortMap::RegisteredOnly()};
    RecordingDialogs dialogs;
    std::unique_ptr<DeviceExchange> exchange;
    std::unique_ptr<LinkPresenter> linkPresenter;
    Subscription offline;
    std::vector<DeviceSlot> indicatorRefreshes;
};

}  // namespace zef::fwtest
