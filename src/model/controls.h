#pragma once
// The editors' control groups as values: what one sender takes, and the
// controls' current state read back from a device's records, so that an
// edit of one control can resend its whole group unchanged but for that one.
// Slider positions are 1-based (code = N - position, encodings.h).

#include <array>
#include <cstdint>

#include "model/device_model.h"

namespace zef {

// The controls of one EQ band.
struct EqBandEdit {
    std::int16_t type = 0;      // 0 "Bell" .. 7 "AP II"
    double frequencyHz = 1000;  // rounded half to even
    double gainDb = 0;          // snapped to 0.5 dB, clamped to +-15
    double q = 1;               // snapped to the Q table
    bool bypassed = false;
};

// Noise gate sliders, 1-based positions.
struct GateControls {
    bool enabled = false;
    int thresholdPosition = 7;  // 1..7   (code 7 - position, dB = 5 code - 80)
    int timeAPosition = 26;     // 1..26  (gate table A)
    int timeBPosition = 17;     // 1..17  (gate table B)
};

// Compressor sliders, 1-based positions.
struct CompressorControls {
    bool enabled = false;
    int levelPosition = 151;  // 1..151
    int ratioPosition = 31;   // 1..31
    int valuePosition = 101;  // 1..101
    int timeAPosition = 30;   // 1..30
    int timeBPosition = 30;   // 1..30
    int gainPosition = 241;   // 1..241
};

// Limiter sliders, 1-based positions.
struct LimiterControls {
    bool enabled = false;
    int thresholdPosition = 151;  // 1..151; limited by the output's cap
    int timeAPosition = 50;       // 1..50
    int timeBPosition = 41;       // 1..41
};

// The masking frame.
struct MaskingControls {
    int enableOption = 1;            // selected option 0 = on, 1 = off (PI 581 = 1 - option)
    std::array<bool, 4> channels{};  // check box per ChannelCode: bit ch of PI 497
    int typeOption = 0;              // 0 or 1
    std::uint8_t subOption = 0;
    int levelPosition = 81;  // 1..81
};

// The dynamic filter of an output: enable and its two values 0..100.
struct DynamicFilterControls {
    bool enabled = false;
    int value1 = 0;
    int value2 = 0;
};

// The controls as a device's records hold them now. Codes outside a
// control's range read as the nearest end.
EqBandEdit BandControls(const DeviceModel& d, int bandIndex);  // from EditorValues
GateControls GateControlsOf(const DeviceModel& d, int input);
CompressorControls CompressorControlsOf(const DeviceModel& d, int output);
LimiterControls LimiterControlsOf(const DeviceModel& d, int output);
MaskingControls MaskingControlsOf(const DeviceModel& d);
DynamicFilterControls DynamicFilterControlsOf(const DeviceModel& d, int output);

}  // namespace zef
