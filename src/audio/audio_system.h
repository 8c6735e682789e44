#pragma once
// The one place the programs get their sound cards from. The editor and zefctl call
// MakeAudioSystem with the --rig HOST:PORT endpoints of their command line; the result lists
// the real sound cards (PortAudio) and then one "ZEF virtual rig (HOST:PORT)" per endpoint.

#include <memory>
#include <string>
#include <vector>

#include "audio/audio_io.h"
#include "audio/device_manager.h"
#include "audio/rig_client.h"

namespace zef::audio {

struct AudioSystemOptions {
    std::vector<std::string> rigs;  // "HOST:PORT", loopback hosts only
    bool soundCards = true;         // false: the rigs alone (tests, machines without audio)
};

// nullptr with `error` set (a text for the user) when a rig endpoint is malformed or not on
// a loopback address. No card and no rig is an empty list, not an error.
std::unique_ptr<System> MakeAudioSystem(const AudioSystemOptions& options, std::string& error);

// The measurement windows' managers over `system` (which must outlive them): every channel
// (FIR wizard), or inputs only (analyser, automatic equaliser).
std::unique_ptr<AudioDeviceManager> MakeDeviceManager(System& system);
std::unique_ptr<AudioDeviceManager> MakeInputDeviceManager(System& system);

}  // namespace zef::audio
