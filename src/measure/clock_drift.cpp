#include "measure/clock_drift.h"

#include <cmath>
#include <vector>

namespace zef::measure {
namespace {

// Stretches of the sweep, as fractions of its length, and their length: far
// enough apart to see a few ppm, inside the sweep's fades.
constexpr double kEarly = 0.45;
constexpr double kLate = 0.68;
constexpr std::size_t kStretch = 8192;
// Estimates at the rate found so far (see EstimateClockDriftPpm).
constexpr int kPasses = 4;
// Lags searched around the expected place: 500 ppm over a 60 s sweep is 1440
// samples; a stretch of the usual 5 s sweep moves at most 120.
constexpr long kMaxLag = 1536;
// The normalised correlation at the peak: 1 for a clean copy of the sweep.
constexpr double kMinCorrelation = 0.5;

// Where `part` of the sweep lies in `recording`, nearest `expected`, to a
// fraction of a sample (a parabola through the peak and its neighbours).
std::optional<double> Locate(std::span<const float> recording, std::span<const double> part, long expected) {
    const long first = expected - kMaxLag;
    const long last = expected + kMaxLag;
    if (first < 0 || last + static_cast<long>(part.size()) > static_cast<long>(recording.size())) return std::nullopt;
    std::vector<double> c(static_cast<std::size_t>(last - first + 1));
    for (long lag = first; lag <= last; ++lag) {
        double sum = 0;
        const float* r = recording.data() + lag;
        for (std::size_t i = 0; i < part.size(); ++i) sum += part[i] * r[i];
        c[static_cast<std::size_t>(lag - first)] = sum;
    }
    std::size_t best = 1;
    for (std::size_t i = 1; i + 1 < c.size(); ++i)
        if (c[i] > c[best]) best = i;
    double partEnergy = 0, recordedEnergy = 0;
    const float* r = recording.data() + first + static_cast<long>(best);
    for (std::size_t i = 0; i < part.size(); ++i) {
        partEnergy += part[i] * part[i];
        recordedEnergy += static_cast<double>(r[i]) * r[i];
    }
    if (!(c[best] > kMinCorrelation * std::sqrt(partEnergy * recordedEnergy))) return std::nullopt;
    const double a = c[best - 1], b = c[best], d = c[best + 1];
    const double denominator = a - 2 * b + d;
    const double offset = denominator != 0 ? 0.5 * (a - d) / denominator : 0.0;
    return static_cast<double>(first) + static_cast<double>(best) + offset;
}

// `length` samples of the sweep from `start` as an input clock `rate` times
// the output's records them (cubic interpolation).
std::vector<double> Stretched(std::span<const double> sweep, std::size_t start, std::size_t length, double rate) {
    std::vector<double> part(length);
    for (std::size_t n = 0; n < length; ++n) {
        const double t = static_cast<double>(start) + static_cast<double>(n) / rate;
        const auto i = static_cast<std::size_t>(t);
        if (i < 1 || i + 2 >= sweep.size()) continue;
        const double f = t - static_cast<double>(i);
        const double p0 = sweep[i - 1], p1 = sweep[i], p2 = sweep[i + 1], p3 = sweep[i + 2];
        part[n] = p1 + 0.5 * f * (p2 - p0 + f * (2 * p0 - 5 * p1 + 4 * p2 - p3 + f * (3 * (p1 - p2) + p3 - p0)));
    }
    return part;
}

}  // namespace

std::optional<double> EstimateClockDriftPpm(std::span<const float> reference, std::span<const double> sweep,
                                            std::size_t sweepStart) {
    const auto at = [&](double fraction) { return static_cast<std::size_t>(fraction * static_cast<double>(sweep.size())); };
    const std::size_t early = at(kEarly), late = at(kLate);
    if (late + 2 * kStretch > sweep.size()) return std::nullopt;
    // A stretch of the sweep correlates best with a shifted copy of itself
    // (an exponential sweep turns a change of rate into a shift of time), and
    // at a few hundred ppm that shift can land the late stretch's peak on a
    // neighbouring cycle. So the stretches are made at the rate estimated so
    // far, and what is left of the drift is estimated again.
    double drift = 0;
    for (int pass = 0; pass < kPasses; ++pass) {
        const double rate = 1.0 + drift;
        const auto e = Locate(reference, Stretched(sweep, early, kStretch, rate),
                              static_cast<long>(std::lround(static_cast<double>(sweepStart) + early * rate)));
        const auto l = Locate(reference, Stretched(sweep, late, kStretch, rate),
                              static_cast<long>(std::lround(static_cast<double>(sweepStart) + late * rate)));
        if (!e || !l) return std::nullopt;
        // The late stretch arrives (late - early) x rate samples after the early one.
        const double measured = (*l - *e) / static_cast<double>(late - early);
        const double residual = measured / rate - 1.0;
        drift = (1.0 + drift) * (1.0 + residual) - 1.0;
        if (std::fabs(residual) < 1e-7) break;
    }
    return drift * 1e6;
}

}  // namespace zef::measure
