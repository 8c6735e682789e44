#pragma once
// The sound cards `measure ir` and `rta` work through: the machine's cards,
// or the virtual measurement rig of the simulator (--rig HOST:PORT).
//
// One factory serves the whole program. This build has no sound-card
// backend of its own: until one is installed with SetAudioSystemFactory, the
// commands that need a card say so (`rta --wav` needs none).

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "audio/audio_io.h"

namespace zefctl {

// `rig` is "HOST:PORT" of a virtual rig (a loopback address), or nullopt for
// the machine's cards. nullptr with `error` set when that backend is missing.
using AudioSystemFactory = std::function<std::unique_ptr<zef::audio::System>(
    const std::optional<std::string>& rig, std::string& error)>;

// An empty factory puts back the default (no backend).
void SetAudioSystemFactory(AudioSystemFactory factory);
std::unique_ptr<zef::audio::System> OpenAudioSystem(const std::optional<std::string>& rig,
                                                    std::string& error);

}  // namespace zefctl
