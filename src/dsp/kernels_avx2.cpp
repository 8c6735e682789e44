// The kernels four doubles wide with AVX2. Everything defined below the
// target region is compiled for AVX2 (GCC and Clang by a target attribute on
// each function; MSVC compiles AVX2 intrinsics anywhere) and runs only where
// base::CpuHasAvx2() said yes. FMA is not enabled: a fused multiply-add would
// round differently from the other paths.

// Every header the region uses comes first, compiled for the baseline: see
// the top of kernel_body.h.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "dsp/kernels.h"
#include "dsp/section_terms.h"

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "dsp/kernel_body.h"

namespace zef::dsp::detail {

namespace {

using namespace lanes;

// Hidden friends would not do: GCC does not carry the target region into
// functions defined inside a class, so the operations are free functions.
struct Avx2 {
    static constexpr std::size_t kWidth = 4;
    struct Mask {
        __m256d m;
    };
    __m256d v;

    static Avx2 Broadcast(double x);
    static Avx2 Load(const double* p);
    void Store(double* p) const;
};

inline Avx2 Avx2::Broadcast(double x) { return {_mm256_set1_pd(x)}; }
inline Avx2 Avx2::Load(const double* p) { return {_mm256_loadu_pd(p)}; }
inline void Avx2::Store(double* p) const { _mm256_storeu_pd(p, v); }

using Mask = Avx2::Mask;
inline Mask operator&(Mask a, Mask b) { return {_mm256_and_pd(a.m, b.m)}; }
inline Mask operator|(Mask a, Mask b) { return {_mm256_or_pd(a.m, b.m)}; }
inline Mask operator~(Mask a) { return {_mm256_xor_pd(a.m, _mm256_castsi256_pd(_mm256_set1_epi32(-1)))}; }
inline bool Any(Mask a) { return _mm256_movemask_pd(a.m) != 0; }

inline Avx2 operator+(Avx2 a, Avx2 b) { return {_mm256_add_pd(a.v, b.v)}; }
inline Avx2 operator-(Avx2 a, Avx2 b) { return {_mm256_sub_pd(a.v, b.v)}; }
inline Avx2 operator*(Avx2 a, Avx2 b) { return {_mm256_mul_pd(a.v, b.v)}; }
inline Avx2 operator/(Avx2 a, Avx2 b) { return {_mm256_div_pd(a.v, b.v)}; }
// Ordered, quiet: false where either side is NaN, as in the other paths.
inline Mask operator<(Avx2 a, Avx2 b) { return {_mm256_cmp_pd(a.v, b.v, _CMP_LT_OQ)}; }
inline Mask operator<=(Avx2 a, Avx2 b) { return {_mm256_cmp_pd(a.v, b.v, _CMP_LE_OQ)}; }
inline Mask operator>(Avx2 a, Avx2 b) { return {_mm256_cmp_pd(a.v, b.v, _CMP_GT_OQ)}; }
inline Mask operator>=(Avx2 a, Avx2 b) { return {_mm256_cmp_pd(a.v, b.v, _CMP_GE_OQ)}; }
inline Avx2 Abs(Avx2 a) { return {_mm256_and_pd(a.v, _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFFll)))}; }
inline Avx2 Select(Mask m, Avx2 a, Avx2 b) { return {_mm256_or_pd(_mm256_and_pd(m.m, a.v), _mm256_andnot_pd(m.m, b.v))}; }
inline void SplitExponent(Avx2 r, Avx2& m, Avx2& e) {
    const __m256i bits = _mm256_castpd_si256(r.v);
    const __m256i mantissa = _mm256_and_si256(bits, _mm256_set1_epi64x(static_cast<long long>(kMantissaBits)));
    m.v = _mm256_castsi256_pd(_mm256_or_si256(mantissa, _mm256_set1_epi64x(static_cast<long long>(kExponentOfOne))));
    const __m256i carried =
        _mm256_or_si256(_mm256_srli_epi64(bits, 52), _mm256_set1_epi64x(static_cast<long long>(kExponentCarrier)));
    e.v = _mm256_sub_pd(_mm256_castsi256_pd(carried), _mm256_set1_pd(kExponentCarrierValue));
}

}  // namespace

KernelResult SectionKernelAvx2(const SectionTerms& t, const double* hz, const double* phi, double* out,
                               std::size_t n) {
    return SectionKernelLanes<Avx2>(t, hz, phi, out, n);
}

void SumCurvesAvx2(const double* const* sources, int count, double* out, std::size_t n) {
    SumCurvesLanes<Avx2>(sources, count, out, n);
}

}  // namespace zef::dsp::detail

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif

#endif  // x86
