#pragma once
// The FIR designer's settings the design tests and benchmarks start from: a
// 5 ms window, 200 Hz to 20 kHz, smoothing type 1 of width 0 with threshold
// 10, and the given mode, latency and precision.

#include "measure/fir_design.h"

namespace zef::test {

inline measure::FirDesignSettings UsualDesignSettings(int mode, double latencyMs = 3.0, int precision = 10) {
    measure::FirDesignSettings s;
    s.mode = mode;
    s.inputs.windowMs = 5;
    s.inputs.minFrequency = 200;
    s.inputs.maxFrequency = 20000;
    s.inputs.smoothingType = 1;
    s.inputs.smoothingWidth = 0;
    s.inputs.smoothingThreshold = 10;
    s.inputs.precision = precision;
    s.latencyMs = latencyMs;
    return s;
}

}  // namespace zef::test
