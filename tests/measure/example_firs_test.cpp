// The example FIR files of a new data folder: what each filter does to a
// signal, and that each file reads back as the device would take it.
#include "measure/example_firs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "files/fir_import.h"
#include "measure/fir_design_io.h"
#include "temp_folder.h"

namespace zef::measure {
namespace {

std::complex<double> ResponseAt(const std::vector<double>& h, double hz) {
    std::complex<double> sum = 0;
    const double w = 2.0 * std::numbers::pi * hz / kExampleFirSampleRate;
    for (std::size_t n = 0; n < h.size(); ++n) sum += h[n] * std::polar(1.0, -w * static_cast<double>(n));
    return sum;
}
double Db(std::complex<double> v) { return 20.0 * std::log10(std::abs(v)); }

TEST(ExampleFirs, LinkwitzRileySumIsAnAllpassHalfATurnBehindAtTheCrossover) {
    for (double fc : {500.0, 1000.0, 3000.0}) {
        SCOPED_TRACE(fc);
        const std::vector<double> h = LinkwitzRileySumImpulse(8192, fc);
        for (double f : {20.0, fc / 4, fc, fc * 4, 18000.0})
            EXPECT_NEAR(Db(ResponseAt(h, f)), 0.0, 1e-3) << f;
        // A second-order allpass: half a turn behind at fc, in phase far below.
        EXPECT_NEAR(std::abs(std::arg(ResponseAt(h, fc))), std::numbers::pi, 0.01);
        EXPECT_NEAR(std::arg(ResponseAt(h, fc / 100)), 0.0, 0.05);
    }
}

TEST(ExampleFirs, CorrectorMakesTheCrossoverSumAPureDelay) {
    for (double fc : {1000.0, 2000.0}) {
        SCOPED_TRACE(fc);
        const std::vector<double> corrector = AllpassCorrector(384, fc);
        const std::vector<double> sum = LinkwitzRileySumImpulse(2048, fc);
        std::vector<double> out(corrector.size() + sum.size() - 1, 0.0);
        for (std::size_t i = 0; i < corrector.size(); ++i)
            for (std::size_t j = 0; j < sum.size(); ++j) out[i + j] += corrector[i] * sum[j];
        EXPECT_NEAR(out[383], 1.0, 1e-4);
        double largestElse = 0;
        for (std::size_t n = 0; n < out.size(); ++n)
            if (n != 383) largestElse = std::max(largestElse, std::abs(out[n]));
        EXPECT_LT(largestElse, 1e-3);
    }
}

TEST(ExampleFirs, GentleLowPassPassesTheBandAndStopsTheTop) {
    const std::vector<double> h = GentleLowPass(63, 12000.0);
    ASSERT_EQ(h.size(), 63u);
    for (std::size_t n = 0; n < h.size(); ++n) EXPECT_DOUBLE_EQ(h[n], h[h.size() - 1 - n]);  // linear phase
    const struct {
        double hz, minDb, maxDb;
    } points[] = {
        {0, -1e-9, 1e-9}, {1000, -0.05, 0.05}, {8000, -0.5, 0.1}, {12000, -7.5, -4.5}, {20000, -200, -50}};
    for (const auto& p : points) {
        const double db = Db(ResponseAt(h, p.hz));
        EXPECT_GE(db, p.minDb) << p.hz;
        EXPECT_LE(db, p.maxDb) << p.hz;
    }
    EXPECT_EQ(GentleLowPass(64, 12000.0).size(), 63u);
}

TEST(ExampleFirs, EveryExampleReadsBackAsTheDeviceTakesIt) {
    zef::test::TempFolder folder;
    const auto examples = ExampleFirs();
    ASSERT_GE(examples.size(), 3u);
    for (const ExampleFir& fir : examples) {
        SCOPED_TRACE(fir.fileName);
        const std::string path = folder.file(fir.fileName);
        ASSERT_TRUE(WriteDesignedFirFile(path, fir.coefficients));
        for (bool decimalComma : {false, true}) {
            const fir::FirImportResult read = fir::ImportFirFile(path, decimalComma);
            ASSERT_TRUE(read.ok()) << fir::FirImportErrorText(read.error);
            ASSERT_EQ(read.coefficients.size(), fir.coefficients.size());
            for (std::size_t i = 0; i < read.coefficients.size(); ++i)
                EXPECT_NEAR(read.coefficients[i], fir.coefficients[i], 1e-6) << i;
        }
        // The device's name for it is the file name, not cut short.
        EXPECT_EQ(fir::FirNameFromPath(path) + ".txt", fir.fileName);
    }
}

}  // namespace
}  // namespace zef::measure
