#include "audio/audio_system.h"

#include "audio/merged_system.h"
#include "audio/portaudio_system.h"
#include "audio/system_device_manager.h"

namespace zef::audio {

std::unique_ptr<System> MakeAudioSystem(const AudioSystemOptions& options, std::string& error) {
    std::vector<std::unique_ptr<System>> systems;
    if (options.soundCards) systems.push_back(std::make_unique<PortAudioSystem>());
    for (const std::string& text : options.rigs) {
        RigEndpoint endpoint;
        if (!ParseRigEndpoint(text, endpoint, error)) return nullptr;
        systems.push_back(std::make_unique<RigSystem>(endpoint));
    }
    return std::make_unique<MergedSystem>(std::move(systems));
}

std::unique_ptr<AudioDeviceManager> MakeDeviceManager(System& system) {
    return std::make_unique<SystemDeviceManager>(system, ChannelScope::kAll);
}

std::unique_ptr<AudioDeviceManager> MakeInputDeviceManager(System& system) {
    return std::make_unique<SystemDeviceManager>(system, ChannelScope::kInputsOnly);
}

}  // namespace zef::audio
