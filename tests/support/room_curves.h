#pragma once
// Reproducible random room curves for the automatic equaliser: smooth
// third-octave band levels (a few broad bumps and dips on a tilt) whose
// needed correction lies within the chosen maximum gain. The generator uses
// only the raw output of std::mt19937, which the standard fixes, so every
// platform builds the same curves from the same seed.

#include <cstdint>
#include <vector>

#include "measure/analyser.h"

namespace zef::test {

struct RoomCurve {
    BandSpectrum levelsDb{};
    int maxGainHalfDb = 12;  // 2 (+-1 dB) .. 12 (+-6 dB)
    int minBand = 0;
    int maxBand = 29;
};

// `count` curves from `seed`. Over minBand..maxBand the levels' deviation
// from their mean lies within +-maxGainHalfDb / 2 dB; outside that range the
// curve goes on as it would.
std::vector<RoomCurve> RandomRoomCurves(std::uint32_t seed, int count);

}  // namespace zef::test
