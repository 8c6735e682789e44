// Impulse-response files and the 16-bit reduction of a loaded response.

#include "files/irw_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include "temp_folder.h"

namespace zef::measure {
namespace {

std::vector<char> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(IrwFile, LayoutIsTheLastIndexThenLittleEndianDoubles) {
    test::TempFolder folder;
    const std::string path = folder.file("a.irw");
    const std::vector<double> ir = {1.0, -0.5, 1e-300, std::numeric_limits<double>::denorm_min()};
    ASSERT_EQ(WriteIrwFile(path, ir), "");
    const std::vector<char> b = Bytes(path);
    ASSERT_EQ(b.size(), 4u + 4 * 8);
    EXPECT_EQ(std::vector<char>(b.begin(), b.begin() + 4), (std::vector<char>{3, 0, 0, 0}));
    // 1.0 = 0x3FF0000000000000, least significant byte first.
    EXPECT_EQ(std::vector<char>(b.begin() + 4, b.begin() + 12),
              (std::vector<char>{0, 0, 0, 0, 0, 0, '\xF0', 0x3F}));
    std::vector<double> back;
    ASSERT_EQ(ReadIrwFile(path, back), "");
    EXPECT_EQ(back, ir);
}

TEST(IrwFile, ShortAndInconsistentFilesAreRefusedAndChangeNothing) {
    test::TempFolder folder;
    const std::string path = folder.file("b.irw");
    ASSERT_EQ(WriteIrwFile(path, std::vector<double>{0.25, 0.5}), "");
    const std::vector<char> good = Bytes(path);
    const std::vector<double> before = {9.0};
    for (std::size_t length = 0; length < good.size(); ++length) {
        WriteBytes(path, std::vector<char>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)));
        std::vector<double> ir = before;
        EXPECT_NE(ReadIrwFile(path, ir), "") << length;
        EXPECT_EQ(ir, before);
    }
    std::vector<char> negative = good;
    negative[3] = '\x80';
    WriteBytes(path, negative);
    std::vector<double> ir = before;
    EXPECT_NE(ReadIrwFile(path, ir), "");
    std::vector<char> longer = good;
    longer.push_back(0);
    WriteBytes(path, longer);
    EXPECT_NE(ReadIrwFile(path, ir), "");
    EXPECT_EQ(ir, before);
    EXPECT_NE(ReadIrwFile(folder.file("missing.irw"), ir), "");
    EXPECT_NE(WriteIrwFile(path, std::vector<double>{}), "");
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
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(ReduceToSixteenBits(std::vector<double>{c.in})[0], c.out) << c.in;
}

}  // namespace
}  // namespace zef::measure
