#include "loudspeaker_ir.h"

#include <cmath>
#include <numbers>

namespace zef::test {

namespace {

constexpr double kRate = 48000;
constexpr double kPi = std::numbers::pi;

// y = (b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2), a0 normalised to 1.
struct Section {
    double b0, b1, b2, a1, a2;

    void Apply(std::vector<double>& signal) const {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double& v : signal) {
            const double y = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = v;
            y2 = y1;
            y1 = y;
            v = y;
        }
    }
};

Section Pass(bool lowPass, double hz, double q) {
    const double w = 2 * kPi * hz / kRate;
    const double alpha = std::sin(w) / (2 * q);
    const double cs = std::cos(w);
    const double a0 = 1 + alpha;
    if (lowPass) return {(1 - cs) / 2 / a0, (1 - cs) / a0, (1 - cs) / 2 / a0, -2 * cs / a0, (1 - alpha) / a0};
    return {(1 + cs) / 2 / a0, -(1 + cs) / a0, (1 + cs) / 2 / a0, -2 * cs / a0, (1 - alpha) / a0};
}

Section Peak(double hz, double q, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40);
    const double w = 2 * kPi * hz / kRate;
    const double alpha = std::sin(w) / (2 * q);
    const double cs = std::cos(w);
    const double a0 = 1 + alpha / a;
    return {(1 + alpha * a) / a0, -2 * cs / a0, (1 - alpha * a) / a0, -2 * cs / a0, (1 - alpha / a) / a0};
}

}  // namespace

std::vector<double> TwoWayLoudspeakerIr(const LoudspeakerOptions& o) {
    const int arrival = static_cast<int>(std::lround(o.arrivalMs * kRate / 1000));
    std::vector<double> woofer(static_cast<std::size_t>(o.length), 0.0);
    woofer[static_cast<std::size_t>(arrival)] = o.gain;
    std::vector<double> tweeter = woofer;
    const double butterworth = 1 / std::sqrt(2.0);
    Pass(false, 45, butterworth).Apply(woofer);
    for (int i = 0; i < 2; ++i) {
        Pass(true, o.crossoverHz, butterworth).Apply(woofer);
        Pass(false, o.crossoverHz, butterworth).Apply(tweeter);
    }
    std::vector<double> sum(woofer.size());
    for (std::size_t i = 0; i < sum.size(); ++i) sum[i] = woofer[i] + tweeter[i];
    if (o.ripple) {
        Peak(700, 1.4, 3).Apply(sum);
        Peak(3500, 1.8, -3).Apply(sum);
        Peak(10000, 2.0, 3).Apply(sum);
    }
    return sum;
}

std::vector<double> PureDelayIr(int delay, double gain, int length) {
    std::vector<double> ir(static_cast<std::size_t>(length), 0.0);
    ir[static_cast<std::size_t>(delay)] = gain;
    return ir;
}

}  // namespace zef::test
