// Impulse-response files: the byte layout, a bit-exact round trip, bad bytes
// refused cleanly, and the 16-bit reduction of a loaded response.

#include "files/irw_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <random>

#include "files/binary_io.h"
#include "temp_folder.h"

namespace zef {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(IrwFile, LayoutIsTheLastIndexThenLittleEndianDoubles) {
    const std::vector<double> ir = {1.0, -0.5, 1e-300, -0.0, std::numeric_limits<double>::denorm_min()};
    const Bytes b = EncodeIrw(ir);
    ASSERT_EQ(b.size(), 4u + 8 * ir.size());
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{4, 0, 0, 0}));
    // 1.0 = 0x3FF0000000000000, least significant byte first.
    EXPECT_EQ(Bytes(b.begin() + 4, b.begin() + 12), (Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));

    test::TempFolder folder;
    const std::string path = folder.file("a.irw");
    ASSERT_EQ(WriteIrwFile(path, ir), "");
    const IrwReadResult back = ReadIrwFile(path);
    ASSERT_TRUE(back.ok()) << back.error;
    ASSERT_EQ(back.samples.size(), ir.size());
    for (std::size_t i = 0; i < ir.size(); ++i)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(back.samples[i]), std::bit_cast<std::uint64_t>(ir[i]));
}

TEST(IrwFile, BadBytesAreRefusedCleanly) {
    const Bytes good = EncodeIrw(std::vector<double>{1, 2, 3});
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(ParseIrw(std::span(good.data(), n)).ok()) << "cut at " << n;
    Bytes longer = good;
    longer.push_back(0);
    EXPECT_FALSE(ParseIrw(longer).ok());
    Bytes negative = good;
    negative[3] = 0x80;
    EXPECT_FALSE(ParseIrw(negative).ok());
    Bytes huge = good;
    huge[3] = 0x7F;
    EXPECT_FALSE(ParseIrw(huge).ok());
    std::mt19937 rng(5);
    for (int i = 0; i < 500; ++i) {
        Bytes noise(10 + rng() % 60);
        for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
        const IrwReadResult r = ParseIrw(noise);
        if (r.ok()) EXPECT_EQ(noise.size(), 4 + 8 * r.samples.size());
        else EXPECT_TRUE(r.samples.empty());
    }

    test::TempFolder folder;
    EXPECT_FALSE(ReadIrwFile(folder.file("missing.irw")).ok());
    EXPECT_NE(ReadIrwFile(folder.file("missing.irw")).error.find("missing.irw"), std::string::npos);
    EXPECT_NE(WriteIrwFile(folder.file("empty.irw"), {}), "");
}

TEST(IrwFile, SixteenBitReduction) {
    struct Case {
        double in;
        double out;
    };
    const Case cases[] = {
        {1.0, 1.0},
        {-1.0, -1.0},
        {0.00001, 0.0},
        {0.5 / 32767, 0.0},          // a half rounds to even: 0
        {1.5 / 32767, 2.0 / 32767},  // and 2
        {-2.5 / 32767, -2.0 / 32767},
        {32768.0 / 32767, -32768.0 / 32767},  // beyond full scale wraps like a 16-bit integer
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(ReduceToSixteenBits(std::vector<double>{c.in})[0], c.out) << c.in;
}

}  // namespace
}  // namespace zef
