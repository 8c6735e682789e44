#include "address_map.h"

#include <algorithm>
#include <cstring>

namespace zefsim {
namespace {

constexpr std::uint16_t P(std::uint16_t deviceOffset) { return 240 + deviceOffset; }

using S = Selector;

// code, selector, parameter, base address, channel stride, band stride, bit
constexpr Landing kLandings[] = {
    // 1 channel gain
    {1, S::Input, 8, P(16), 1, 0, false},
    {1, S::Output, 8, P(493), 1, 0, false},
    // 2 output delay: bypass bit, coarse high, coarse low, fine
    {2, S::Output, 5, P(582), 0, 0, true},
    {2, S::Output, 6, P(461), 3, 0, false},
    {2, S::Output, 7, P(462), 3, 0, false},
    {2, S::Output, 8, P(463), 3, 0, false},
    // 3 mute, 4 polarity (bit per channel of the pair)
    {3, S::Input, 8, P(18), 0, 0, true},
    {3, S::Output, 8, P(495), 0, 0, true},
    {4, S::Input, 8, P(19), 0, 0, true},
    {4, S::Output, 8, P(496), 0, 0, true},
    // 5 EQ band: p4..p8 carry band bytes 0, 4, 1, 2, 3
    {5, S::InputBlockB, 4, P(70) + 0, 15, 5, false},
    {5, S::InputBlockB, 5, P(70) + 4, 15, 5, false},
    {5, S::InputBlockB, 6, P(70) + 1, 15, 5, false},
    {5, S::InputBlockB, 7, P(70) + 2, 15, 5, false},
    {5, S::InputBlockB, 8, P(70) + 3, 15, 5, false},
    {5, S::OutputBand, 4, P(118) + 0, 150, 5, false},
    {5, S::OutputBand, 5, P(118) + 4, 150, 5, false},
    {5, S::OutputBand, 6, P(118) + 1, 150, 5, false},
    {5, S::OutputBand, 7, P(118) + 2, 150, 5, false},
    {5, S::OutputBand, 8, P(118) + 3, 150, 5, false},
    {5, S::MaskingBand, 4, P(500) + 0, 0, 5, false},
    {5, S::MaskingBand, 5, P(500) + 4, 0, 5, false},
    {5, S::MaskingBand, 6, P(500) + 1, 0, 5, false},
    {5, S::MaskingBand, 7, P(500) + 2, 0, 5, false},
    {5, S::MaskingBand, 8, P(500) + 3, 0, 5, false},
    // 6 EQ bypass
    {6, S::Input, 8, P(29), 0, 0, true},
    {6, S::Output, 8, P(117), 0, 0, true},
    // 7 compressor: enable, level, ratio, value, time A, time B, gain
    {7, S::Output, 2, P(467), 7, 0, false},
    {7, S::Output, 3, P(468), 7, 0, false},
    {7, S::Output, 4, P(469), 7, 0, false},
    {7, S::Output, 5, P(470), 7, 0, false},
    {7, S::Output, 6, P(471), 7, 0, false},
    {7, S::Output, 7, P(472), 7, 0, false},
    {7, S::Output, 8, P(473), 7, 0, false},
    // 8 compressor automatics: knee, mode
    {8, S::Output, 7, P(483), 1, 0, false},
    {8, S::Output, 8, P(481), 1, 0, false},
    // 9 limiter: enable, threshold, time A, time B
    {9, S::Output, 5, P(485), 4, 0, false},
    {9, S::Output, 6, P(486), 4, 0, false},
    {9, S::Output, 7, P(487), 4, 0, false},
    {9, S::Output, 8, P(488), 4, 0, false},
    // 10 noise gate: enable, threshold, time A (+3), time B (+2)
    {10, S::Input, 5, P(20), 4, 0, false},
    {10, S::Input, 6, P(21), 4, 0, false},
    {10, S::Input, 7, P(23), 4, 0, false},
    {10, S::Input, 8, P(22), 4, 0, false},
    // 11 crossover: slope, frequency high, frequency low
    {11, S::HighPass, 6, P(104), 3, 0, false},
    {11, S::HighPass, 7, P(105), 3, 0, false},
    {11, S::HighPass, 8, P(106), 3, 0, false},
    {11, S::LowPass, 6, P(110), 3, 0, false},
    {11, S::LowPass, 7, P(111), 3, 0, false},
    {11, S::LowPass, 8, P(112), 3, 0, false},
    // 12 noise generator option
    {12, S::Any, 8, 205, 0, 0, false},
    // 13 selector 0: noise generator; selector 1: masking block
    {13, S::Generator, 6, 208, 0, 0, false},
    {13, S::Generator, 7, 209, 0, 0, false},
    {13, S::Generator, 8, 210, 0, 0, false},
    {13, S::Masking, 4, P(581), 0, 0, false},
    {13, S::Masking, 5, P(580), 0, 0, false},
    {13, S::Masking, 6, P(497), 0, 0, false},
    {13, S::Masking, 7, P(498), 0, 0, false},
    {13, S::Masking, 8, P(499), 0, 0, false},
    // 14 standby, 16 voltage, 18 bridge, 19 sleep
    {14, S::Any, 8, 206, 0, 0, false},
    {16, S::Any, 8, 214, 0, 0, false},
    {18, S::Any, 8, 213, 0, 0, false},
    {19, S::Any, 8, 211, 0, 0, false},
    // 17 routing: element (output, source 0) and (output, source 1)
    {17, S::Output, 7, P(100), 2, 0, false},
    {17, S::Output, 8, P(101), 2, 0, false},
    // 28 dynamic filter: enable and two values
    {28, S::Output, 6, P(455), 3, 0, false},
    {28, S::Output, 7, P(456), 3, 0, false},
    {28, S::Output, 8, P(457), 3, 0, false},
    // 30 FIR bypass
    {30, S::Output, 8, P(418), 0, 0, true},
    // 31 channel-mode flag and output EQ mode
    {31, S::Channel, 2, P(28), 0, 0, true},
    {31, S::Any, 8, P(116), 0, 0, false},
    // 32 load impedance, 33 remote control enable
    {32, S::Output, 8, 215, 1, 0, false},
    {33, S::Any, 1, 217, 0, 0, false},
};

bool between(int v, int lo, int hi) { return v >= lo && v <= hi; }

// The channel index of a matching row, or -1 when the frame does not match.
int match(Selector when, const std::array<std::uint8_t, 13>& f) {
    const int p1 = f[4], p2 = f[5], p3 = f[6], p5 = f[8];
    switch (when) {
        case S::Any:
            return 0;
        case S::Input:
            return between(p1, 0, 1) ? p1 : -1;
        case S::Output:
            return between(p1, 2, 3) ? p1 - 2 : -1;
        case S::Channel:
            return between(p1, 0, 3) ? p1 : -1;
        case S::Generator:
            return p1 == 0 ? 0 : -1;
        case S::Masking:
            return p1 == 1 ? 0 : -1;
        case S::HighPass:
            return between(p1, 2, 3) && p5 == 0 ? p1 - 2 : -1;
        case S::LowPass:
            return between(p1, 2, 3) && p5 == 1 ? p1 - 2 : -1;
        case S::InputBlockB:
            return between(p1, 0, 1) && between(p2, 0, 2) && p3 == 1 ? p1 : -1;
        case S::OutputBand:
            return between(p1, 2, 3) && between(p2, 0, 29) && p3 == 0 ? p1 - 2 : -1;
        case S::MaskingBand:
            return between(p1, 17, 20) && between(p2, 0, 15) && p3 == 0 ? 0 : -1;
    }
    return -1;
}

}  // namespace

std::span<const Landing> landingTable() { return kLandings; }

int applyLandings(const std::array<std::uint8_t, 13>& frame, std::span<std::uint8_t> memory) {
    int applied = 0;
    for (const Landing& row : kLandings) {
        if (row.code != frame[3]) continue;
        const int channel = match(row.when, frame);
        if (channel < 0) continue;
        const std::uint8_t value = frame[3 + row.param];
        if (row.bit) {
            const auto mask = static_cast<std::uint8_t>(1u << channel);
            memory[row.base] = value != 0 ? (memory[row.base] | mask) : (memory[row.base] & ~mask);
        } else {
            const std::size_t address = row.base + row.channelStride * channel + row.bandStride * frame[5];
            memory[address] = value;
        }
        ++applied;
    }
    return applied;
}

namespace {

void put(std::span<std::uint8_t> m, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), m.begin() + static_cast<std::ptrdiff_t>(at));
}

void putText(std::span<std::uint8_t> m, std::size_t at, std::size_t width, const char* text) {
    const std::size_t n = std::min(width, std::strlen(text));
    std::fill_n(m.begin() + static_cast<std::ptrdiff_t>(at), width, ' ');
    std::memcpy(m.data() + at, text, n);
}

// A flat band: type Bell, frequency, Q code 16 (Q 1.0), gain code 30 (0 dB).
void putBand(std::span<std::uint8_t> m, std::size_t at, std::uint16_t hz) {
    put(m, at, {0, static_cast<std::uint8_t>(hz >> 8), static_cast<std::uint8_t>(hz & 0xFF), 16, 30});
}

// Bytes the device keeps but the editor never interprets get a recognisable pattern, so a
// reader that drops or shifts them shows up as a mismatch.
void putPattern(std::span<std::uint8_t> m, std::size_t from, std::size_t to, std::uint8_t seed) {
    for (std::size_t a = from; a <= to; ++a) m[a] = static_cast<std::uint8_t>(seed + 3 * (a - from));
}

}  // namespace

void powerOnMemory(std::span<std::uint8_t> m) {
    std::fill(m.begin(), m.end(), std::uint8_t{0});
    // Settings: name 5..20 and firmware 1..3 are set by the device from its configuration.
    putPattern(m, 21, 28, 0x41);
    put(m, 34, {255, 255, 255, 0});   // LAN subnet mask
    put(m, 48, {255, 255, 255, 0});   // WLAN subnet mask
    putText(m, 57, 32, "");           // WLAN SSID
    putText(m, 91, 32, "");           // WLAN key
    m[123] = 1;                       // access point enabled
    put(m, 128, {255, 255, 255, 0});  // access point subnet mask
    m[136] = 9;
    putText(m, 137, 32, "ZEF-4.260");  // access point SSID
    putText(m, 171, 32, "");           // access point key
    m[203] = 6;                        // access point channel
    m[210] = 40;                       // noise generator level -40 dB
    putPattern(m, 218, 239, 0x90);

    // Running preset.
    putText(m, P(0), 16, "Default");
    put(m, P(16), {120, 120});  // input gains 0 dB
    for (int in = 0; in < 2; ++in) {
        static constexpr std::uint16_t kBlockA[] = {100, 500, 2000, 8000};
        static constexpr std::uint16_t kBlockB[] = {250, 1000, 4000};
        for (int b = 0; b < 4; ++b) putBand(m, P(30) + 5 * (4 * in + b), kBlockA[b]);
        for (int b = 0; b < 3; ++b) putBand(m, P(70) + 5 * (3 * in + b), kBlockB[b]);
    }
    put(m, P(100), {158, 30, 30, 158});              // output 1 from L, output 2 from R
    put(m, P(104), {0, 0, 20, 0, 0, 20});            // high-pass 20 Hz
    put(m, P(110), {0, 0x4E, 0x20, 0, 0x4E, 0x20});  // low-pass 20000 Hz
    static constexpr std::uint16_t kThirds[30] = {
        25,  31,   40,   50,   63,   80,   100,  125,  160,  200,  250,  315,   400,   500,   630,
        800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
    for (int o = 0; o < 2; ++o)
        for (int b = 0; b < 30; ++b) putBand(m, P(118) + 5 * (30 * o + b), kThirds[b]);
    putText(m, P(419), 32, "");          // FIR names
    put(m, P(451), {1, 1, 0x80, 0x80});  // 384 taps each
    for (int o = 0; o < 2; ++o) {
        put(m, P(467) + 7 * o, {0, 90, 2, 50, 9, 10, 120});  // compressor off, 0 dB, 4:1
        put(m, P(485) + 4 * o, {0, 0, 9, 9});                // limiter off
    }
    put(m, P(493), {120, 120});  // output gains 0 dB
    for (int b = 0; b < 16; ++b) putBand(m, P(500) + 5 * b, kThirds[2 * b - (b > 14 ? 1 : 0)]);
    m[P(580)] = 40;  // masking level -40 dB
    putPattern(m, P(583), P(623), 0x11);
}

void powerOnFir(std::span<std::uint8_t> fir) {
    std::fill(fir.begin(), fir.end(), std::uint8_t{0});
    fir[0] = 0x20;               // output 1: unit impulse 0x200000 at tap 0
    fir[fir.size() / 2] = 0x20;  // output 2
}

}  // namespace zefsim
