#pragma once
// Conversions between device codes, slider positions and user values, the
// snapping of typed values, and the small byte helpers of the command layer.
// Every function is pure.
//
// Sliders are 1-based: positions 1..N map to code = N - position, so position
// 1 gives the largest code (the top of a vertical slider).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/device_model.h"

namespace zef {

// ---- Rounding and snapping ----

// Nearest integer; exact halves go to the even neighbour (80.5 -> 80, 81.5 -> 82).
double RoundHalfEven(double x);

// Index of the entry of a monotone table (ascending or descending) nearest to
// `value`. Equal distances pick the larger entry; values beyond either end
// pick that end. Distances within 1e-9 count as equal, so a decimal midpoint
// such as 0.15 between 0.1 and 0.2 counts as a tie.
int SnapToTable(double value, std::span<const double> table);

// Nearest point of the grid origin + k*step (step > 0); ties go to the larger point.
double SnapToStep(double value, double step, double origin = 0.0);
inline double SnapGateThreshold(double db) { return SnapToStep(db, 5.0, -80.0); }  // 5k - 80
inline double SnapToTenth(double v) { return SnapToStep(v, 0.1); }
inline double SnapToTwo(double v) { return SnapToStep(v, 2.0); }
inline double SnapToHalf(double v) { return SnapToStep(v, 0.5); }

// ---- Slider controls ----

enum class Control {
    ChannelGain,       // PI 16+ch, 493+o: dB = code/2 - 60
    EqGain,            // band byte 4 bits 0..6: dB = code/2 - 15
    GateThreshold,     // PI 21+4ch: dB = 5*code - 80
    GateTimeA,         // PI 23+4ch: kGateTimesA
    GateTimeB,         // PI 22+4ch: kGateTimesB
    CompressorLevel,   // PI 468+7o: dB = code/5 - 18
    CompressorRatio,   // PI 469+7o: (code + 2):1
    CompressorValue,   // PI 470+7o: the code itself
    CompressorTimeA,   // PI 471+7o: kCompressorTimesA
    CompressorTimeB,   // PI 472+7o: kCompressorTimesB
    CompressorGain,    // PI 473+7o: dB = code/10 - 12
    LimiterThreshold,  // PI 486+4o: kLimiterThresholds (decreasing)
    LimiterTimeA,      // PI 487+4o: kLimiterTimesA
    LimiterTimeB,      // PI 488+4o: kLimiterTimesB
    NoiseLevel,        // DS 210: dB = code - 80
    MaskingLevel,      // PI 580: dB = code - 80
};
inline constexpr int kControlCount = 16;

// Position <-> code <-> user value of one slider control. The value is either
// linear (code * numerator / denominator + offset) or an entry of a table.
class ControlMapper {
public:
    constexpr ControlMapper(std::string_view name, int n, double numerator, double denominator, double offset,
                            std::string_view suffix = {})
        : name_(name), n_(n), num_(numerator), den_(denominator), offset_(offset), suffix_(suffix) {}
    constexpr ControlMapper(std::string_view name, std::span<const double> table)
        : name_(name), n_(static_cast<int>(table.size())), table_(table) {}

    std::string_view name() const { return name_; }
    // N: the number of slider positions and of codes.
    int count() const { return n_; }
    int maxCode() const { return n_ - 1; }

    // Position 1..N -> code N-1..0. A position outside 1..N is a programming error.
    int codeFromPosition(int position) const;
    // Code 0..N-1 -> position N..1.
    int positionFromCode(int code) const;
    // User value of a code 0..N-1.
    double valueFromCode(int code) const;
    // Nearest code to a typed value, clamped to 0..N-1 (ties go to the larger value).
    int codeFromValue(double value) const;
    double valueFromPosition(int position) const { return valueFromCode(codeFromPosition(position)); }
    int positionFromValue(double value) const { return positionFromCode(codeFromValue(value)); }
    // The allowed value nearest to a typed value.
    double snap(double value) const { return valueFromCode(codeFromValue(value)); }
    // Text shown next to the slider: the value in the locale's number format plus
    // the control's suffix (":1" for the compressor ratio).
    std::string text(int code, bool decimalComma) const;

private:
    std::string_view name_;
    int n_;
    double num_ = 1.0;
    double den_ = 1.0;
    double offset_ = 0.0;
    std::string_view suffix_;
    std::span<const double> table_;
};

const ControlMapper& MapperFor(Control control);

// ---- Frequencies ----

// Crossover frequency code: Hz truncated, clamped to 0..65535 (80.9 -> 80).
std::uint16_t CrossoverFrequencyCode(double hz);
// EQ band frequency code: Hz rounded half to even, clamped to 0..65535.
std::uint16_t EqFrequencyCode(double hz);

// ---- Delay ----

// Coarse counter: whole milliseconds 0..164 (PI 461/462+3o, big-endian).
// Fine counter: steps of 0.0208 ms, 0..48 (PI 463+3o).
struct DelayCounts {
    std::uint16_t coarse = 0;
    std::uint8_t fine = 0;
    bool operator==(const DelayCounts&) const = default;
};

inline constexpr double kDelayFineStepMs = 0.0208;
inline constexpr int kDelayMaxCoarse = 164;
inline constexpr int kDelayMaxFine = 48;
inline constexpr double kDelayMaxMs = 164.9981;      // largest typed delay
inline constexpr double kDelayMaxMetres = 56.09932;  // the same, in metres
inline constexpr double kMetresPerMs = 0.34;

// Delay in ms as shown: Int((coarse + fine*0.0208)*1000)/1000.
double DelayMs(DelayCounts counts);
// The counters nearest to a delay in ms, after clamping it to 0..kDelayMaxMs.
DelayCounts DelayCountsFromMs(double ms);
inline double MetresFromMs(double ms) { return ms * kMetresPerMs; }
inline double MsFromMetres(double metres) { return metres / kMetresPerMs; }
// "Delay [ ms ]" or "Delay [ m ]".
std::string DelayFrameCaption(bool metres);

// ---- Routing (PI 100+o = source L, PI 102+o = source R) ----

inline constexpr std::uint8_t kRouteOff = 30;
inline constexpr std::uint8_t kRouteBoth = 152;   // both sources routed
inline constexpr std::uint8_t kRouteAlone = 158;  // this source alone
inline constexpr std::uint8_t kRoutedBit = 0x80;

struct RoutingState {
    bool source0 = false;  // input L
    bool source1 = false;  // input R
    bool operator==(const RoutingState&) const = default;
};

// The byte pair written for a state: (30,30), (158,30), (30,158) or (152,152).
std::array<std::uint8_t, 2> RoutingBytes(RoutingState state);
// A source is routed when bit 7 of its byte is set.
RoutingState RoutingFromBytes(std::uint8_t source0Byte, std::uint8_t source1Byte);

// ---- Limiter cap ----

// Cap by load impedance code 0..3; codes outside 0..3 use the last entry.
inline constexpr std::array<int, 4> kLimiterCapsSeparate = {151, 145, 130, 115};
inline constexpr std::array<int, 4> kLimiterCapsBridged = {151, 130, 115, 100};

int LimiterCap(bool bridged, int impedanceCode);
// The cap for an output from the device settings: bridge flag DS 213 and
// DS 215+output (output 0's entry when bridged).
int LimiterCapFor(const DeviceSettings& settings, int output);
// The cap is the highest slider position the limiter threshold may take, so
// the threshold code is at least 151 - cap; the result stays in 0..150.
int CapLimiterCode(int code, int cap);

// ---- Band byte 4 ----

// bypass*128 + (61 - gain slider position); gain position 1..61.
std::uint8_t BandLevelByte(bool bypass, int gainPosition);

// ---- Flags, masks and bytes ----

// Mask byte of a channel pair: 2*second + first (flags 0 or 1).
std::uint8_t PairMask(bool first, bool second);

bool TestBit8(std::uint8_t byte, int bit);
void SetBit8(std::uint8_t& byte, int bit, bool value);

// Bit n (0..31) of the 32-bit mask b3:b2:b1:b0 (b0 = bits 0..7); false for n outside 0..31.
bool TestBit32(int n, std::uint8_t b3, std::uint8_t b2, std::uint8_t b1, std::uint8_t b0);
// Sets or clears bit n of the same four-byte form; n outside 0..31 changes nothing.
void SetBit32(int n, bool value, std::uint8_t& b3, std::uint8_t& b2, std::uint8_t& b1, std::uint8_t& b0);

// Scratch bytes of SplitToBytes.
struct AddressBytes {
    std::array<std::uint8_t, 31> bytes{};
    // Bytes start+2, start+3 as a 16-bit value: the low half of a split number.
    std::uint16_t low16(std::size_t start) const;
};

// Rounds value half to even and writes it as a 32-bit two's-complement number,
// big-endian, to scratch.bytes[start..start+3]. start must be 0..27.
void SplitToBytes(double value, std::size_t start, AddressBytes& scratch);

// ln x / ln 10.
double Log10Of(double x);
// Decimal text with a leading "0" for 0..9.
std::string FormatTwoDigits(int n);
// "P01" for preset slot 0.
std::string PresetSlotText(int slot);

}  // namespace zef
