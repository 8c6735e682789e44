#pragma once
// The virtual measurement rig: a two-in, two-out sound card served over loopback TCP, whose
// outputs drive a simulated amplifier's inputs and whose first input is a microphone in front
// of the amplifier's loudspeakers (see rig_renderer.h, and docs/rig.md for the wire format).
//
// One client streams at a time; a second one is told the rig is busy. A client that only
// reads the greeting and leaves is a probe (a device list checking the rig is there). A
// connection that completes no message for 10 s is closed (bytes that never make a whole
// message do not count), so no client keeps the rig busy by trickling bytes.
// The rig reads the amplifier's memory before every block, so edits are heard at once.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "room.h"

namespace zefsim {

class Device;

inline constexpr int kRigBlockFrames = 240;  // 5 ms
inline constexpr double kRigMinLatencyMs = 5;
inline constexpr double kRigMaxLatencyMs = 2000;

struct RigConfig {
    std::string host = "127.0.0.1";              // 127.x.x.x only
    std::uint16_t port = 0;                      // 0 = any free port
    std::optional<double> latencyMs;             // round trip; nullopt = random 5..200 ms
    std::optional<double> micNoiseDbfs = -90.0;  // nullopt = a noiseless microphone
    bool fast = false;                           // serve blocks as fast as the client takes them
    double driftPpm = 0;                         // the card's input clock over its output's, minus one
    std::optional<RoomResponse> room;            // nullopt = the built-in room
    // Further microphone positions after `room`: each stream a client starts
    // is heard at the next position, in turn (the first at `room`), as if the
    // user moved the microphone whenever a measurement restarted.
    std::vector<RoomResponse> morePositions;
};

class Rig {
public:
    // Listens at once and serves `device` (which must outlive the rig) on its own thread.
    // Throws std::runtime_error for a non-loopback host, a latency out of 5..2000 ms, or a
    // port that cannot be bound.
    Rig(Device& device, const RigConfig& config);
    ~Rig();  // stops serving; a client sees the connection close
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    std::uint16_t port() const;
    std::string endpoint() const;  // "HOST:PORT"
    double latencyMs() const;      // the round trip in use, whole samples
    bool fast() const;

    // A new room for the next stream (built on the calling thread); it
    // replaces every position.
    void setRoom(const RoomResponse& room);
    // The microphone positions: 1 + morePositions.
    std::size_t positions() const;
    // Ends the current client's connection now, as a rig that goes away would.
    void dropClient();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace zefsim
