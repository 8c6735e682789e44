#pragma once
// A simulated amplifier with a virtual rig in the test process, and a stream through it that
// plays a given signal and records what the card's inputs hear.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/rig_client.h"
#include "rig.h"
#include "simulator.h"

namespace zef::test {

// What one recording heard: the microphone (input 1) and the loopback (input 2), and how the
// stream ended ("" when it ran to the end).
struct Recording {
    std::vector<float> mic, loopback;
    std::string error;
};

class RigBench {
public:
    // A device at power-on and a fast rig with the given round-trip latency, no microphone
    // noise, and a wire from output `heard` (0 or 1) to the microphone.
    explicit RigBench(double latencyMs = 20, int heard = 0);

    zefsim::Device& device() { return device_; }
    zefsim::Rig& rig() { return *rig_; }
    audio::RigEndpoint endpoint() const;

    // Streams `frames` frames; `play(frame, out)` fills the two card outputs of each frame.
    // Bounded: gives up after 60 s.
    Recording Record(std::size_t frames, const std::function<void(std::size_t, float*)>& play);

private:
    zefsim::Device device_;
    std::unique_ptr<zefsim::Rig> rig_;
};

// RMS of samples [from, to) in dB re a full-scale sine (so a full-scale sine is 0 dB).
double LevelDbfs(const std::vector<float>& samples, std::size_t from, std::size_t to);

}  // namespace zef::test
