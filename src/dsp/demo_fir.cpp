#include "dsp/demo_fir.h"

#include <cmath>
#include <numbers>

namespace zef::dsp {
namespace {

constexpr double kRate = 48000.0;

// sin(2 pi f n / rate) / (pi n), the ideal low-pass of cut-off f at offset n.
double Sinc(double f, double n) {
    if (n == 0.0) return 2.0 * f / kRate;
    return std::sin(2.0 * std::numbers::pi * f * n / kRate) / (std::numbers::pi * n);
}

}  // namespace

std::vector<double> BandPassFir(int taps, double lowHz, double highHz) {
    std::vector<double> h(static_cast<std::size_t>(std::max(taps, 1)), 0.0);
    const double middle = (static_cast<double>(h.size()) - 1.0) / 2.0;
    const double last = std::max(1.0, static_cast<double>(h.size()) - 1.0);
    for (std::size_t i = 0; i < h.size(); ++i) {
        const double n = static_cast<double>(i) - middle;
        const double t = 2.0 * std::numbers::pi * static_cast<double>(i) / last;
        const double window = 0.42 - 0.5 * std::cos(t) + 0.08 * std::cos(2.0 * t);
        h[i] = (Sinc(highHz, n) - Sinc(lowHz, n)) * window;
    }
    return h;
}

}  // namespace zef::dsp
