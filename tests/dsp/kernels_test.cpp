#include "dsp/kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dsp/curves.h"
#include "dsp_test_util.h"

namespace zef::dsp::detail {
namespace {

struct PathCase {
    KernelPath path;
    const char* name;
    std::size_t width;
};

constexpr PathCase kPaths[] = {
    {KernelPath::Scalar, "scalar", 1},
    {KernelPath::Sse2, "SSE2", 2},
    {KernelPath::Avx2, "AVX2", 4},
};

std::vector<PathCase> AvailablePaths() {
    std::vector<PathCase> paths;
    for (const PathCase& p : kPaths)
        if (KernelPathAvailable(p.path)) paths.push_back(p);
    return paths;
}

std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

// Terms that reach every branch of the kernel: ordinary bands of each type,
// notches and a pole pair exactly on grid points (zero terms), and extreme
// gains whose ratio leaves the normal range.
std::vector<SectionTerms> TermsToCompare() {
    std::vector<SectionTerms> terms;
    std::mt19937 rng(17);
    for (int trial = 0; trial < 60; ++trial) {
        const BandSetting b = test::RandomBand(rng, trial % 6);
        terms.push_back(TermsOf(BandCoefficients(b.type, b.frequencyHz, b.q, b.gainDb)));
    }
    for (int k : {128, 4096, 6825}) terms.push_back(TermsOf(BandCoefficients(5, k * kGridStepHz, 3.0, 0.0)));
    terms.push_back(TermsOf({0, -1, 1, 0, 0}));
    terms.push_back(TermsOf({1e-200, 0, 0, 0, 0}));
    terms.push_back(TermsOf({1e200, 0, 0, 0, 0}));
    return terms;
}

// The frequency points: the editor's grid, followed by points the grid never
// holds (negative, zero, NaN) in the middle of a vector.
struct Points {
    std::vector<double> hz;
    std::vector<double> phi;
};

Points PointsToCompare() {
    const GridTables tables{FrequencyGrid::Nominal()};
    Points p{{tables.hz.begin(), tables.hz.end()}, {tables.phi.begin(), tables.phi.end()}};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double hz : {-5.0, 0.0, nan, 100.0, 200.0, nan, 0.0, 300.0}) {
        p.hz.push_back(hz);
        p.phi.push_back(hz > 0 ? SinSquaredTerm(hz) : hz == 0 ? 0.0 : nan);
    }
    return p;
}

TEST(KernelsTest, EveryPathGivesTheScalarBits) {
    const Points points = PointsToCompare();
    const std::size_t n = points.hz.size();
    const auto paths = AvailablePaths();
    ASSERT_EQ(paths.front().path, KernelPath::Scalar);
    std::vector<double> reference(n);
    std::vector<double> out(n);
    int compared = 0;
    for (const SectionTerms& t : TermsToCompare()) {
        const KernelResult ref = SectionKernelOn(KernelPath::Scalar, t, points.hz.data(), points.phi.data(),
                                                 reference.data(), n);
        ASSERT_EQ(ref.done, n);
        for (const PathCase& p : paths) {
            std::fill(out.begin(), out.end(), 12345.0);
            const KernelResult r = SectionKernelOn(p.path, t, points.hz.data(), points.phi.data(), out.data(), n);
            ASSERT_EQ(r.done, n / p.width * p.width) << p.name;
            bool anyNan = false;
            for (std::size_t k = 0; k < r.done; ++k) {
                ASSERT_EQ(Bits(out[k]), Bits(reference[k])) << p.name << " at k=" << k;
                anyNan = anyNan || std::isnan(out[k]);
            }
            EXPECT_EQ(r.undecided, anyNan) << p.name;
            for (std::size_t k = r.done; k < n; ++k) ASSERT_EQ(out[k], 12345.0) << p.name << " wrote past done";
            ++compared;
        }
    }
    std::string names;
    for (const PathCase& p : paths) names += std::string(p.name) + " ";
    RecordProperty("paths", names);
    EXPECT_GT(compared, 0);
}

TEST(KernelsTest, TheDefaultIsTheWidestAvailablePath) {
    const auto paths = AvailablePaths();
    EXPECT_EQ(FastestKernelPath(), paths.back().path);
    const Points points = PointsToCompare();
    const std::size_t n = points.hz.size();
    std::vector<double> viaDefault(n);
    std::vector<double> viaPath(n);
    const SectionTerms t = TermsOf(BandCoefficients(0, 1000, 2.0, 6.0));
    const KernelResult a = SectionKernel(t, points.hz.data(), points.phi.data(), viaDefault.data(), n);
    const KernelResult b = SectionKernelOn(paths.back().path, t, points.hz.data(), points.phi.data(), viaPath.data(), n);
    ASSERT_EQ(a.done, b.done);
    for (std::size_t k = 0; k < a.done; ++k) ASSERT_EQ(Bits(viaDefault[k]), Bits(viaPath[k])) << k;
}

// Sums of 0 to 5 curves over lengths around the vector widths and the
// kernel's 512-point stretch, into a separate array and into the first source.
TEST(KernelsTest, EveryPathSumsInOrder) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> value(-100.0, 100.0);
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{5}, std::size_t{511}, std::size_t{513},
                          std::size_t{1031}}) {
        for (int count = 0; count <= 5; ++count) {
            std::vector<std::vector<double>> curves(static_cast<std::size_t>(count), std::vector<double>(n));
            for (auto& c : curves)
                for (double& x : c) x = value(rng);
            std::vector<double> expected(n, 0.0);
            for (std::size_t k = 0; k < n; ++k) {
                double sum = count > 0 ? curves[0][k] : 0.0;
                for (int c = 1; c < count; ++c) sum += curves[static_cast<std::size_t>(c)][k];
                expected[k] = sum;
            }
            for (const PathCase& p : AvailablePaths()) {
                for (bool intoFirst : {false, true}) {
                    if (intoFirst && count == 0) continue;
                    auto copies = curves;
                    std::vector<const double*> sources;
                    for (const auto& c : copies) sources.push_back(c.data());
                    std::vector<double> separate(n, 7.0);
                    double* out = intoFirst ? copies[0].data() : separate.data();
                    SumCurvesOn(p.path, sources.data(), count, out, n);
                    for (std::size_t k = 0; k < n; ++k)
                        ASSERT_EQ(Bits(out[k]), Bits(expected[k]))
                            << p.name << " n=" << n << " count=" << count << " into first " << intoFirst << " k=" << k;
                }
            }
        }
    }
}

}  // namespace
}  // namespace zef::dsp::detail
