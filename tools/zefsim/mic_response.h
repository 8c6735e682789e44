#pragma once
// A measurement microphone with a response of its own: the rig hears every
// output's room through it. The response is a "frequency dB" curve (the text
// format calibration files use); the filter is its minimum-phase
// realisation, so the arrival stays where the room puts it.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "room.h"

namespace zefsim {

inline constexpr std::size_t kMicFilterTaps = 8192;

// A microphone's response: dB at rising frequencies, linear in dB over log
// frequency between them, held beyond the ends.
struct MicResponse {
    std::vector<std::pair<double, double>> points;  // Hz, dB
    double DbAt(double hz) const;
};

// Reads "frequency dB [phase]" lines; lines that do not start with a number are
// comments. Throws std::runtime_error naming the file and line.
MicResponse ReadMicResponse(const std::string& path);

// The minimum-phase filter (kMicFilterTaps at 48000 Hz) whose magnitude in dB is `dbAt(hz)`.
std::vector<double> MicFilter(const std::function<double(double hz)>& dbAt);

// Each output's response heard through `filter` (the full linear convolution).
RoomResponse ThroughMicrophone(const RoomResponse& room, const std::vector<double>& filter);

}  // namespace zefsim
