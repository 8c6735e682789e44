// The EQ target record, impulse-response files and designed-FIR text files,
// as bytes.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "files/fir_import.h"
#include "measure/eq_target_curve.h"
#include "measure/fir_design_io.h"
#include "model/defaults.h"
#include "files/eq_target.h"
#include "temp_folder.h"

namespace zef {
namespace {

using Bytes = std::vector<std::uint8_t>;

EqTargetRecord OddRecord(std::uint32_t seed) {
    std::mt19937 rng(seed);
    EqTargetRecord r;
    r.leading = static_cast<std::int16_t>(rng());
    for (auto& v : r.sectionCode) v = static_cast<std::int16_t>(rng());
    // Any bit pattern at all: NaNs with payloads, -0, infinities, denormals.
    auto anyDouble = [&] { return std::bit_cast<double>(static_cast<std::uint64_t>(rng()) << 32 | rng()); };
    for (auto& v : r.frequency) v = anyDouble();
    for (auto& v : r.q) v = anyDouble();
    for (auto& v : r.gainDb) v = anyDouble();
    r.q[0] = -0.0;
    r.gainDb[9] = std::numeric_limits<double>::quiet_NaN();
    r.flag = static_cast<std::int16_t>(rng());
    return r;
}

TEST(EqTargetRecord, BytesAreLittleEndianInFieldOrder) {
    EqTargetRecord r = DefaultEqTarget();
    r.leading = -2;
    r.sectionCode[9] = 0x0102;
    r.gainDb[0] = 1.5;
    r.flag = 1;
    const Bytes b = EncodeEqTarget(r);
    ASSERT_EQ(b.size(), kEqTargetBytes);
    EXPECT_EQ((Bytes{b[0], b[1]}), (Bytes{0xFE, 0xFF}));
    EXPECT_EQ((Bytes{b[20], b[21]}), (Bytes{0x02, 0x01}));
    double f0 = 0, q9 = 0, g0 = 0;
    std::memcpy(&f0, &b[22], 8);
    std::memcpy(&q9, &b[102 + 72], 8);
    std::memcpy(&g0, &b[182], 8);
    EXPECT_EQ(f0, 125.0);
    EXPECT_EQ(q9, 1.0);
    EXPECT_EQ(g0, 1.5);
    EXPECT_EQ((Bytes{b[262], b[263]}), (Bytes{0x01, 0x00}));
}

TEST(EqTargetRecord, RoundTripsUnchangedBitForBit) {
    for (std::uint32_t seed = 1; seed <= 50; ++seed) {
        const EqTargetRecord r = OddRecord(seed);
        const Bytes once = EncodeEqTarget(r);
        const auto decoded = DecodeEqTarget(once);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(EncodeEqTarget(*decoded), once) << seed;
    }
    const EqTargetRecord normal = DefaultEqTarget();
    EXPECT_EQ(DecodeEqTarget(EncodeEqTarget(normal)), normal);
}

TEST(EqTargetRecord, ShortDataIsRefused) {
    const Bytes b = EncodeEqTarget(OddRecord(3));
    for (std::size_t n = 0; n < b.size(); ++n) EXPECT_FALSE(DecodeEqTarget(std::span(b.data(), n))) << n;
}

// What the designer makes of the record: the flag, codes, sections, tilt.
TEST(EqTargetRecord, MeaningToTheDesigner) {
    EqTargetRecord r = DefaultEqTarget();
    r.gainDb[3] = 6;  // Bell +6 dB at 1 kHz, Q 1
    r.sectionCode[5] = 2;
    r.gainDb[5] = -4;  // low shelf -4 dB at 4 kHz
    r.sectionCode[8] = 99;
    r.gainDb[8] = 12;  // unknown code: off
    const struct {
        std::int16_t flag;
        std::int16_t leading;
        double hz;
        double expectedDb;
        double tolerance;
    } cases[] = {
        {1, 0, 1000, 6 - 4 * 1, 1.0},  // the Bell's centre on the shelf's plateau (about -4 dB)
        {1, 0, 16000, 0, 0.3},         // above the shelf, the Bell long gone
        {1, 0, 50, -4, 0.2},           // the shelf's low plateau
        {0, 0, 1000, 0, 1e-12},        // flag 0: sections ignored
        {0, -10, 4000, -2, 1e-9},      // tilt -1 dB per octave, 2 octaves up
        {0, 500, 2000, 12, 1e-9},      // tilt clamped to 12 dB per octave
    };
    for (const auto& c : cases) {
        r.flag = c.flag;
        r.leading = c.leading;
        const measure::EqTargetCurve curve(measure::SectionsOfRecord(r), r.leading);
        EXPECT_NEAR(curve.Db(c.hz), c.expectedDb, c.tolerance) << c.flag << " " << c.leading << " " << c.hz;
    }
}

TEST(DesignedFirFile, IsReadBackByTheImportInEitherLocale) {
    const std::vector<double> taps = {0.0, -1.0, 0.5, 3.999, -2.5e-7, 1.0 / 3};
    const std::string text = measure::DesignedFirText(taps);
    EXPECT_EQ(text.substr(0, 12), " 0\r\n-1\r\n 0.5");
    for (bool comma : {false, true}) {
        const auto r = fir::ParseFirFile(
            "x.txt", std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), comma);
        ASSERT_TRUE(r.ok());
        ASSERT_EQ(r.coefficients.size(), taps.size());
        for (std::size_t i = 0; i < taps.size(); ++i) EXPECT_NEAR(r.coefficients[i], taps[i], 1e-14);
    }
}

}  // namespace
}  // namespace zef
