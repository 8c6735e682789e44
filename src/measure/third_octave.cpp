#include "measure/third_octave.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace zef::measure {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// The octave ratio of the base-10 system.
const double kG = std::pow(10.0, 0.3);

// Class 1 limits at the octave-band breakpoints G^x, x >= 0 (symmetric in x):
// x, minimum and maximum relative attenuation. The row at x = 1/2 is the band
// edge, where the minimum jumps from -0.4 to +1.2 dB.
struct Breakpoint {
    double x;
    double minDb;
    double maxDb;
};
constexpr Breakpoint kPassBand[] = {
    {0.0, -0.4, 0.4}, {0.125, -0.4, 0.5}, {0.25, -0.4, 0.7}, {0.375, -0.4, 1.4}, {0.5, -0.4, 5.3}};
constexpr Breakpoint kStopBand[] = {{0.5, 1.2, kInfinity},
                                    {1.0, 16.6, kInfinity},
                                    {2.0, 40.5, kInfinity},
                                    {3.0, 60.0, kInfinity},
                                    {4.0, 70.0, kInfinity}};

// The third-octave frequency ratio of the octave breakpoint G^x.
double ScaledRatio(double x) {
    const double octave = std::pow(kG, x);
    return 1.0 + (std::pow(kG, 1.0 / 6.0) - 1.0) / (std::pow(kG, 0.5) - 1.0) * (octave - 1.0);
}

template <std::size_t N>
MaskLimits Interpolate(const Breakpoint (&table)[N], double omega) {
    for (std::size_t i = 0; i + 1 < N; ++i) {
        const double lo = ScaledRatio(table[i].x);
        const double hi = ScaledRatio(table[i + 1].x);
        if (omega <= hi) {
            const double t = std::clamp(std::log(omega / lo) / std::log(hi / lo), 0.0, 1.0);
            const double maxDb = std::isinf(table[i].maxDb) || std::isinf(table[i + 1].maxDb)
                                     ? kInfinity
                                     : table[i].maxDb + t * (table[i + 1].maxDb - table[i].maxDb);
            return {table[i].minDb + t * (table[i + 1].minDb - table[i].minDb), maxDb};
        }
    }
    return {table[N - 1].minDb, table[N - 1].maxDb};
}

std::complex<double> BilinearPole(std::complex<double> s, double sampleRate) {
    const std::complex<double> u = s / (2.0 * sampleRate);
    return (1.0 + u) / (1.0 - u);
}

double BesselI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < sum * 1e-17) break;
    }
    return sum;
}

}  // namespace

double BandCentreHz(std::size_t band) {
    return 1000.0 * std::pow(10.0, (static_cast<double>(band) - 16.0) / 10.0);
}

MaskLimits ThirdOctaveClass1Limits(double omega) {
    const double r = omega >= 1.0 ? omega : 1.0 / omega;
    if (r < ScaledRatio(0.5)) return Interpolate(kPassBand, r);
    return Interpolate(kStopBand, r);
}

std::complex<double> Response(const Biquad& s, double hz, double sampleRate) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / sampleRate);
    return (s.b0 + z1 * (s.b1 + z1 * s.b2)) / (1.0 + z1 * (s.a1 + z1 * s.a2));
}

std::complex<double> Response(const BandPass& f, double hz, double sampleRate) {
    std::complex<double> h = 1.0;
    for (std::size_t i = 0; i < f.count; ++i) h *= Response(f.sections[i], hz, sampleRate);
    return h;
}

std::complex<double> FirResponse(const std::vector<double>& taps, double hz, double sampleRate) {
    std::complex<double> h = 0.0;
    for (std::size_t n = 0; n < taps.size(); ++n)
        h += taps[n] * std::polar(1.0, -2.0 * kPi * hz * static_cast<double>(n) / sampleRate);
    return h;
}

BandPass DesignBandPass(double centreHz, double sampleRate, std::size_t sections) {
    sections = std::clamp<std::size_t>(sections, 1, kMaxBandSections);
    const double edge = std::pow(10.0, 0.05);
    const double wl = 2.0 * sampleRate * std::tan(kPi * centreHz / edge / sampleRate);
    const double wu = 2.0 * sampleRate * std::tan(kPi * centreHz * edge / sampleRate);
    const double w0squared = wl * wu;
    const double bandwidth = wu - wl;

    // Butterworth low-pass poles p_k = exp(i pi (2k + N - 1) / 2N); each maps
    // to the two band-pass poles solving s^2 - p B s + w0^2 = 0. Taking the
    // poles with positive imaginary part gives one of each conjugate pair.
    const std::size_t order = sections;
    BandPass f;
    for (std::size_t k = 1; k <= order; ++k) {
        const std::complex<double> p =
            std::polar(1.0, kPi * static_cast<double>(2 * k + order - 1) / (2.0 * order));
        const std::complex<double> root = std::sqrt(p * p * bandwidth * bandwidth - 4.0 * w0squared);
        for (const std::complex<double> s : {(p * bandwidth + root) / 2.0, (p * bandwidth - root) / 2.0}) {
            if (s.imag() <= 0.0 || f.count == sections) continue;
            const std::complex<double> z = BilinearPole(s, sampleRate);
            // Zeros at z = 1 and z = -1 (s = 0 and s = infinity).
            Biquad b{1.0, 0.0, -1.0, -2.0 * z.real(), std::norm(z)};
            const double g = 1.0 / std::abs(Response(b, centreHz, sampleRate));
            b.b0 *= g;
            b.b2 *= g;
            f.sections[f.count++] = b;
        }
    }
    return f;
}

std::vector<double> DesignHalfBand() {
    // Kaiser-windowed sinc; the window's beta and the length were chosen for
    // 90 dB over a transition from 0.121 to 0.379 of the sample rate.
    constexpr int kHalfLength = 13;
    constexpr double kBeta = 9.0;
    std::vector<double> taps(2 * kHalfLength + 1, 0.0);
    const double norm = BesselI0(kBeta);
    for (int n = -kHalfLength; n <= kHalfLength; ++n) {
        double h = 0.5;
        if (n != 0) h = n % 2 == 0 ? 0.0 : std::sin(kPi * n / 2.0) / (kPi * n);
        const double r = static_cast<double>(n) / kHalfLength;
        taps[static_cast<std::size_t>(n + kHalfLength)] = h * BesselI0(kBeta * std::sqrt(1.0 - r * r)) / norm;
    }
    // Unity gain at DC.
    double sum = 0.0;
    for (double t : taps) sum += t;
    for (double& t : taps) t /= sum;
    return taps;
}

}  // namespace zef::measure
