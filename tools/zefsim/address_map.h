#pragma once
// Where the parameter bytes of each command land in device memory, seen from the device.
//
// Every row sends one parameter byte (p1..p8) of one command code to one device address:
//   address = base + channelStride * channel + bandStride * band
// channel is p1 (inputs, and any channel for the channel-mode flag) or p1 - 2 (outputs);
// band is p2. A bit row sets or clears bit `channel` of the byte at `base` instead
// (set when the parameter byte is non-zero). Rows whose selector does not match the frame
// are skipped, so a command whose channel or band is out of range changes nothing.
// The preset block lies at 240 + device offset; its two-dimensional arrays keep all
// elements of one channel together: element (a, b) of [A][B] x size at base + size*(B*a + b).

#include <array>
#include <cstdint>
#include <span>

namespace zefsim {

enum class Selector : std::uint8_t {
    Any,
    Input,        // p1 0..1
    Output,       // p1 2..3
    Channel,      // p1 0..3
    Generator,    // p1 == 0 (command 13 selector 0)
    Masking,      // p1 == 1 (command 13 selector 1)
    HighPass,     // p1 2..3, p5 == 0
    LowPass,      // p1 2..3, p5 == 1
    InputBlockB,  // p1 0..1, p2 0..2, p3 == 1
    OutputBand,   // p1 2..3, p2 0..29, p3 == 0
    MaskingBand,  // p1 17..20, p2 0..15, p3 == 0
};

struct Landing {
    std::uint8_t code;
    Selector when;
    std::uint8_t param;  // 1..8
    std::uint16_t base;  // device address
    std::uint16_t channelStride;
    std::uint16_t bandStride;
    bool bit;
};

std::span<const Landing> landingTable();

// Applies the parameter bytes of a 13-byte frame to memory (864 bytes). Returns the number
// of bytes written or bits changed (0 for commands without parameter landings).
int applyLandings(const std::array<std::uint8_t, 13>& frame, std::span<std::uint8_t> memory);

// The memory a device shows at power-on: settings and preset block (864 bytes) and the two
// FIRs (2304 bytes, unit impulse each).
void powerOnMemory(std::span<std::uint8_t> memory);
void powerOnFir(std::span<std::uint8_t> fir);

}  // namespace zefsim
