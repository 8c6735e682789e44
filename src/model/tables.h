#pragma once
// The fixed vocabulary of the editor: value tables of the parameter codes and
// the texts of lists, meters and graph axes. Index = device code unless noted.
// Built at compile time; nothing here changes at run time.

#include <array>
#include <cstdint>
#include <string_view>

namespace zef {

namespace detail {
// {first/10, (first+1)/10, ...}: k/10.0 is the double nearest to the decimal k/10.
template <std::size_t N>
constexpr std::array<double, N> Tenths(int first) {
    std::array<double, N> t{};
    for (std::size_t i = 0; i < N; ++i) t[i] = static_cast<double>(first + static_cast<int>(i)) / 10.0;
    return t;
}
}  // namespace detail

// Noise gate times (PI 23+4ch, time A; PI 22+4ch, time B).
inline constexpr std::array<double, 26> kGateTimesA = {1,   2,   3,   4,   5,   10,  15,  20,  25,
                                                       30,  40,  50,  60,  70,  80,  90,  100, 200,
                                                       300, 400, 500, 600, 700, 800, 900, 1000};
inline constexpr std::array<double, 17> kGateTimesB = {30,  40,  50,  60,  70,  80,  90,  100, 200,
                                                       300, 400, 500, 600, 700, 800, 900, 1000};

// Compressor times (PI 471+7o: 0.1 .. 3.0; PI 472+7o).
inline constexpr std::array<double, 30> kCompressorTimesA = detail::Tenths<30>(1);
inline constexpr std::array<double, 30> kCompressorTimesB = {5,  6,  7,  8,  9,   10,  11,  12,  13,  14,
                                                             15, 16, 17, 18, 19,  20,  25,  30,  40,  50,
                                                             60, 70, 80, 90, 100, 120, 140, 160, 180, 200};

// Limiter times (PI 487+4o: 0.1 .. 5.0; PI 488+4o).
inline constexpr std::array<double, 50> kLimiterTimesA = detail::Tenths<50>(1);
inline constexpr std::array<double, 41> kLimiterTimesB = {
    1,  2,  3,  4,  5,  6,  7,  8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,  19,  20, 25,
    30, 40, 50, 60, 70, 80, 90, 100, 120, 140, 160, 180, 200, 300, 400, 500, 600, 700, 800, 900};

// Limiter threshold (PI 486+4o), strictly decreasing: code 0 is the highest threshold.
inline constexpr std::array<double, 151> kLimiterThresholds = {
    50,   49.5, 48.8, 48.1, 47.4, 46.7, 45.8, 44.9, 43.8, 42.5, 41.6, 40.8, 40,   39.2, 38.3, 37.5, 36.6,
    35.8, 35,   34.2, 32.6, 31.7, 31,   30.3, 29.6, 29,   28.3, 27.6, 27,   26.4, 25.8, 25.2, 24.6, 24,
    23.5, 23,   22.5, 22,   21.5, 21,   20.5, 20,   19.5, 19.1, 18.7, 18.3, 17.8, 17.4, 17,   16.6, 16.3,
    15.9, 15.6, 15.2, 14.9, 14.5, 14.2, 13.9, 13.6, 13.2, 13,   12.6, 12.4, 12.1, 11.8, 11.5, 11.3, 11,
    10.8, 10.5, 10.3, 10,   9.8,  9.6,  9.4,  9.2,  9,    8.7,  8.5,  8.4,  8.2,  8,    7.8,  7.6,  7.4,
    7.3,  7.1,  7,    6.8,  6.6,  6.5,  6.3,  6.2,  6.1,  5.9,  5.8,  5.6,  5.5,  5.4,  5.3,  5.2,  5.1,
    5,    4.9,  4.7,  4.6,  4.5,  4.4,  4.3,  4.2,  4.1,  4,    3.9,  3.8,  3.7,  3.6,  3.55, 3.5,  3.45,
    3.35, 3.25, 3.18, 3.11, 3.04, 2.97, 2.9,  2.84, 2.78, 2.72, 2.66, 2.6,  2.54, 2.48, 2.42, 2.36, 2.3,
    2.25, 2.2,  2.15, 2.1,  2.05, 2,    1.96, 1.92, 1.87, 1.83, 1.79, 1.75, 1.71, 1.67, 1.63};

// EQ band Q (band byte 3), strictly increasing, roughly 1/12 octave apart.
inline constexpr std::array<double, 101> kEqQ = {
    0.4,  0.42, 0.45, 0.47, 0.5, 0.53, 0.56, 0.59, 0.63, 0.67, 0.71, 0.75, 0.79, 0.84, 0.89, 0.94, 1,
    1.06, 1.12, 1.19, 1.26, 1.3, 1.4,  1.5,  1.6,  1.7,  1.8,  1.9,  2,    2.1,  2.2,  2.4,  2.5,  2.7,
    2.8,  3,    3.2,  3.4,  3.6, 3.8,  4,    4.2,  4.5,  4.8,  5,    5.3,  5.7,  6,    6.3,  6.7,  7.1,
    7.6,  8,    8.5,  9,    9.5, 10.1, 10.7, 11.3, 12,   12.7, 13.5, 14,   15,   16,   17,   18,   19,
    20,   21,   23,   24,   25,  27,   29,   30,   32,   34,   36,   38,   40,   43,   45,   48,   51,
    54,   57,   60,   64,   68,  72,   76,   81,   85,   91,   96,   102,  108,  114,  121,  128};

// The Q code of Q = 1.0.
inline constexpr int kEqQUnityCode = 16;

// Labels of the nine meter marks, top first (volts or dBu, chosen by the meter-unit list).
inline constexpr std::array<std::string_view, 9> kMeterScaleVolts = {
    "36.5 V", "25.0 V", "18.0 V", "12.5 V", " 9.0 V", " 6.5 V", " 4.5 V", " 3.5 V", " 2.5 V"};
inline constexpr std::array<std::string_view, 9> kMeterScaleDbu = {
    "+ 9 dBu", "+ 6 dBu", "+ 3 dBu", "   0 dBu", "- 3 dBu", "- 6 dBu", "- 9 dBu", "- 12 dBu", "-15 dBu"};

// EQ band types (band byte 0).
enum BandType : std::int16_t {
    kBandBell = 0,
    kBandHighShelf = 1,
    kBandLowShelf = 2,
    kBandHighPass = 3,
    kBandLowPass = 4,
    kBandNotch = 5,
    kBandAllPass1 = 6,
    kBandAllPass2 = 7,
};
inline constexpr std::array<std::string_view, 8> kEqTypeNames = {"Bell", "HiShQ", "LoShQ", "HP-Q",
                                                                 "LP-Q", "Notch", "AP I",  "AP II"};

// Crossover slope list (crossover byte 0); 0 = bypass.
inline constexpr std::array<std::string_view, 9> kCrossoverSlopeNames = {
    "Bypass",       "- 6 dB/oct BW", "-12dB/oct BW", "-12dB/oct LR", "-12dB/oct BS",
    "-18dB/oct BW", "-24dB/oct BW",  "-24dB/oct LR", "-24dB/oct BS"};

// Delay unit texts: index 0 milliseconds, 1 metres (DS 207 = 1).
inline constexpr std::array<std::string_view, 2> kDelayUnits = {" ms", " m"};

// Channel labels of the response graphs: inputs L, R, outputs 1, 2, masking channel.
inline constexpr std::array<std::string_view, 5> kChannelLabels = {"L", "R", "1", "2", "SM"};

// Bit n set / bit n cleared, for flag bytes.
inline constexpr std::array<std::uint8_t, 8> kBitMasks = {1, 2, 4, 8, 16, 32, 64, 128};
inline constexpr std::array<std::uint8_t, 8> kInverseBitMasks = {254, 253, 251, 247, 239, 223, 191, 127};

// Frequency axis labels of the response graphs (third-octave centres 25 Hz .. 20 kHz).
inline constexpr std::array<std::string_view, 30> kFrequencyLabels = {
    "25",   "31",    "40",   "50",   "63",   "80",   "100",   "125",   "160",   "200",
    "250",  "315",   "400",  "500",  "630",  "800",  "1.0k",  "1.25k", "1.6k",  "2.0k",
    "2.5k", "3.15k", "4.0k", "5.0k", "6.3k", "8.0k", "10.0k", "12.5k", "16.0k", "20.0k"};

// Device-list interface names, indexed by NetworkKind; the last is "kind not yet known".
inline constexpr std::array<std::string_view, 4> kInterfaceNames = {"USB", "WLAN", "LAN", ""};

// The model name given to entries added by hand.
inline constexpr std::string_view kModelName = "ZEF-4.260";

}  // namespace zef
