#pragma once
// The virtual rig's sound: what a two-in, two-out sound card hears when its outputs drive the
// amplifier's inputs, the amplifier drives loudspeakers in a room, and a microphone listens.
//
//   card output 1 -> amplifier input L      card input 1 <- microphone (+ its noise)
//   card output 2 -> amplifier input R      card input 2 <- card output 1 (loopback)
//
// Both card inputs lag the card outputs by the same round-trip latency, like a real card's
// converters and buffers. Card outputs and inputs clip at full scale (+-1.0).
//
// Levels: the card's full-scale sine is +18 dBu at the amplifier, so X dBu at an amplifier
// output reaches the microphone input at X - 18 dBFS plus the room's gain (0 dB for the
// direct sound of the built-in room at 1 kHz, unity for a unit impulse). dBFS here is the RMS
// level relative to a full-scale sine.

#include <cstddef>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "amp_chain.h"
#include "clock_drift.h"
#include "convolver.h"
#include "room.h"

namespace zefsim {

inline constexpr int kRigInputs = 2;
inline constexpr int kRigOutputs = 2;

// The room convolvers of both outputs; built on the thread that makes them.
struct RoomConvolvers {
    explicit RoomConvolvers(const RoomResponse& room);
    std::array<std::unique_ptr<Convolver>, 2> output;  // null: that output is not heard
};

class RigRenderer {
public:
    // micNoiseDbfs: RMS of the microphone's white noise floor, nullopt for none.
    // driftPpm: the input clock's rate over the output's minus one (0: one clock).
    RigRenderer(std::unique_ptr<RoomConvolvers> room, std::optional<double> micNoiseDbfs,
                std::size_t latencyFrames, double driftPpm = 0);

    std::size_t latencyFrames() const { return latency_; }
    void configure(const AmpSettings& settings) { amp_.configure(settings); }
    void setRoom(std::shared_ptr<RoomConvolvers> room);

    // A new stream: silence in the amplifier and the room, and `latency` frames of input
    // (microphone noise, silent loopback) waiting before the first rendered frame.
    void restart();

    // Plays `frames` card output frames (interleaved, 2 channels) and renders as many input
    // frames behind the latency.
    void play(const float* cardOut, std::size_t frames);

    // Input frames ready to be captured.
    std::size_t available() const { return write_ - read_; }
    // Takes `frames` (<= available()) input frames, interleaved: microphone, loopback.
    void capture(float* cardIn, std::size_t frames);

private:
    // Frames at the output clock, taken by the input clock.
    void push(const double* mic, const double* loop, std::size_t frames);
    void store(const double* mic, const double* loop, std::size_t frames);
    void noise(double* mic, std::size_t frames);

    AmpChain amp_;
    std::shared_ptr<RoomConvolvers> room_;
    std::optional<double> micNoiseRms_;
    std::size_t latency_;
    std::mt19937 random_{0x4D1C};
    std::normal_distribution<double> gauss_{0.0, 1.0};
    std::optional<ClockDrift> drift_;
    std::vector<double> driftedMic_, driftedLoop_;
    std::vector<float> pending_;  // input frames not yet captured (ring, 2 samples a frame)
    std::size_t read_ = 0, write_ = 0;
    std::vector<double> cardL_, cardR_, out1_, out2_, mic_, room2_;
};

}  // namespace zefsim
