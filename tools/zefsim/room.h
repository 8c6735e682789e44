#pragma once
// The acoustic path of the virtual rig: for each amplifier output, the impulse response from
// the output terminals to the measurement microphone, at 48000 Hz.
//
// Levels: the rig works in the card's sample scale throughout; a response of 1.0 (a unit
// impulse) passes the output's level to the microphone unchanged. The built-in responses are
// scaled so that their direct sound has a gain of 0 dB in the pass band (at 1 kHz).

#include <array>
#include <string>
#include <vector>

namespace zefsim {

struct RoomResponse {
    std::array<std::vector<double>, 2> output;  // an empty response: that output is not heard
};

// A two-way loudspeaker (about 2 kHz crossover, low-frequency roll-off below about 60 Hz, a
// few dB of response ripple) in a small room: the direct sound about 2 m away, a handful of
// early reflections and a diffuse tail with about 0.4 s reverberation time; one second long.
// Output 2's loudspeaker stands elsewhere in the same room (other distances and reflections).
// Always the same numbers.
RoomResponse BuiltInRoom();

// Direct wiring: output 1 alone reaches the microphone, through a unit impulse.
RoomResponse DirectWire(int output = 0);

// Reads a 48000 Hz WAV (or any format libsndfile reads) with one channel per output (a single
// channel serves both outputs), at most 10 s. Throws std::runtime_error with a message for
// the user when the file cannot be used.
RoomResponse LoadRoom(const std::string& path);

}  // namespace zefsim
