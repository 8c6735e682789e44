#pragma once
// What the channel editor shows from the status poll (command 22, 24-byte
// reply): twelve level readings (bytes 4..15, each (byte - 42) + 12.2 dB),
// four gain reductions (bytes 16..19, each byte - 30 dB), twelve indicator
// bits (bits 0..7 of byte 20, bits 0..3 of byte 21) and the alert and
// standby flags of byte 22. An off-line device reads as bytes 4..15 = 0 and
// 16..19 = 30: every meter at its minimum, no gain reduction.
//
// Which meter each reading drives (meter channel, kind):
//   level  0, 1   input L, R signal                 (L / R, Signal)
//   level  2, 3   output 1, 2 signal after the DSP  (Out1 / Out2, Signal)
//   level  4, 5   output 1, 2 amplifier voltage     (Out1 / Out2, Voltage)
//   level  6      "SM" generator level              (Sm, Signal)
//   levels 7..11  kept in the table, no meter shows them
//   reduction 0, 1  output 1, 2 compressor           (Out1 / Out2, Reduction)
//   reduction 2, 3  output 1, 2 limiter              (Lim1 / Lim2, Reduction)
// Which indicator each bit lights:
//   byte 20: bit 0/1 signal on input L/R, bit 2/3 clip on input L/R,
//            bit 4/5 signal on output 1/2, bit 6/7 clip on output 1/2
//   byte 21: bit 0/1 limiter of output 1/2 active, bit 2/3 protection of output 1/2

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "model/slots.h"

namespace zef {

inline constexpr int kLevelReadings = 12;
inline constexpr int kReductionReadings = 4;
inline constexpr int kIndicatorBits = 12;
inline constexpr int kMeterChannels = 7;
inline constexpr int kMeterKinds = 3;
inline constexpr int kMeterSegments = 9;

enum class MeterChannel { L, R, Out1, Out2, Sm, Lim1, Lim2 };
enum class MeterKind { Signal, Voltage, Reduction };

// Segment thresholds, top first: a level meter lights a segment when the
// level reaches it.
inline constexpr std::array<double, kMeterSegments> kMeterThresholds = {9, 6, 3, 0, -3, -6, -9, -12, -15};
// A gain-reduction meter lights from the top down: a segment when the
// reduction (dB below 0) reaches it.
inline constexpr std::array<double, kMeterSegments> kReductionThresholds = {1, 2, 3, 4, 6, 8, 10, 12, 15};

enum class Indicator {
    SignalL, SignalR, ClipL, ClipR, SignalOut1, SignalOut2, ClipOut1, ClipOut2,
    LimitOut1, LimitOut2, ProtectOut1, ProtectOut2,
};

struct StatusReading {
    std::array<double, kLevelReadings> levels{};
    std::array<double, kReductionReadings> reductions{};
    std::array<bool, kIndicatorBits> indicators{};
    bool alert = false;
    bool standby = false;

    bool lit(Indicator i) const { return indicators[static_cast<std::size_t>(i)]; }
};

// Decodes bytes 4..22 of a status reply (the 18 level bytes and the flag
// byte); `online` false applies the off-line fill first.
StatusReading DecodeStatusReading(std::span<const std::uint8_t, 18> levelBytes, std::uint8_t flags, bool online);

// The readings held per device: [channel][kind] in dB.
using MeterTable = std::array<std::array<double, kMeterKinds>, kMeterChannels>;
// Puts the readings into the table where the mapping above says; readings
// without a meter leave it untouched.
void StoreReadings(const StatusReading& reading, MeterTable& table);
// The reading that drives (channel, kind), if any.
std::optional<int> LevelReadingFor(MeterChannel channel, MeterKind kind);

// Lit segments, top first.
std::array<bool, kMeterSegments> MeterSegments(double db, MeterKind kind);
// Bit n of segment state: bit 0 is the top segment.
std::uint16_t SegmentMask(const std::array<bool, kMeterSegments>& segments);

}  // namespace zef
