#pragma once
// The FIR wizard's design settings, their ranges and encodings, and the
// small rules the design page applies to them (window length, frequency
// limits, the smoothing word, the digits-only entry boxes). Pure; the design
// page shows what these compute.

#include <cstdint>
#include <string>

#include "measure/fir_designer.h"

namespace zef::wizard {

inline constexpr int kWindowSteps = 30;     // step 0..30: 2.0 .. 5.0 ms
inline constexpr int kSmoothingTypes = 3;   // 0 "Disabled", 1, 2
inline constexpr int kSmoothingWidths = 5;  // 1/6 .. 1/2 octave
inline constexpr int kMaxSmoothingThreshold = 10;
inline constexpr int kMinPrecision = 1;
inline constexpr int kMaxPrecision = 10;
inline constexpr double kLatencyStepMs = 0.1;
inline constexpr int kMinRoomDecaySeconds = 1;
inline constexpr int kMaxRoomDecaySeconds = 10;
inline constexpr int kWizardTaps = 384;  // the designer's one length; tap-count choice 1

struct DesignSettings {
    std::int16_t windowStep = 10;  // 3.0 ms
    std::int16_t minFrequency = 400;
    std::int16_t maxFrequency = 16000;
    std::int16_t smoothingType = 1;
    std::int16_t smoothingWidth = 3;  // 1/3 octave
    std::int16_t smoothingThreshold = 6;
    std::int16_t precision = 5;
    double latencyMs = 3.0;
    std::int16_t firMode = 1;  // 0 "Phase Only", 1 "Magn + Phase"
    std::int16_t tapChoice = 1;
    bool operator==(const DesignSettings&) const = default;
};

// Window length of a step: step x 0.1 + 2.0 ms; steps beyond 0..30 are clamped.
double WindowLengthMs(int step);
// "2.0 ms" .. "5.0 ms".
std::string WindowLengthText(int step);
// The lowest minimum frequency a window allows: 1000 / window length (ms),
// rounded up to a whole Hz (500 for 2.0 ms, 200 for 5.0 ms).
int MinFrequencyFloor(int step);

// An entered minimum frequency set to the nearest bound of
// MinFrequencyFloor(step) .. 4000 Hz.
int ClampMinFrequency(long value, int step);
// An entered maximum frequency set to the nearest bound of 5000 .. 20000 Hz.
int ClampMaxFrequency(long value);

// The entry boxes of the two frequencies accept only digits, Backspace (8)
// and Enter (13).
bool FrequencyBoxAccepts(char32_t key);

// The smoothing word: type in bits 8..11, width in bits 4..7, threshold in
// bits 0..3.
std::int16_t SmoothingWord(const DesignSettings& s);
// Splits a word into the three fields of `s` (each clamped to its range).
void SetSmoothingWord(DesignSettings& s, std::int16_t word);

// Every field clamped into its range, the minimum frequency raised to the
// window's floor.
DesignSettings Normalised(const DesignSettings& s);

// Texts of the controls.
const char* SmoothingTypeText(int type);    // "Disabled", "Magnitude", "Magn. & Phase"
const char* SmoothingWidthText(int index);  // "1/6 Oct" .. "1/2 Oct"
const char* FirModeText(int mode);          // "Phase Only", "Magn + Phase"
std::string ThresholdText(int db);          // "6 dB"
std::string LatencyText(double ms);         // "3.0 ms"
std::string RoomDecayText(int seconds);     // "2 sec."

// Latency after `steps` presses of its up/down control (0.1 ms each),
// held within the designer's limits and on whole 0.1 ms.
double StepLatency(double latencyMs, int steps);

// The designer's inputs for these settings.
FirDesignInputs DesignInputs(const DesignSettings& s);

}  // namespace zef::wizard
