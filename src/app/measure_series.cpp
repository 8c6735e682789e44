#include "app/measure_series.h"

#include <algorithm>
#include <cstdio>

#include "app/texts.h"
#include "measure/band_levels.h"
#include "measure/calibration.h"
#include "measure/measurement_exports.h"
#include "measure/sweep.h"
#include "measure/sweep_analysis.h"

namespace zef::wizard {

void MeasureSeries::Begin(int positions, int sweeps) {
    positionCount_ = std::clamp(positions, 1, kMaxPositions);
    sweepCount_ = std::clamp(sweeps, 1, kMaxSweeps);
    sweeps_.clear();
    positions_.clear();
}

MeasureSeries::Next MeasureSeries::Take(std::vector<double> response) {
    sweeps_.push_back(std::move(response));
    if (static_cast<int>(sweeps_.size()) < sweepCount_) return Next::Sweep;
    positions_.push_back(measure::AverageResponses(sweeps_));
    sweeps_.clear();
    return static_cast<int>(positions_.size()) < positionCount_ ? Next::Move : Next::Done;
}

BandSpectrum MeasureSeries::Spread() const {
    std::vector<BandSpectrum> levels;
    for (const std::vector<double>& r : positions_)
        levels.push_back(measure::BandAveragesDb(
            measure::ResponseCurve(r, measure::kPreDelaySamples, measure::kSweepSampleRate)));
    return measure::Spread(levels);
}

std::string MeasureSeries::ProgressText() const {
    const std::string sweeps =
        std::to_string(std::min(sweep(), sweepCount_)) + " of " + std::to_string(sweepCount_);
    if (positionCount_ == 1) return sweepCount_ == 1 ? "" : "Sweep " + sweeps;
    const std::string text = "Position " + std::to_string(std::min(position(), positionCount_)) + " of " +
                             std::to_string(positionCount_);
    return sweepCount_ == 1 ? text : text + ", sweep " + sweeps;
}

std::string MeasureSeries::AwaitingMoveText() const {
    char text[96];
    std::snprintf(text, sizeof text, kAwaitingMoveFormat, static_cast<int>(positions_.size()) + 1, positionCount_);
    return text;
}

std::string MeasureSeries::MoveText() const {
    const int done = static_cast<int>(positions_.size());
    char text[256];
    std::snprintf(text, sizeof text, kMovePositionFormat, done, positionCount_, done + 1);
    return text;
}

}  // namespace zef::wizard
