// The sweep, its inverse filter and the two sweep files.

#include "measure/sweep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>

#include "measure/deconvolution.h"
#include "measure/real_fft.h"
#include "audio/wav_file.h"
#include "temp_folder.h"

namespace zef::measure {
namespace {

// |sweep (*) inverse| over frequency, and where it peaks.
struct Product {
    std::vector<double> db;  // per bin
    double binHz = 0.0;
    std::size_t peak = 0;
};

Product SweepTimesInverse(std::span<const double> sweep, std::span<const double> inverse) {
    RealFft a(GoodFftSize(sweep.size() + inverse.size()));
    RealFft b(a.size());
    a.Load(sweep);
    a.Forward();
    b.Load(inverse);
    b.Forward();
    Product p;
    p.binHz = static_cast<double>(kSweepSampleRate) / static_cast<double>(a.size());
    for (std::size_t k = 0; k < a.bins(); ++k) {
        a.spectrum()[k] *= b.spectrum()[k];
        p.db.push_back(20.0 * std::log10(std::abs(a.spectrum()[k])));
    }
    a.Inverse();
    p.peak = LargestPeak(a.time(), 0, a.size());
    return p;
}

TEST(Sweep, InverseFilterMakesAFlatUnitImpulseAtItsDelay) {
    for (const SweepDesign design :
         {SweepDesign{}, SweepDesign{.startHz = 20.0, .endHz = 20000.0, .seconds = 1.0}}) {
        const std::vector<double> sweep = MakeSweep(design);
        ASSERT_EQ(sweep.size(), static_cast<std::size_t>(design.seconds * kSweepSampleRate));
        double peak = 0.0;
        for (double x : sweep) peak = std::max(peak, std::abs(x));
        EXPECT_NEAR(peak, design.peak, 1e-3);

        const Product p = SweepTimesInverse(sweep, MakeInverseSweep(sweep, design));
        EXPECT_EQ(p.peak, InverseSweepDelay(sweep.size()));
        // In band: unity within 0.02 dB (the 5 Hz high-pass reads -0.017 dB at 20 Hz).
        const double low = std::max(20.0, 4.0 * design.startHz);
        const double high = std::min(23800.0, 0.99 * design.endHz);
        for (std::size_t k = 0; k < p.db.size(); ++k) {
            const double hz = static_cast<double>(k) * p.binHz;
            if (hz >= low && hz <= high) {
                ASSERT_NEAR(p.db[k], 0.0, 0.02) << hz << " Hz";
            }
        }
        // Below the high-pass nothing is amplified.
        EXPECT_LT(p.db[static_cast<std::size_t>(1.0 / p.binHz)], -20.0);
    }
}

class SweepFiles : public ::testing::Test {
protected:
    test::TempFolder folder;
    std::string sw = folder.file("TS/SW.wav");
    std::string isw = folder.file("TS/ISW.wav");
};

TEST_F(SweepFiles, MissingFilesAreMadeAndThenReadBack) {
    std::vector<double> sweep;
    std::vector<double> inverse;
    ASSERT_EQ(LoadOrCreateSweep(sw, sweep), "");
    ASSERT_EQ(LoadOrCreateInverseSweep(isw, sweep, inverse), "");
    ASSERT_TRUE(std::filesystem::exists(sw));
    ASSERT_TRUE(std::filesystem::exists(isw));
    EXPECT_EQ(sweep, MakeSweep());
    EXPECT_EQ(inverse, MakeInverseSweep(sweep));

    std::vector<double> again;
    std::vector<double> inverseAgain;
    ASSERT_EQ(LoadOrCreateSweep(sw, again), "");
    ASSERT_EQ(LoadOrCreateInverseSweep(isw, again, inverseAgain), "");
    EXPECT_EQ(again, sweep);  // float WAV holds the float-rounded samples exactly
    EXPECT_EQ(inverseAgain, inverse);
}

TEST_F(SweepFiles, PresentFilesAreUsedRatherThanRegenerated) {
    // A user's own sweep: shorter, quieter. Its inverse is missing and is
    // computed from that sweep, not from the built-in one.
    const SweepDesign own{.startHz = 20.0, .endHz = 20000.0, .seconds = 1.0, .peak = 0.25};
    const std::vector<double> ownSweep = MakeSweep(own);
    ASSERT_EQ(audio::WriteWavAtomic(sw, ownSweep, kSweepSampleRate), "");
    const auto written = std::filesystem::last_write_time(sw);

    std::vector<double> sweep;
    std::vector<double> inverse;
    ASSERT_EQ(LoadOrCreateSweep(sw, sweep), "");
    EXPECT_EQ(sweep, ownSweep);
    ASSERT_EQ(LoadOrCreateInverseSweep(isw, sweep, inverse), "");
    EXPECT_EQ(SweepTimesInverse(sweep, inverse).peak, InverseSweepDelay(ownSweep.size()));
    EXPECT_EQ(std::filesystem::last_write_time(sw), written);

    // An inverse file that is there is read as it is.
    const std::vector<double> marker(kSweepSampleRate, 0.125);
    ASSERT_EQ(audio::WriteWavAtomic(isw, marker, kSweepSampleRate), "");
    ASSERT_EQ(LoadOrCreateInverseSweep(isw, sweep, inverse), "");
    EXPECT_EQ(inverse, marker);
}

TEST_F(SweepFiles, UnusableFilesAreReportedAndLeftAlone) {
    struct Case {
        const char* name;
        std::vector<double> samples;
        int rate;
    };
    const Case cases[] = {
        {"wrong rate", std::vector<double>(44100, 0.1), 44100},
        {"too short", std::vector<double>(100, 0.1), kSweepSampleRate},
        {"silent", std::vector<double>(kSweepSampleRate, 0.0), kSweepSampleRate},
        {"above full scale", std::vector<double>(kSweepSampleRate, 1.5), kSweepSampleRate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(audio::WriteWavAtomic(sw, c.samples, c.rate), "");
        const auto size = std::filesystem::file_size(sw);
        std::vector<double> sweep{1.0};
        EXPECT_NE(LoadOrCreateSweep(sw, sweep), "");
        EXPECT_EQ(sweep, std::vector<double>{1.0});
        EXPECT_EQ(std::filesystem::file_size(sw), size);
    }
    std::ofstream(sw, std::ios::binary | std::ios::trunc) << "not a sound file";
    std::vector<double> sweep;
    EXPECT_NE(LoadOrCreateSweep(sw, sweep), "");
    EXPECT_EQ(std::filesystem::file_size(sw), 16u);
}

}  // namespace
}  // namespace zef::measure
