#pragma once
// The two kernels written once over a lane type, instantiated per instruction
// set (kernels.cpp: one double and SSE2; kernels_avx2.cpp: AVX2). A lane type
// V holds V::kWidth doubles and offers Broadcast, Load, Store, + - * /, the
// ordered comparisons < <= > >= giving a V::Mask (false where either side is
// NaN), Abs, Select(mask, a, b), SplitExponent and, on masks, & | ~ and Any.
//
// This header includes nothing beyond what kernels.h does, and a file that
// compiles it for a wider instruction set includes those headers first: the
// standard library's inline functions must never be compiled for an
// instruction set the processor may lack.

#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "dsp/kernels.h"

// x86 processors whose baseline includes SSE2 (every x86-64); the AVX2 path
// exists on every x86 build and is chosen only where the processor has it.
#if defined(__x86_64__) || defined(_M_X64) || (defined(__i386__) && defined(__SSE2__)) || \
    (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define ZEF_KERNELS_SSE2 1
#endif
#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define ZEF_KERNELS_AVX2 1
#endif

namespace zef::dsp::detail {

#ifdef ZEF_KERNELS_AVX2
// kernels_avx2.cpp; callable only where base::CpuHasAvx2().
KernelResult SectionKernelAvx2(const SectionTerms& t, const double* hz, const double* phi, double* out,
                               std::size_t n);
void SumCurvesAvx2(const double* const* sources, int count, double* out, std::size_t n);
#endif

namespace lanes {

// ln 2 as the nearest double plus the remainder.
inline constexpr double kLn2High = 0.693147180559945286226764;
inline constexpr double kLn2Low = 2.319046813846299558e-17;
inline constexpr double kTenOverLn10 = 4.342944819032518276511289;
inline constexpr double kSqrt2 = 1.4142135623730951;

// The bit patterns SplitExponent works with: the mantissa field, the exponent
// of 1.0, and 2^52 + 1023 whose low mantissa bits take the biased exponent.
inline constexpr std::uint64_t kMantissaBits = 0x000FFFFFFFFFFFFFull;
inline constexpr std::uint64_t kExponentOfOne = 0x3FF0000000000000ull;
inline constexpr std::uint64_t kExponentCarrier = 0x4330000000000000ull;
inline constexpr double kExponentCarrierValue = 4503599627370496.0 + 1023.0;

template <class V>
KernelResult SectionKernelLanes(const SectionTerms& t, const double* hz, const double* phi, double* out,
                                std::size_t n) {
    using Mask = typename V::Mask;
    const V zero = V::Broadcast(0.0);
    const V one = V::Broadcast(1.0);
    const V half = V::Broadcast(0.5);
    const V two = V::Broadcast(2.0);
    const V nan = V::Broadcast(std::numeric_limits<double>::quiet_NaN());
    const V largest = V::Broadcast(DBL_MAX);
    const V smallest = V::Broadcast(DBL_MIN);
    const V noise = V::Broadcast(kZeroTermNoise);
    const V numSquare = V::Broadcast(t.numSquare);
    const V numQuad = V::Broadcast(t.numQuad);
    const V numLin = V::Broadcast(t.numLin);
    const V denSquare = V::Broadcast(t.denSquare);
    const V denQuad = V::Broadcast(t.denQuad);
    const V denLin = V::Broadcast(t.denLin);
    Mask undecided = zero < zero;

    std::size_t k = 0;
    for (; k + V::kWidth <= n; k += V::kWidth) {
        const V f = V::Load(hz + k);
        const V p = V::Load(phi + k);

        const V nPhi = p * (numQuad * (one - p) + numLin);
        const V dPhi = p * (denQuad * (one - p) + denLin);
        const V num = numSquare - nPhi;
        const V den = denSquare - dPhi;
        const V nTol = noise * (numSquare + Abs(nPhi));
        const V dTol = noise * (denSquare + Abs(dPhi));
        V r = num / den;
        const Mask ok = (num > nTol) & (den > dTol) & (num <= largest) & (den <= largest) & (r >= smallest) &
                        (r <= largest);
        r = Select(ok, r, one);

        // ln r = e ln 2 + ln m with m in [sqrt(1/2), sqrt(2)); ln m by the
        // atanh series in s = (m - 1)/(m + 1), |s| < 0.172, to 1e-16.
        V m = zero;
        V e = zero;
        SplitExponent(r, m, e);
        const Mask high = m > V::Broadcast(kSqrt2);
        m = Select(high, m * half, m);
        e = Select(high, e + one, e);
        const V s = (m - one) / (m + one);
        const V z = s * s;
        V poly = V::Broadcast(1.0 / 15);
        poly = poly * z + V::Broadcast(1.0 / 13);
        poly = poly * z + V::Broadcast(1.0 / 11);
        poly = poly * z + V::Broadcast(1.0 / 9);
        poly = poly * z + V::Broadcast(1.0 / 7);
        poly = poly * z + V::Broadcast(1.0 / 5);
        poly = poly * z + V::Broadcast(1.0 / 3);
        const V lnM = two * s + two * s * (z * poly);
        const V db = (e * V::Broadcast(kLn2High) + (e * V::Broadcast(kLn2Low) + lnM)) * V::Broadcast(kTenOverLn10);

        const Mask atOrBelowZero = f <= zero;
        undecided = undecided | ~(ok | atOrBelowZero);
        Select(atOrBelowZero, zero, Select(ok, db, nan)).Store(out + k);
    }
    return {k, Any(undecided)};
}

// A cache-sized stretch of points at a time, so that the partial sum stays in
// L1. Plain loops rather than standard algorithms: see the top of this file.
template <class V>
void SumCurvesLanes(const double* const* sources, int count, double* out, std::size_t n) {
    constexpr std::size_t kStretch = 512;
    if (count == 0) {
        for (std::size_t k = 0; k < n; ++k) out[k] = 0.0;
        return;
    }
    for (std::size_t begin = 0; begin < n; begin += kStretch) {
        const std::size_t end = n - begin < kStretch ? n : begin + kStretch;
        if (out != sources[0]) {
            for (std::size_t k = begin; k < end; ++k) out[k] = sources[0][k];
        }
        for (int c = 1; c < count; ++c) {
            const double* src = sources[c];
            std::size_t k = begin;
            for (; k + V::kWidth <= end; k += V::kWidth) (V::Load(out + k) + V::Load(src + k)).Store(out + k);
            for (; k < end; ++k) out[k] += src[k];
        }
    }
}

}  // namespace lanes
}  // namespace zef::dsp::detail
