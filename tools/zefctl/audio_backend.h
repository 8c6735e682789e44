#pragma once
// The sound cards `measure ir` and `rta` work through: the machine's cards,
// or the virtual measurement rig of the simulator (--rig HOST:PORT).
//
// One factory serves the whole program: by default PortAudio's cards, or the
// rig alone when one is named (its card is number 0). Tests install their
// own in-memory card with SetAudioSystemFactory.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "audio/audio_io.h"
#include "cli.h"

namespace zefctl {

// `rig` is "HOST:PORT" of a virtual rig (a loopback address), or nullopt for
// the machine's cards. nullptr with `error` set when the rig address is bad.
using AudioSystemFactory = std::function<std::unique_ptr<zef::audio::System>(
    const std::optional<std::string>& rig, std::string& error)>;

// An empty factory puts back the default.
void SetAudioSystemFactory(AudioSystemFactory factory);
// The cards of a sub-command: --rig HOST:PORT (checked to be on loopback) or
// the machine's. Throws CliError when there are none.
std::unique_ptr<zef::audio::System> CommandAudioSystem(const Context& ctx);
std::unique_ptr<zef::audio::System> OpenAudioSystem(const std::optional<std::string>& rig,
                                                    std::string& error);

}  // namespace zefctl
