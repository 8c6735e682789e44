#include "dsp/kernels.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "base/check.h"
#include "base/cpu_features.h"
#include "dsp/kernel_body.h"

#ifdef ZEF_KERNELS_SSE2
#include <emmintrin.h>
#endif

namespace zef::dsp::detail {

namespace {

using namespace lanes;

// One double at a time: the path for processors without a vector path here,
// and the reference the vector paths are tested against.
struct Scalar {
    static constexpr std::size_t kWidth = 1;
    struct Mask {
        bool m;
        friend Mask operator&(Mask a, Mask b) { return {a.m && b.m}; }
        friend Mask operator|(Mask a, Mask b) { return {a.m || b.m}; }
        friend Mask operator~(Mask a) { return {!a.m}; }
        friend bool Any(Mask a) { return a.m; }
    };
    double v;

    static Scalar Broadcast(double x) { return {x}; }
    static Scalar Load(const double* p) { return {*p}; }
    void Store(double* p) const { *p = v; }
    friend Scalar operator+(Scalar a, Scalar b) { return {a.v + b.v}; }
    friend Scalar operator-(Scalar a, Scalar b) { return {a.v - b.v}; }
    friend Scalar operator*(Scalar a, Scalar b) { return {a.v * b.v}; }
    friend Scalar operator/(Scalar a, Scalar b) { return {a.v / b.v}; }
    friend Mask operator<(Scalar a, Scalar b) { return {a.v < b.v}; }
    friend Mask operator<=(Scalar a, Scalar b) { return {a.v <= b.v}; }
    friend Mask operator>(Scalar a, Scalar b) { return {a.v > b.v}; }
    friend Mask operator>=(Scalar a, Scalar b) { return {a.v >= b.v}; }
    friend Scalar Abs(Scalar a) { return {std::fabs(a.v)}; }
    friend Scalar Select(Mask m, Scalar a, Scalar b) { return m.m ? a : b; }
    // r = m 2^e with m in [1, 2), for positive normal r.
    friend void SplitExponent(Scalar r, Scalar& m, Scalar& e) {
        const auto bits = std::bit_cast<std::uint64_t>(r.v);
        m.v = std::bit_cast<double>((bits & kMantissaBits) | kExponentOfOne);
        e.v = std::bit_cast<double>((bits >> 52) | kExponentCarrier) - kExponentCarrierValue;
    }
};

#ifdef ZEF_KERNELS_SSE2
// Two doubles in an SSE2 register; SSE2 is part of every x86-64 processor.
struct Sse2 {
    static constexpr std::size_t kWidth = 2;
    struct Mask {
        __m128d m;
        friend Mask operator&(Mask a, Mask b) { return {_mm_and_pd(a.m, b.m)}; }
        friend Mask operator|(Mask a, Mask b) { return {_mm_or_pd(a.m, b.m)}; }
        friend Mask operator~(Mask a) { return {_mm_xor_pd(a.m, _mm_castsi128_pd(_mm_set1_epi32(-1)))}; }
        friend bool Any(Mask a) { return _mm_movemask_pd(a.m) != 0; }
    };
    __m128d v;

    static Sse2 Broadcast(double x) { return {_mm_set1_pd(x)}; }
    static Sse2 Load(const double* p) { return {_mm_loadu_pd(p)}; }
    void Store(double* p) const { _mm_storeu_pd(p, v); }
    friend Sse2 operator+(Sse2 a, Sse2 b) { return {_mm_add_pd(a.v, b.v)}; }
    friend Sse2 operator-(Sse2 a, Sse2 b) { return {_mm_sub_pd(a.v, b.v)}; }
    friend Sse2 operator*(Sse2 a, Sse2 b) { return {_mm_mul_pd(a.v, b.v)}; }
    friend Sse2 operator/(Sse2 a, Sse2 b) { return {_mm_div_pd(a.v, b.v)}; }
    friend Mask operator<(Sse2 a, Sse2 b) { return {_mm_cmplt_pd(a.v, b.v)}; }
    friend Mask operator<=(Sse2 a, Sse2 b) { return {_mm_cmple_pd(a.v, b.v)}; }
    friend Mask operator>(Sse2 a, Sse2 b) { return {_mm_cmpgt_pd(a.v, b.v)}; }
    friend Mask operator>=(Sse2 a, Sse2 b) { return {_mm_cmpge_pd(a.v, b.v)}; }
    friend Sse2 Abs(Sse2 a) {
        return {_mm_and_pd(a.v, _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFll)))};
    }
    friend Sse2 Select(Mask m, Sse2 a, Sse2 b) { return {_mm_or_pd(_mm_and_pd(m.m, a.v), _mm_andnot_pd(m.m, b.v))}; }
    friend void SplitExponent(Sse2 r, Sse2& m, Sse2& e) {
        const __m128i bits = _mm_castpd_si128(r.v);
        const __m128i mantissa = _mm_and_si128(bits, _mm_set1_epi64x(static_cast<long long>(kMantissaBits)));
        m.v = _mm_castsi128_pd(_mm_or_si128(mantissa, _mm_set1_epi64x(static_cast<long long>(kExponentOfOne))));
        const __m128i carried =
            _mm_or_si128(_mm_srli_epi64(bits, 52), _mm_set1_epi64x(static_cast<long long>(kExponentCarrier)));
        e.v = _mm_sub_pd(_mm_castsi128_pd(carried), _mm_set1_pd(kExponentCarrierValue));
    }
};
#endif

}  // namespace

bool KernelPathAvailable(KernelPath path) {
    switch (path) {
        case KernelPath::Scalar:
            return true;
        case KernelPath::Sse2:
#ifdef ZEF_KERNELS_SSE2
            return true;
#else
            return false;
#endif
        case KernelPath::Avx2:
#ifdef ZEF_KERNELS_AVX2
            return base::CpuHasAvx2();
#else
            return false;
#endif
    }
    return false;
}

KernelPath FastestKernelPath() {
    static const KernelPath fastest = [] {
        for (KernelPath p : {KernelPath::Avx2, KernelPath::Sse2}) {
            if (KernelPathAvailable(p)) return p;
        }
        return KernelPath::Scalar;
    }();
    return fastest;
}

KernelResult SectionKernelOn(KernelPath path, const SectionTerms& terms, const double* hz, const double* phi,
                             double* out, std::size_t n) {
    if (!ZEF_CHECK(KernelPathAvailable(path))) path = KernelPath::Scalar;
    switch (path) {
#ifdef ZEF_KERNELS_AVX2
        case KernelPath::Avx2:
            return SectionKernelAvx2(terms, hz, phi, out, n);
#endif
#ifdef ZEF_KERNELS_SSE2
        case KernelPath::Sse2:
            return SectionKernelLanes<Sse2>(terms, hz, phi, out, n);
#endif
        default:
            return SectionKernelLanes<Scalar>(terms, hz, phi, out, n);
    }
}

void SumCurvesOn(KernelPath path, const double* const* sources, int count, double* out, std::size_t n) {
    if (!ZEF_CHECK(KernelPathAvailable(path))) path = KernelPath::Scalar;
    switch (path) {
#ifdef ZEF_KERNELS_AVX2
        case KernelPath::Avx2:
            return SumCurvesAvx2(sources, count, out, n);
#endif
#ifdef ZEF_KERNELS_SSE2
        case KernelPath::Sse2:
            return SumCurvesLanes<Sse2>(sources, count, out, n);
#endif
        default:
            return SumCurvesLanes<Scalar>(sources, count, out, n);
    }
}

KernelResult SectionKernel(const SectionTerms& terms, const double* hz, const double* phi, double* out,
                           std::size_t n) {
    return SectionKernelOn(FastestKernelPath(), terms, hz, phi, out, n);
}

void SumCurves(const double* const* sources, int count, double* out, std::size_t n) {
    SumCurvesOn(FastestKernelPath(), sources, count, out, n);
}

}  // namespace zef::dsp::detail
