#pragma once
// The amplifier's audio path, rendered as the device runs it:
//
//   inputs L, R (or the noise generator on both, in place of the sockets)
//     -> input gain, mute, polarity -> input EQ (block A or B, unless bypassed)
//   -> routing: each output mixes the sources routed to it, each at its mix gain
//     -> high-pass, low-pass -> output EQ (30 bands, or 10 bands and the FIR; unless bypassed)
//     -> delay -> output gain, mute, polarity
//   -> bridge: output 1's signal across both terminals (twice the voltage), output 2 silent
//   standby: both outputs silent
//
// Levels are in the card's sample scale: X dBu at an amplifier input or output is a signal of
// RMS 0.7071 * 10^((X - 18) / 20), so a full-scale sine is +18 dBu. Dynamics (gate,
// compressor, limiter, dynamic filter) and the masking channel are not rendered.

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

#include "amp_settings.h"
#include "convolver.h"
#include "pink_noise.h"
#include "sections.h"

namespace zefsim {

// RMS in the card's sample scale of a level in dBu.
double DbuToRms(double dbu);

class AmpChain {
public:
    AmpChain();
    ~AmpChain();

    // Takes new settings. Filters whose position in the chain stays keep their state; a new
    // FIR starts from silence.
    void configure(const AmpSettings& settings);
    // Silence in every filter, delay and the FIR.
    void reset();

    // Renders n samples: card outputs 1 and 2 drive inputs L and R; `out1`, `out2` receive
    // the amplifier's outputs. Any n; the buffers must not overlap.
    void process(const double* inL, const double* inR, double* out1, double* out2, std::size_t n);

private:
    static constexpr std::size_t kChunk = 1024;
    void processChunk(const double* inL, const double* inR, double* out1, double* out2, std::size_t n);

    struct Output {
        Cascade filters;  // crossovers, then the EQ bands
        std::unique_ptr<Convolver> fir;
        std::array<double, kRigFirTaps> firTaps{};
        std::vector<double> delayLine;  // ring
        std::size_t delayWrite = 0;
    };

    AmpSettings settings_;
    std::array<Cascade, 2> inputEq_;
    std::array<Output, 2> outputs_;
    PinkNoise generator_;
    std::array<std::vector<double>, 2> in_, out_;
};

}  // namespace zefsim
