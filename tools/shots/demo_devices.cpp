#include "demo_devices.h"

#include <algorithm>

#include "model/defaults.h"
#include "model/demo_program.h"
#include "model/device_model.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "model/tables.h"

namespace zef::shots {
namespace {

struct DemoDevice {
    const char* name;
    const char* ip;
    std::int16_t network;
    const char* uid;
    bool online;
    std::int16_t standby;
    bool alert;
    std::uint8_t type;
};

constexpr DemoDevice kDemoDevices[] = {
    {"Stage Left", "127.0.0.2", kNetworkLan, "025A45460001", true, 0, false, 0},
    {"Stage Right", "127.0.0.3", kNetworkLan, "025A45460002", true, 1, false, 0},
    {"Delay Tower", "", kNetworkUsb, "025A45460003", true, 0, true, 0},
    {"Monitor Wedge", "127.0.0.4", kNetworkUnknown, "", false, 1, false, 0},
    {"Foyer Fill", "127.0.0.9", kNetworkWlan, "025A45460005", false, 1, false, 0},
    {"ZEF-4.260", "", kNetworkUsb, "025A45460006", false, 1, false, kTypeBootLoader},
};

}  // namespace

void FillDemoDevices(Model& model) {
    DeviceSlot slot = 1;
    for (const DemoDevice& d : kDemoDevices) {
        DeviceEntry& e = model.entry(slot);
        e = ClearedEntry(slot);
        e.inList = true;
        e.online = d.online;
        e.interface = d.network == kNetworkUsb ? kInterfaceUsb : kInterfaceTcp;
        e.ip = d.ip;
        e.network = d.network;
        e.name = d.name;
        e.uniqueId = d.uid;
        e.standby = d.standby;
        e.type = d.type;
        ResetToDefaults(model.device(slot));
        SetDeviceName(model.device(slot).settings, d.name);
        auto& s = model.device(slot).settings;
        s[1] = 2, s[2] = 1, s[3] = 0;
        model.device(slot).alert = d.alert;
        ApplyDemoProgram(model.device(slot), slot == 3 ? DemoProgram::DelayTower : DemoProgram::MainSystem);
        ++slot;
    }
    // A device with its network set up, for the setup pages.
    auto& s = model.device(1).settings;
    const std::uint8_t lan[] = {1, 127, 0, 0, 2, 255, 255, 255, 0, 127, 0, 0, 1};
    std::copy(std::begin(lan), std::end(lan), &s[29]);
    const std::string ssid = "ZEF-Stage-Left";
    s[123] = 1;
    const std::uint8_t ap[] = {127, 0, 0, 50, 255, 255, 255, 0, 127, 0, 0, 50};
    std::copy(std::begin(ap), std::end(ap), &s[124]);
    s[136] = static_cast<std::uint8_t>(ssid.size());
    for (std::size_t i = 0; i < 32; ++i)
        s[137 + i] = i < ssid.size() ? static_cast<std::uint8_t>(ssid[i]) : ' ';
    s[169] = 1;
    s[203] = 6;
}

}  // namespace zef::shots
