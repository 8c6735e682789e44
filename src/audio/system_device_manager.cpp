#include "audio/system_device_manager.h"

namespace zef::audio {

std::vector<std::string> SystemDeviceManager::DriverNames() {
    devices_ = system_.Devices();
    listed_ = true;
    std::vector<std::string> names;
    for (const DeviceInfo& d : devices_) names.push_back(d.name);
    return names;
}

const DeviceInfo* SystemDeviceManager::Info(int device) {
    if (!listed_) DriverNames();
    if (device < 0 || device >= static_cast<int>(devices_.size())) return nullptr;
    return &devices_[static_cast<std::size_t>(device)];
}

bool SystemDeviceManager::IsUsable(int device) {
    const DeviceInfo* d = Info(device);
    return d && d->usable && (scope_ == ChannelScope::kAll || !d->inputNames.empty());
}

int SystemDeviceManager::InputCount(int device) { return static_cast<int>(InputNames(device).size()); }

int SystemDeviceManager::OutputCount(int device) { return static_cast<int>(OutputNames(device).size()); }

std::vector<std::string> SystemDeviceManager::InputNames(int device) {
    const DeviceInfo* d = Info(device);
    return d ? d->inputNames : std::vector<std::string>{};
}

std::vector<std::string> SystemDeviceManager::OutputNames(int device) {
    const DeviceInfo* d = Info(device);
    return d && scope_ == ChannelScope::kAll ? d->outputNames : std::vector<std::string>{};
}

void SystemDeviceManager::OpenControlPanel(int device) {
    const DeviceInfo* d = Info(device);
    if (d && d->hasControlPanel) system_.OpenControlPanel(device);
}

}  // namespace zef::audio
