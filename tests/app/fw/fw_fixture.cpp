#include "fw_fixture.h"

#include <random>

#include "transport/local_wait.h"

namespace zef::fwtest {

FwLoaderTimeouts FastLoader() {
    FwLoaderTimeouts t;
    t.enterMs = 150;
    t.helloMs = 150;
    t.eraseMs = 1000;
    t.writeMs = 250;
    t.verifyMs = 500;
    t.runMs = 250;
    t.attempts = 3;
    return t;
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
    for (int waited = 0; !done(); waited += 10) {
        if (waited >= ms) return false;
        LocalWait::Pause(10);
    }
    return true;
}

SimLink::SimLink() {
    zefsim::DeviceConfig config;
    config.name = "Rack 3";
    config.address = kDeviceAddress;
    device = &sim.addDevice(config);
    boot = zefsim::installBootloader(*device);
    LinkSettings s = test::FastLinkSettings(folder.file(""));
    s.replies.identifyTcp = 500;
    exchange = std::make_unique<DeviceExchange>(model, link, transport, s);
    linkPresenter = std::make_unique<LinkPresenter>(*exchange, dialogs);
    offline = exchange->wentOffline.Connect([this](DeviceSlot slot) { indicatorRefreshes.push_back(slot); });
}

SimLink::~SimLink() {
    test::CloseAllLinks(transport);
    sim.stop();
}

void SimLink::ConnectTcp() {
    std::uint16_t port = 0;
    test::ConnectSimTcp(Slot(), port);
}

void SimLink::ConnectUsb() {
    ptyLink = folder.file("ttyZEF0");
    test::ConnectSimUsb(Slot(), ptyLink);
}

void SimLink::LoadSettingsFromDevice() {
    const Bytes memory = device->memory(0, kSettingsSize);
    std::copy(memory.begin(), memory.end(), model.device(kSlot).settings.bytes.begin());
}

}  // namespace zef::fwtest
