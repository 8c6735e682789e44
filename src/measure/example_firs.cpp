#include "measure/example_firs.h"

#include <cmath>
#include <numbers>

namespace zef::measure {

std::vector<double> UnitImpulse(std::size_t taps) {
    std::vector<double> h(taps, 0.0);
    if (!h.empty()) h[0] = 1.0;
    return h;
}

std::vector<double> GentleLowPass(std::size_t taps, double cutoffHz) {
    if (taps % 2 == 0 && taps > 0) --taps;
    std::vector<double> h(taps, 0.0);
    if (taps == 0) return h;
    const double fc = cutoffHz / kExampleFirSampleRate;  // cycles per sample
    const double centre = static_cast<double>(taps - 1) / 2.0;
    const double pi = std::numbers::pi;
    // The first half and the centre, mirrored: exactly symmetric, so exactly linear phase.
    for (std::size_t n = 0; n <= taps / 2; ++n) {
        const double x = static_cast<double>(n) - centre;
        const double sinc = x == 0.0 ? 2.0 * fc : std::sin(2.0 * pi * fc * x) / (pi * x);
        const double phase = taps == 1 ? 0.0 : 2.0 * pi * static_cast<double>(n) / static_cast<double>(taps - 1);
        const double window = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
        h[n] = h[taps - 1 - n] = sinc * window;
    }
    double sum = 0.0;
    for (double v : h) sum += v;
    for (double& v : h) v /= sum;  // unity gain at DC
    return h;
}

std::vector<double> LinkwitzRileySumImpulse(std::size_t length, double crossoverHz) {
    // Second-order allpass, bilinear with the corner pre-warped:
    // H(z) = (b0 + b1 z^-1 + b2 z^-2) / (a0 + a1 z^-1 + a2 z^-2).
    const double w0 = 2.0 * std::numbers::pi * crossoverHz / kExampleFirSampleRate;
    const double alpha = std::sin(w0) / (2.0 * (1.0 / std::numbers::sqrt2));
    const double a0 = 1.0 + alpha;
    const double b0 = (1.0 - alpha) / a0, b1 = -2.0 * std::cos(w0) / a0, b2 = 1.0;
    const double a1 = b1, a2 = b0;
    std::vector<double> h(length, 0.0);
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (std::size_t n = 0; n < length; ++n) {
        const double x = n == 0 ? 1.0 : 0.0;
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        h[n] = y;
    }
    return h;
}

std::vector<double> AllpassCorrector(std::size_t taps, double crossoverHz) {
    const std::vector<double> h = LinkwitzRileySumImpulse(taps, crossoverHz);
    return std::vector<double>(h.rbegin(), h.rend());
}

std::vector<ExampleFir> ExampleFirs() {
    return {
        {"Unit impulse.txt", UnitImpulse(384)},
        {"Low-pass 12k.txt", GentleLowPass(63, 12000.0)},
        {"LR4 AP corr 1k.txt", AllpassCorrector(384, 1000.0)},
    };
}

}  // namespace zef::measure
