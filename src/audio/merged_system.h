#pragma once
// Several device lists shown as one: the devices of the first system, then those of the
// second, and so on (sound cards first, then virtual rigs). Open and OpenControlPanel reach
// the system a device came from, by the numbering of the last Devices() list.

#include <memory>
#include <vector>

#include "audio/audio_io.h"

namespace zef::audio {

class MergedSystem : public System {
public:
    explicit MergedSystem(std::vector<std::unique_ptr<System>> systems);

    std::vector<DeviceInfo> Devices() override;
    std::unique_ptr<Stream> Open(int device, Callback callback, std::string& error) override;
    void OpenControlPanel(int device) override;

private:
    struct Origin {
        System* system;
        int device;
    };
    // false with `error` set when `device` is not in the last list.
    bool Find(int device, Origin& origin, std::string& error);

    std::vector<std::unique_ptr<System>> systems_;
    std::vector<Origin> origins_;
    bool listed_ = false;
};

}  // namespace zef::audio
