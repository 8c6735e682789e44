#include "fault_fixture.h"

#include "device/fir_store.h"
#include "model/memory_map.h"
#include "protocol/announcement.h"

namespace zef::test {

FaultFixture::FaultFixture(LinkKind2 kind) {
    zefsim::DeviceConfig config;
    config.name = "Faulty";
    config.address = 0x11;
    device = &sim.addDevice(config);
    exchange = std::make_unique<DeviceExchange>(model, link, transport, FastLinkSettings(folder.path().string()));
    reader = std::make_unique<DeviceReader>(model, *exchange, events);
    writer = std::make_unique<ParameterWriter>(model, *exchange, NoResponseObserver(), fir::MakeFirWriter(*exchange, model));
    const SimSlot slot{sim, *device, *exchange, transport, model, link, kSlot};
    if (kind == LinkKind2::Tcp) {
        ConnectSimTcp(slot, port);
    } else {
        ConnectSimUsb(slot, folder.file("ttyZEF-faults"));
    }
    model.entry(kSlot).uniqueId = UniqueIdText(device->uid());
}

FaultFixture::~FaultFixture() {
    CloseAllLinks(transport);
    sim.stop();
}

DeviceImage FaultFixture::Image() const {
    DeviceImage image;
    const auto settings = device->memory(0, kSettingsSize);
    std::copy(settings.begin(), settings.end(), image.settings.bytes.begin());
    const auto presetBytes = device->memory(kPresetBaseAddress, kPresetSize);
    std::array<std::uint8_t, kPresetSize> deviceOrder{};
    std::copy(presetBytes.begin(), presetBytes.end(), deviceOrder.begin());
    DecodePresetFromDevice(deviceOrder, image.preset);
    for (int o = 0; o < 2; ++o) {
        const auto fir = device->memory(FirAddress(o), kFirImageSize);
        FirImage bytes{};
        std::copy(fir.begin(), fir.end(), bytes.begin());
        image.firTaps[static_cast<std::size_t>(o)] = TapsFromFirImage(bytes);
    }
    return image;
}

DeviceImage FaultFixture::ModelImage() const {
    const DeviceModel& d = model.device(kSlot);
    return {d.settings, d.preset, d.firTaps};
}

}  // namespace zef::test
