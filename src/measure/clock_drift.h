#pragma once
// The clock drift between a card's output and its input (two devices joined
// into one, each on its own crystal): the input's sample rate relative to the
// output's, in parts per million. A drift stretches the recorded sweep, so
// the delay of an early stretch of the sweep and of a late one differ by the
// drift times the time between them. Measured on a loopback reference, which
// carries the sweep itself: on the microphone a loudspeaker's own group delay
// (larger at low frequencies, where the sweep starts) would read as drift.

#include <optional>
#include <span>

namespace zef::measure {

// A drift above this is worth a warning: at 20 ppm a 5 s sweep slips two
// samples at 48 kHz, and the response's highest octave starts to smear.
inline constexpr double kDriftWarningPpm = 20.0;

// The input's rate over the output's minus one, in ppm (positive: the input
// runs fast), from `reference` (the loopback recording) holding `sweep` from
// sample `sweepStart` on. nullopt when the stretches cannot be found (no
// sweep on the reference, or a recording too short).
std::optional<double> EstimateClockDriftPpm(std::span<const float> reference, std::span<const double> sweep,
                                            std::size_t sweepStart);

}  // namespace zef::measure
