#pragma once
// What the amplifier's signal path does, read from its raw memory the way the device reads it.
//
// Device addresses (the preset block starts at 240; P(n) = 240 + n):
//   206           standby (1 = outputs silent)
//   208 209 210   noise generator: on (1), option (kept, not rendered), level (dBu = code - 80)
//   213           bridge (nonzero = output 1 drives both terminals)
//   P(16+i)       input gain, dB = code/2 - 60          P(18) P(19)   input mute / polarity bits
//   P(28)         bit i: input i runs band block B      P(29)         input EQ bypass bits
//   P(30)         block A, 4 bands per input, input i at P(30) + 20 i
//   P(70)         block B, 3 bands per input, input i at P(70) + 15 i
//   P(100+2o+s)   routing of source s into output o: bit 7 routed, bits 0..6 mix gain (dB = code/2 - 15)
//   P(104+3o)     high-pass: slope code, frequency (16-bit big-endian)
//   P(110+3o)     low-pass
//   P(116)        output EQ mode: 0 = 30 bands, otherwise 10 bands + FIR
//   P(117)        output EQ bypass bits                 P(418)        FIR bypass bits
//   P(118)        30 bands per output, output o at P(118) + 150 o
//   P(461+3o)     delay: whole ms (16-bit big-endian), then samples of 1/48 ms; P(582) bypass bits
//   P(493+o)      output gain, dB = code/2 - 60         P(495) P(496) output mute / polarity bits
// Band record: type, frequency (16-bit big-endian), Q code (index into the Q table), gain byte
// (bit 7 bypass, bits 0..6 code, dB = code/2 - 15).
// FIR memory: 384 taps x 3 bytes per output, two's complement with 21 fraction bits.
//
// Codes above their range read as the largest code. Dynamics (gate, compressor, limiter,
// dynamic filter) and the masking channel are not part of this view.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace zefsim {

inline constexpr double kRigSampleRate = 48000.0;
inline constexpr int kRigFirTaps = 384;

struct EqBand {
    int type = 0;  // 0 Bell, 1 high shelf, 2 low shelf, 3 HP-Q, 4 LP-Q, 5 notch, 6 AP I, 7 AP II
    double frequencyHz = 1000;
    double q = 1;
    double gainDb = 0;
    bool bypassed = false;
};

struct Crossover {
    int slope = 0;  // 0 = bypass .. 8
    double frequencyHz = 1000;
};

struct InputPath {
    double gainDb = 0;
    bool muted = false;
    bool inverted = false;
    bool eqBypassed = false;
    std::vector<EqBand> bands;  // the active block: 4 (block A) or 3 (block B)
};

struct OutputPath {
    std::array<bool, 2> routed{};  // source L, R
    std::array<double, 2> routeGainDb{};
    Crossover highPass, lowPass;
    bool eqBypassed = false;
    std::vector<EqBand> bands;  // 30, or 10 in the FIR mode
    bool firActive = false;     // FIR mode and not bypassed
    std::array<double, kRigFirTaps> fir{};
    int delaySamples = 0;  // 0 when bypassed
    double gainDb = 0;
    bool muted = false;
    bool inverted = false;
};

struct AmpSettings {
    bool standby = false;
    bool bridged = false;
    bool generatorOn = false;
    double generatorDbu = -80;
    std::array<InputPath, 2> inputs;
    std::array<OutputPath, 2> outputs;
};

// The Q of Q code 0..100 (larger codes read as 100).
double EqQ(int code);

// Reads settings and preset memory (864 bytes, device order) and both FIRs (2304 bytes).
AmpSettings DecodeAmpSettings(std::span<const std::uint8_t> memory, std::span<const std::uint8_t> fir);

}  // namespace zefsim
