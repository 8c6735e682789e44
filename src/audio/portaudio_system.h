#pragma once
// Real sound cards through PortAudio: every host API the library was built with (ALSA, JACK,
// PulseAudio and OSS on Linux; ASIO, WASAPI, WDM-KS and MME on Windows; Core Audio on macOS).
//
// A device is listed as "<host API>: <device name>". It is usable when a stream at 48000 Hz
// with all its channels actually opens. Channel names come from the host API where it has them
// (ASIO, Core Audio), else "In 1", "In 2", ... and "Out 1", .... The ASIO driver's own control
// panel opens where there is one.
//
// The stream callback converts nothing and keeps nothing: PortAudio hands over interleaved
// 32-bit float buffers, the callback given to Open fills the outputs, and buffer under- and
// overruns are counted. A machine without sound cards has an empty list; the library's own
// complaints about that on standard error are silenced (ALSA's and JACK's error handlers,
// where their headers were found at build time).
//
// Devices() re-reads the hardware only while no stream of this system is open. The system
// must outlive its streams.

#include <memory>
#include <string>
#include <vector>

#include "audio/audio_io.h"

namespace zef::audio {

class PortAudioSystem : public System {
public:
    PortAudioSystem();
    ~PortAudioSystem() override;
    PortAudioSystem(const PortAudioSystem&) = delete;
    PortAudioSystem& operator=(const PortAudioSystem&) = delete;

    // "" when the library started, else why not (the list is then empty).
    std::string InitError() const { return initError_; }

    std::vector<DeviceInfo> Devices() override;
    std::unique_ptr<Stream> Open(int device, Callback callback, std::string& error) override;
    void OpenControlPanel(int device) override;

    struct Shared;

private:
    struct Entry {
        int paIndex;
        std::string name;
        int inputs, outputs;
    };
    std::vector<Entry> entries_;
    std::shared_ptr<Shared> shared_;
    std::string initError_;
};

}  // namespace zef::audio
