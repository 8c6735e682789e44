#include "audio/merged_system.h"

namespace zef::audio {

MergedSystem::MergedSystem(std::vector<std::unique_ptr<System>> systems) : systems_(std::move(systems)) {}

std::vector<DeviceInfo> MergedSystem::Devices() {
    std::vector<DeviceInfo> all;
    origins_.clear();
    for (const auto& system : systems_) {
        auto devices = system->Devices();
        for (std::size_t i = 0; i < devices.size(); ++i) {
            origins_.push_back({system.get(), static_cast<int>(i)});
            all.push_back(std::move(devices[i]));
        }
    }
    listed_ = true;
    return all;
}

bool MergedSystem::Find(int device, Origin& origin, std::string& error) {
    if (!listed_) Devices();
    if (device < 0 || device >= static_cast<int>(origins_.size())) {
        error = "there is no sound card number " + std::to_string(device + 1) + " (" +
                std::to_string(origins_.size()) + " are listed)";
        return false;
    }
    origin = origins_[static_cast<std::size_t>(device)];
    return true;
}

std::unique_ptr<Stream> MergedSystem::Open(int device, Callback callback, std::string& error) {
    Origin origin{};
    if (!Find(device, origin, error)) return nullptr;
    return origin.system->Open(origin.device, std::move(callback), error);
}

void MergedSystem::OpenControlPanel(int device) {
    Origin origin{};
    std::string ignored;
    if (Find(device, origin, ignored)) origin.system->OpenControlPanel(origin.device);
}

}  // namespace zef::audio
