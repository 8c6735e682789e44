#include "dsp/grid.h"

#include "base/check.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "dsp/response_calculator.h"

namespace zef::dsp {

FrequencyGrid FrequencyGrid::Nominal() {
    FrequencyGrid grid;
    for (std::size_t k = 0; k < kGridPoints; ++k) {
        grid.hz[k] = static_cast<float>(static_cast<double>(k) * kGridStepHz);
    }
    return grid;
}

double SinSquaredTerm(double frequencyHz) {
    const double s = std::sin(std::numbers::pi * frequencyHz / kSampleRate);
    return s * s;
}

GridTables::GridTables(const FrequencyGrid& grid) {
    for (std::size_t k = 0; k < kGridPoints; ++k) {
        hz[k] = grid[k];
        phi[k] = SinSquaredTerm(hz[k]);
    }
}

Status FillFrequencyGrid(ResponseCalculator& calculator, FrequencyGrid& grid) {
    std::vector<double> impulse(384, 0.0);
    impulse[0] = 1.0;
    if (calculator.compute(impulse, kTransformLength, kSampleRate) != kOk) return kFailed;
    const auto frequencies = calculator.frequencies();
    if (frequencies.size() < kGridPoints) return kFailed;

    FrequencyGrid filled;
    const FrequencyGrid nominal = FrequencyGrid::Nominal();
    for (std::size_t k = 0; k < kGridPoints; ++k) {
        filled.hz[k] = static_cast<float>(frequencies[k]);
    }
    const bool matches = filled == nominal;
    if (!ZEF_CHECK(matches && "response calculator frequencies are not k * 48000 / 16384")) return kFailed;
    grid = filled;
    return kOk;
}

}  // namespace zef::dsp
