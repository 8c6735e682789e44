#include "clock_drift.h"

#include <cmath>

namespace zefsim {
namespace {

double CatmullRom(const std::vector<double>& x, std::size_t i, double t) {
    const double p0 = x[i - 1], p1 = x[i], p2 = x[i + 1], p3 = x[i + 2];
    return p1 + 0.5 * t * (p2 - p0 + t * (2 * p0 - 5 * p1 + 4 * p2 - p3 + t * (3 * (p1 - p2) + p3 - p0)));
}

}  // namespace

void ClockDrift::reset() {
    a_.assign(1, 0.0);  // silence before the first frame
    b_.assign(1, 0.0);
    position_ = 1.0;
}

void ClockDrift::process(const double* a, const double* b, std::size_t frames, std::vector<double>& outA,
                         std::vector<double>& outB) {
    if (a_.empty()) reset();
    a_.insert(a_.end(), a, a + frames);
    b_.insert(b_.end(), b, b + frames);
    while (position_ + 2.0 < static_cast<double>(a_.size())) {
        const auto i = static_cast<std::size_t>(position_);
        const double t = position_ - static_cast<double>(i);
        outA.push_back(CatmullRom(a_, i, t));
        outB.push_back(CatmullRom(b_, i, t));
        position_ += step_;
    }
    // Keep the frame before the position and everything after it.
    const std::size_t drop = static_cast<std::size_t>(position_) - 1;
    a_.erase(a_.begin(), a_.begin() + static_cast<std::ptrdiff_t>(drop));
    b_.erase(b_.begin(), b_.begin() + static_cast<std::ptrdiff_t>(drop));
    position_ -= static_cast<double>(drop);
}

}  // namespace zefsim
