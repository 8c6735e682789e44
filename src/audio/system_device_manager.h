#pragma once
// The measurement windows' device lists over a System. One manager lists every channel (the
// FIR wizard); the other lists inputs only (the analyser and the automatic equaliser): there
// every device reports no outputs, and a device without inputs is not usable. Both keep the
// System's device numbering, so a device index chosen in either list opens the same device.
//
// DriverNames() re-reads the System's list (which may take a moment: usability is tested by
// opening each device); the other queries answer from the list last read, reading it first
// when there is none. Indices outside the list read as an unusable device without channels.

#include "audio/audio_io.h"
#include "audio/device_manager.h"

namespace zef::audio {

enum class ChannelScope { kAll, kInputsOnly };

class SystemDeviceManager : public AudioDeviceManager {
public:
    SystemDeviceManager(System& system, ChannelScope scope) : system_(system), scope_(scope) {}

    std::vector<std::string> DriverNames() override;
    bool IsUsable(int device) override;
    int InputCount(int device) override;
    int OutputCount(int device) override;
    std::vector<std::string> InputNames(int device) override;
    std::vector<std::string> OutputNames(int device) override;
    void OpenControlPanel(int device) override;

private:
    const DeviceInfo* Info(int device);

    System& system_;
    ChannelScope scope_;
    std::vector<DeviceInfo> devices_;
    bool listed_ = false;
};

}  // namespace zef::audio
