#pragma once
// One simulated amplifier behind the real exchange, over loopback TCP or a
// pseudo-terminal, with the editor's reader and parameter writer on slot 1,
// and helpers that look at the device's memory as the model's records.

#include <gtest/gtest.h>

#include <memory>

#include "device/device_reader.h"
#include "device/device_exchange.h"
#include "device/parameter_writer.h"
#include "model/device_model.h"
#include "model/fir_image.h"
#include "sim_link.h"
#include "simulator.h"
#include "temp_folder.h"
#include "transport/qt_transport.h"

namespace zef::test {

inline constexpr DeviceSlot kSlot = 1;

enum class LinkKind2 { Tcp, Usb };

// The device's memory in the model's shapes.
struct DeviceImage {
    DeviceSettings settings;
    PresetImage preset;  // record order
    std::array<FirTapWords, 2> firTaps{};
};

// The preset and both FIRs of two images are equal (checked, not asserted).
inline void ExpectSameImage(const DeviceImage& a, const DeviceImage& b) {
    EXPECT_TRUE(a.preset == b.preset);
    EXPECT_TRUE(a.firTaps == b.firTaps);
}

class FaultFixture {
public:
    explicit FaultFixture(LinkKind2 kind);
    ~FaultFixture();

    DeviceImage Image() const;
    // The live model of slot 1 as a DeviceImage.
    DeviceImage ModelImage() const;

    TempFolder folder;
    zefsim::Simulator sim;
    zefsim::Device* device = nullptr;
    Model model;
    LinkState link;
    QtTransport transport{SerialPortMap::RegisteredOnly()};
    std::unique_ptr<DeviceExchange> exchange;
    RefreshEvents events;
    std::unique_ptr<DeviceReader> reader;
    std::unique_ptr<ParameterWriter> writer;
    std::uint16_t port = 0;
};

}  // namespace zef::test
