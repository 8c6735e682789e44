#pragma once
// The vectorised loops behind the curve evaluation and the group sums. They
// run 4 doubles wide where the processor has AVX2, 2 wide (SSE2) on other x86
// processors and one at a time elsewhere. Every path performs the same IEEE
// operations in the same order on each point, so all of them give the same
// bits; the fastest one the processor can run is chosen once, at first use.

#include <cstddef>

#include "dsp/section_terms.h"

namespace zef::dsp::detail {

struct KernelResult {
    std::size_t done;  // points 0..done-1 were written; the caller evaluates the rest
    bool undecided;    // some of them hold NaN
};

// For k < done: out[k] = 0 where hz[k] <= 0; 10 log10(N/D) where both terms
// are usable and N/D is a normal number; NaN everywhere else, for the caller
// to evaluate point by point. `done` is n rounded down to the vector width.
KernelResult SectionKernel(const SectionTerms& terms, const double* hz, const double* phi, double* out,
                           std::size_t n);

// out[k] = sources[0][k] + sources[1][k] + ... for k < n, added in that order.
// `out` may be one of the sources only if it is the first. count 0 gives zeros.
void SumCurves(const double* const* sources, int count, double* out, std::size_t n);

// The instruction sets a kernel can run on, narrowest first.
enum class KernelPath { Scalar, Sse2, Avx2 };

// Whether this build holds `path` and this processor can run it. Scalar always can.
bool KernelPathAvailable(KernelPath path);

// The widest available path: what SectionKernel and SumCurves use.
KernelPath FastestKernelPath();

// The two kernels on a given path, which must be available; for tests and
// benchmarks that compare the paths.
KernelResult SectionKernelOn(KernelPath path, const SectionTerms& terms, const double* hz, const double* phi,
                             double* out, std::size_t n);
void SumCurvesOn(KernelPath path, const double* const* sources, int count, double* out, std::size_t n);

}  // namespace zef::dsp::detail
