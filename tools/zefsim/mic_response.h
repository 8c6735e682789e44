#pragma once
// A measurement microphone with a response of its own: the rig hears every
// output's room through it. The response is a "frequency dB" curve (the text
// format calibration files use); the filter is its minimum-phase
// realisation, so the arrival stays where the room puts it.
#include <vector>

#include "files/frequency_curve.h"
#include "room.h"

namespace zefsim {

inline constexpr std::size_t kMicFilterTaps = 8192;

// The minimum-phase filter (kMicFilterTaps at 48000 Hz) whose magnitude follows `curve`.
std::vector<double> MicFilter(const zef::FrequencyCurve& curve);

// Each output's response heard through `filter` (the full linear convolution).
RoomResponse ThroughMicrophone(const RoomResponse& room, const std::vector<double>& filter);

}  // namespace zefsim
