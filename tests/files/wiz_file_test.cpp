// Wizard files: every field in its place and order, a bit-exact round trip,
// and bad bytes refused without a partial result.

#include "files/wiz_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>

#include "files/eq_target.h"
#include "model/defaults.h"
#include "temp_folder.h"

namespace zef {
namespace {

using Bytes = std::vector<std::uint8_t>;

WizardFile Sample() {
    WizardFile f;
    f.ir = {0.25, -1.0, 1e-300, -0.0};
    f.target = DefaultEqTarget();
    f.target.leading = -7;
    f.target.sectionCode[9] = 4;
    f.target.gainDb[2] = -3.25;
    f.target.q[0] = 0.7;
    f.target.q[4] = std::nan("");  // the record is copied bit for bit, whatever its values
    f.target.flag = 0;
    f.precision = 7;
    f.maxFrequency = 18000;
    f.smoothingWord = 0x0235;
    f.latencyMs = 2.7;
    f.firMode = 1;
    f.tapChoice = 1;
    f.minFrequency = 312;
    f.windowStep = 21;
    return f;
}

std::int16_t I16(const Bytes& b, std::size_t at) { return static_cast<std::int16_t>(b[at] | b[at + 1] << 8); }

TEST(WizFile, FieldsFollowTheIrAndTargetInOrder) {
    const WizardFile f = Sample();
    const Bytes b = EncodeWiz(f);
    const std::size_t tail = 4 + 8 * f.ir.size() + kEqTargetBytes;
    ASSERT_EQ(b.size(), tail + 22);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{3, 0, 0, 0}));
    EXPECT_EQ(Bytes(b.begin() + 4 + 32, b.begin() + tail), EncodeEqTarget(f.target));
    EXPECT_EQ(I16(b, tail), 7);
    EXPECT_EQ(I16(b, tail + 2), 18000);
    EXPECT_EQ(I16(b, tail + 4), 0x0235);
    double latency;
    std::memcpy(&latency, &b[tail + 6], 8);
    EXPECT_EQ(latency, 2.7);
    EXPECT_EQ(I16(b, tail + 14), 1);
    EXPECT_EQ(I16(b, tail + 16), 1);
    EXPECT_EQ(I16(b, tail + 18), 312);
    EXPECT_EQ(I16(b, tail + 20), 21);
}

TEST(WizFile, RoundTripIsBitExact) {
    const WizardFile f = Sample();
    test::TempFolder folder;
    const std::string path = folder.file("a.wiz");
    ASSERT_EQ(WriteWizFile(path, f), "");
    const WizReadResult back = ReadWizFile(path);
    ASSERT_TRUE(back.ok()) << back.error;
    EXPECT_EQ(EncodeWiz(back.file), EncodeWiz(f));  // NaN and -0.0 included, so compare bytes
    ASSERT_EQ(back.file.ir.size(), f.ir.size());
    EXPECT_EQ(std::bit_cast<std::uint64_t>(back.file.ir[3]), std::bit_cast<std::uint64_t>(f.ir[3]));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(back.file.target.q[4]), std::bit_cast<std::uint64_t>(f.target.q[4]));
}

TEST(WizFile, BadBytesAreRefusedCleanly) {
    const Bytes good = EncodeWiz(Sample());
    for (std::size_t n = 0; n < good.size(); ++n) {
        const WizReadResult r = ParseWiz(std::span(good.data(), n));
        EXPECT_FALSE(r.ok()) << "cut at " << n;
        EXPECT_TRUE(r.file.ir.empty());
    }
    EXPECT_NE(ParseWiz(std::span(good.data(), 9)).error.find("too short"), std::string::npos);
    Bytes longer = good;
    longer.push_back(0);
    EXPECT_FALSE(ParseWiz(longer).ok());
    Bytes negative = good;
    negative[3] = 0x80;
    EXPECT_FALSE(ParseWiz(negative).ok());
    // A sample that is not a number would reach every transform and the designed FIR.
    for (const double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        WizardFile f = Sample();
        f.ir[1] = bad;
        const WizReadResult r = ParseWiz(EncodeWiz(f));
        EXPECT_NE(r.error.find("sample 1 is not a finite number"), std::string::npos) << r.error;
        EXPECT_TRUE(r.file.ir.empty());
    }
    std::mt19937 rng(11);
    for (int i = 0; i < 300; ++i) {
        Bytes noise(10 + rng() % 400);
        for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
        const WizReadResult r = ParseWiz(noise);
        if (r.ok()) {
            EXPECT_EQ(EncodeWiz(r.file), noise);
        }
    }
    test::TempFolder folder;
    EXPECT_NE(ReadWizFile(folder.file("none.wiz")).error.find("none.wiz"), std::string::npos);
    WizardFile empty = Sample();
    empty.ir.clear();
    EXPECT_NE(WriteWizFile(folder.file("e.wiz"), empty), "");
}

}  // namespace
}  // namespace zef
