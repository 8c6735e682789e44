#include "app/wizard_settings.h"

#include <algorithm>
#include <cmath>

#include "base/c_number.h"
#include "measure/fir_design.h"

namespace zef::wizard {
namespace {

int Clamp(long v, int low, int high) { return static_cast<int>(std::clamp<long>(v, low, high)); }

}  // namespace

double WindowLengthMs(int step) { return Clamp(step, 0, kWindowSteps) * 0.1 + measure::kMinWindowMs; }

std::string WindowLengthText(int step) { return CFixed(WindowLengthMs(step), 1) + " ms"; }

int MinFrequencyFloor(int step) {
    // 1000 / 2.3 = 434.78...: the floor is the next whole Hz. The small
    // allowance keeps exact quotients (500, 200) from rounding up.
    return static_cast<int>(std::ceil(1000.0 / WindowLengthMs(step) - 1e-9));
}

int ClampMinFrequency(long value, int step) {
    return Clamp(value, MinFrequencyFloor(step), static_cast<int>(measure::kMaxMinFrequencyHz));
}

int ClampMaxFrequency(long value) {
    return Clamp(value, static_cast<int>(measure::kMinMaxFrequencyHz),
                 static_cast<int>(measure::kMaxMaxFrequencyHz));
}

bool FrequencyBoxAccepts(char32_t key) { return (key >= U'0' && key <= U'9') || key == 8 || key == 13; }

std::int16_t SmoothingWord(const DesignSettings& s) {
    return static_cast<std::int16_t>(((s.smoothingType & 0xF) << 8) | ((s.smoothingWidth & 0xF) << 4) |
                                     (s.smoothingThreshold & 0xF));
}

void SetSmoothingWord(DesignSettings& s, std::int16_t word) {
    const int w = static_cast<std::uint16_t>(word);
    s.smoothingType = static_cast<std::int16_t>(std::min((w >> 8) & 0xF, kSmoothingTypes - 1));
    s.smoothingWidth = static_cast<std::int16_t>(std::min((w >> 4) & 0xF, kSmoothingWidths - 1));
    s.smoothingThreshold = static_cast<std::int16_t>(std::min(w & 0xF, kMaxSmoothingThreshold));
}

DesignSettings Normalised(const DesignSettings& s) {
    DesignSettings n = s;
    n.windowStep = static_cast<std::int16_t>(Clamp(s.windowStep, 0, kWindowSteps));
    n.minFrequency = static_cast<std::int16_t>(ClampMinFrequency(s.minFrequency, n.windowStep));
    n.maxFrequency = static_cast<std::int16_t>(ClampMaxFrequency(s.maxFrequency));
    n.smoothingType = static_cast<std::int16_t>(Clamp(s.smoothingType, 0, kSmoothingTypes - 1));
    n.smoothingWidth = static_cast<std::int16_t>(Clamp(s.smoothingWidth, 0, kSmoothingWidths - 1));
    n.smoothingThreshold = static_cast<std::int16_t>(Clamp(s.smoothingThreshold, 0, kMaxSmoothingThreshold));
    n.precision = static_cast<std::int16_t>(Clamp(s.precision, kMinPrecision, kMaxPrecision));
    n.latencyMs = std::isfinite(s.latencyMs)
                      ? std::clamp(s.latencyMs, measure::kMinLatencyMs, measure::kMaxLatencyMs)
                      : measure::kDefaultLatencyMs;
    n.firMode = static_cast<std::int16_t>(Clamp(s.firMode, 0, 1));
    n.tapChoice = 1;
    return n;
}

const char* SmoothingTypeText(int type) {
    static const char* const kTexts[] = {"Disabled", "Magnitude", "Magn. & Phase"};
    return kTexts[Clamp(type, 0, kSmoothingTypes - 1)];
}

const char* SmoothingWidthText(int index) {
    static const char* const kTexts[] = {"1/6 Oct", "1/5 Oct", "1/4 Oct", "1/3 Oct", "1/2 Oct"};
    return kTexts[Clamp(index, 0, kSmoothingWidths - 1)];
}

const char* FirModeText(int mode) { return mode == 0 ? "Phase Only" : "Magn + Phase"; }

std::string ThresholdText(int db) { return std::to_string(db) + " dB"; }

std::string LatencyText(double ms) { return CFixed(ms, 1) + " ms"; }

std::string RoomDecayText(int seconds) { return std::to_string(seconds) + " sec."; }

double StepLatency(double latencyMs, int steps) {
    const double tenths = std::round(latencyMs / kLatencyStepMs) + steps;
    return std::clamp(tenths * kLatencyStepMs, measure::kMinLatencyMs, measure::kMaxLatencyMs);
}

FirDesignInputs DesignInputs(const DesignSettings& settings) {
    const DesignSettings s = Normalised(settings);
    FirDesignInputs in;
    in.smoothingThreshold = s.smoothingThreshold;
    in.smoothingWidth = s.smoothingWidth;
    in.smoothingType = s.smoothingType;
    in.maxFrequency = s.maxFrequency;
    in.minFrequency = s.minFrequency;
    in.precision = s.precision;
    in.windowMs = WindowLengthMs(s.windowStep);
    return in;
}

}  // namespace zef::wizard
