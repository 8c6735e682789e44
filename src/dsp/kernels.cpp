#include "dsp/kernels.h"

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <cstring>
#include <limits>

// GCC/Clang vector extensions: the same source runs 4 doubles wide where the
// processor has AVX2 and 2 wide (SSE2, NEON) elsewhere. Vector types appear
// only as locals of one always-inlined body, never in a signature, so the
// two instantiations cannot disagree about how vectors are passed.

namespace zef::dsp::detail {

namespace {

template <int W>
struct Lanes {
    typedef double D __attribute__((vector_size(8 * W)));
    typedef std::int64_t I __attribute__((vector_size(8 * W)));
    typedef std::uint64_t U __attribute__((vector_size(8 * W)));
};

// ln 2 as the nearest double plus the remainder.
constexpr double kLn2High = 0.693147180559945286226764;
constexpr double kLn2Low = 2.319046813846299558e-17;
constexpr double kTenOverLn10 = 4.342944819032518276511289;
constexpr double kSqrt2 = 1.4142135623730951;

template <int W>
inline __attribute__((always_inline)) KernelResult Kernel(const SectionTerms& t, const double* hz,
                                                          const double* phi, double* out, std::size_t n) {
    using D = typename Lanes<W>::D;
    using I = typename Lanes<W>::I;
    using U = typename Lanes<W>::U;
    const D zero = D{} + 0.0;
    const D one = zero + 1.0;
    const D nan = zero + std::numeric_limits<double>::quiet_NaN();
    const U absMask = (U{} + 0u) | 0x7FFFFFFFFFFFFFFFull;
    I undecided{};

    std::size_t k = 0;
    for (; k + W <= n; k += W) {
        D f;
        D p;
        std::memcpy(&f, hz + k, sizeof f);
        std::memcpy(&p, phi + k, sizeof p);

        const D nPhi = p * (t.numQuad * (1 - p) + t.numLin);
        const D dPhi = p * (t.denQuad * (1 - p) + t.denLin);
        const D num = t.numSquare - nPhi;
        const D den = t.denSquare - dPhi;
        const D nTol = kZeroTermNoise * (t.numSquare + (D)((U)nPhi & absMask));
        const D dTol = kZeroTermNoise * (t.denSquare + (D)((U)dPhi & absMask));
        D r = num / den;
        const I ok = (num > nTol) & (den > dTol) & (num <= DBL_MAX) & (den <= DBL_MAX) & (r >= DBL_MIN) &
                     (r <= DBL_MAX);
        r = ok ? r : one;

        // ln r = e ln 2 + ln m with m in [sqrt(1/2), sqrt(2)); ln m by the
        // atanh series in s = (m - 1)/(m + 1), |s| < 0.172, to 1e-16.
        const U bits = (U)r;
        D m = (D)((bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);
        D e = (D)((bits >> 52) | 0x4330000000000000ull) - (4503599627370496.0 + 1023.0);
        const I high = m > kSqrt2;
        m = high ? m * 0.5 : m;
        e = high ? e + 1.0 : e;
        const D s = (m - 1.0) / (m + 1.0);
        const D z = s * s;
        D poly = one * (1.0 / 15);
        poly = poly * z + 1.0 / 13;
        poly = poly * z + 1.0 / 11;
        poly = poly * z + 1.0 / 9;
        poly = poly * z + 1.0 / 7;
        poly = poly * z + 1.0 / 5;
        poly = poly * z + 1.0 / 3;
        const D lnM = 2.0 * s + 2.0 * s * (z * poly);
        const D db = (e * kLn2High + (e * kLn2Low + lnM)) * kTenOverLn10;

        const I atOrBelowZero = f <= 0.0;
        undecided |= ~ok & ~atOrBelowZero;
        const D value = atOrBelowZero ? zero : (ok ? db : nan);
        std::memcpy(out + k, &value, sizeof value);
    }
    bool any = false;
    for (int i = 0; i < W; ++i) any = any || undecided[i] != 0;
    return {k, any};
}

// A cache-sized stretch of points at a time, so that the partial sum stays in L1.
template <int W>
inline __attribute__((always_inline)) void Sum(const double* const* sources, int count, double* out,
                                               std::size_t n) {
    using D = typename Lanes<W>::D;
    constexpr std::size_t kStretch = 512;
    if (count == 0) {
        std::fill(out, out + n, 0.0);
        return;
    }
    for (std::size_t begin = 0; begin < n; begin += kStretch) {
        const std::size_t end = std::min(n, begin + kStretch);
        if (out != sources[0]) std::copy(sources[0] + begin, sources[0] + end, out + begin);
        for (int c = 1; c < count; ++c) {
            const double* src = sources[c];
            std::size_t k = begin;
            for (; k + W <= end; k += W) {
                D a;
                D b;
                std::memcpy(&a, out + k, sizeof a);
                std::memcpy(&b, src + k, sizeof b);
                a += b;
                std::memcpy(out + k, &a, sizeof a);
            }
            for (; k < end; ++k) out[k] += src[k];
        }
    }
}

KernelResult KernelGeneric(const SectionTerms& t, const double* hz, const double* phi, double* out,
                           std::size_t n) {
    return Kernel<2>(t, hz, phi, out, n);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) KernelResult KernelAvx2(const SectionTerms& t, const double* hz,
                                                        const double* phi, double* out, std::size_t n) {
    return Kernel<4>(t, hz, phi, out, n);
}

__attribute__((target("avx2"))) void SumAvx2(const double* const* sources, int count, double* out,
                                             std::size_t n) {
    Sum<4>(sources, count, out, n);
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

void SumGeneric(const double* const* sources, int count, double* out, std::size_t n) {
    Sum<2>(sources, count, out, n);
}

}  // namespace

KernelResult SectionKernel(const SectionTerms& terms, const double* hz, const double* phi, double* out,
                           std::size_t n) {
#if defined(__x86_64__) || defined(__i386__)
    if (HasAvx2()) return KernelAvx2(terms, hz, phi, out, n);
#endif
    return KernelGeneric(terms, hz, phi, out, n);
}

void SumCurves(const double* const* sources, int count, double* out, std::size_t n) {
#if defined(__x86_64__) || defined(__i386__)
    if (HasAvx2()) return SumAvx2(sources, count, out, n);
#endif
    SumGeneric(sources, count, out, n);
}

}  // namespace zef::dsp::detail
