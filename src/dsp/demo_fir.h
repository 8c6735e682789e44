#pragma once
// A linear-phase band-pass FIR for demonstrations, screenshots and
// benchmarks: a windowed sinc (Blackman window) of `taps` coefficients at
// 48 kHz between `lowHz` and `highHz`, symmetric around its middle tap, with
// unity gain in the pass band.

#include <vector>

namespace zef::dsp {

std::vector<double> BandPassFir(int taps, double lowHz, double highHz);

}  // namespace zef::dsp
