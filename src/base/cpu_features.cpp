#include "base/cpu_features.h"

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <immintrin.h>
#include <intrin.h>
#endif

namespace zef::base {

namespace {

bool AskAvx2() {
#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
    // cpuid leaf 1: ECX bit 27 OSXSAVE, bit 28 AVX; XCR0 bits 1-2: the OS
    // saves XMM and YMM state; leaf 7 sub-leaf 0: EBX bit 5 AVX2.
    int info[4] = {};
    __cpuid(info, 0);
    if (info[0] < 7) return false;
    __cpuid(info, 1);
    const bool osxsave = (info[2] & (1 << 27)) != 0;
    const bool avx = (info[2] & (1 << 28)) != 0;
    if (!osxsave || !avx || (_xgetbv(0) & 6) != 6) return false;
    __cpuidex(info, 7, 0);
    return (info[1] & (1 << 5)) != 0;
#elif defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    // GCC and Clang check the OS state (XCR0) as part of this answer.
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

}  // namespace

bool CpuHasAvx2() {
    static const bool has = AskAvx2();
    return has;
}

}  // namespace zef::base
