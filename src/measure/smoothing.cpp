#include "measure/smoothing.h"

#include "base/check.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zef::measure {

namespace {

template <typename T, typename Sum>
void Smooth(std::span<const T> in, double widthOctaves, std::span<T> out) {
    if (!ZEF_CHECK(in.size() == out.size())) return;
    const std::size_t n = in.size();
    if (n == 0) return;
    // prefix[i] = in[0] + ... + in[i-1], kept in extended precision so that the
    // difference of two large sums keeps the small window sums exact enough.
    std::vector<Sum> prefix(n + 1);
    for (std::size_t i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + static_cast<Sum>(in[i]);
    const double down = std::exp2(-widthOctaves / 2);
    const double up = std::exp2(widthOctaves / 2);
    out[0] = in[0];
    for (std::size_t k = 1; k < n; ++k) {
        const double kd = static_cast<double>(k);
        auto lo = static_cast<std::size_t>(std::ceil(kd * down - 1e-9));
        auto hi = static_cast<std::size_t>(std::floor(kd * up + 1e-9));
        lo = std::clamp<std::size_t>(lo, 1, k);
        hi = std::clamp<std::size_t>(hi, k, n - 1);
        const Sum sum = prefix[hi + 1] - prefix[lo];
        out[k] = static_cast<T>(sum / static_cast<Sum>(static_cast<double>(hi - lo + 1)));
    }
}

}  // namespace

void SmoothOctaveFraction(std::span<const double> in, double widthOctaves, std::span<double> out) {
    Smooth<double, long double>(in, widthOctaves, out);
}

void SmoothOctaveFraction(std::span<const std::complex<double>> in, double widthOctaves,
                          std::span<std::complex<double>> out) {
    Smooth<std::complex<double>, std::complex<long double>>(in, widthOctaves, out);
}

void LimitDips(std::span<double> power, std::span<const double> reference, double thresholdDb) {
    if (!ZEF_CHECK(power.size() == reference.size())) return;
    const double factor = std::pow(10.0, -thresholdDb / 10);
    for (std::size_t k = 0; k < power.size(); ++k) power[k] = std::max(power[k], reference[k] * factor);
}

}  // namespace zef::measure
