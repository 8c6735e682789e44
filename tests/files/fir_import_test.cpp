#include "files/fir_import.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/binary_io.h"
#include "temp_folder.h"

namespace zef::fir {
namespace {

using Values = std::vector<double>;

FirImportResult Parse(const std::string& fileName, const std::string& text, bool decimalComma) {
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    return ParseFirFile(fileName, bytes, decimalComma);
}

std::string Lines(int count, const std::string& value, const std::string& end) {
    std::string s;
    for (int i = 0; i < count; ++i) s += value + end;
    return s;
}

struct ParseCase {
    const char* what;
    const char* file;
    std::string text;
    FirImportError error;
    Values values;       // when accepted
    bool noted = false;  // accepted with a note: the last value had no line end
};

void Check(const ParseCase& c, bool decimalComma) {
    SCOPED_TRACE(std::string(c.what) + (decimalComma ? " (decimal comma)" : " (decimal point)"));
    const FirImportResult r = Parse(c.file, c.text, decimalComma);
    EXPECT_EQ(r.error, c.error);
    if (c.error == FirImportError::None) {
        EXPECT_EQ(r.coefficients, c.values);
    }
    EXPECT_EQ(!r.note.empty(), c.noted) << r.note;
}

TEST(FirImport, TextFilesInEitherLocale) {
    const ParseCase cases[] = {
        {"CR LF lines", "a.txt", "0.5\r\n-0.25\r\n0.125\r\n", FirImportError::None, {0.5, -0.25, 0.125}},
        {"last line without line end is taken, with a note",
         "a.txt",
         "0.5\r\n-0.25\r\n0.125",
         FirImportError::None,
         {0.5, -0.25, 0.125},
         true},
        {"LF only and CR only", "a.TXT", "1\n2\r3\r", FirImportError::None, {1, 2, 3}},
        {"empty and blank lines are skipped",
         "a.txt",
         "\r\n0.5\r\n\r\n  \r\n\n0.25\n",
         FirImportError::None,
         {0.5, 0.25}},
        {"comma and point read alike", "a.txt", "0,5\n0.5\n-1,25\n", FirImportError::None, {0.5, 0.5, -1.25}},
        {"exponent", "a.txt", "2.5e-1\n", FirImportError::None, {0.25}},
        {"384 values", "a.txt", Lines(384, "0.001", "\n"), FirImportError::None, Values(384, 0.001)},
        {"385 values", "a.txt", Lines(385, "0.001", "\n"), FirImportError::TooManyTaps, {}},
        {"385th value without line end counts too", "a.txt", Lines(384, "0.001", "\n") + "0.001",
         FirImportError::TooManyTaps, {}},
        {"3.9999 and -3.9999", "a.txt", "3.9999\n-3.9999\n", FirImportError::None, {3.9999, -3.9999}},
        {"exactly 4", "a.txt", "0.5\n4\n", FirImportError::OutOfRange, {}},
        {"exactly -4", "a.txt", "-4\n0.5\n", FirImportError::OutOfRange, {}},
        {"too many is found before out of range",
         "a.txt",
         Lines(384, "0", "\n") + "9\n",
         FirImportError::TooManyTaps,
         {}},
        {"a word", "a.txt", "0.5\ngain\n", FirImportError::WrongFile, {}},
        {"no value at all", "a.txt", "\r\n\r\n", FirImportError::WrongFile, {}},
        {"one byte", "a.txt", "1", FirImportError::WrongFile, {}},
        {"other extension", "a.dat", "0.5\n0.25\n", FirImportError::WrongFile, {}},
        {"no extension", "tx", "0.5\n0.25\n", FirImportError::WrongFile, {}},
    };
    for (const ParseCase& c : cases) {
        Check(c, false);
        Check(c, true);
    }
}

TEST(FirImport, CsvLayoutsFirstMatchWins) {
    const ParseCase cases[] = {
        {"one line with semicolons",
         "a.csv",
         "0.125;0.25;0.5;0.75",
         FirImportError::None,
         {0.125, 0.25, 0.5, 0.75}},
        {"one line with commas",
         "a.csv",
         "0.125,0.25,0.5,0.75",
         FirImportError::None,
         {0.125, 0.25, 0.5, 0.75}},
        {"one line with commas and a line end",
         "a.CSV",
         "0.125,0.25,0.5,0.75\r\n",
         FirImportError::None,
         {0.125, 0.25, 0.5, 0.75}},
        {"semicolon wins over point",
         "a.csv",
         "0.125;0.25;0.5;-0.75",
         FirImportError::None,
         {0.125, 0.25, 0.5, -0.75}},
        {"values closed by semicolons on lines",
         "a.csv",
         "0,5;\r\n0,25;\r\n-1;\r\n",
         FirImportError::None,
         {0.5, 0.25, -1}},
        {"value after the last closing semicolon is taken, with a note",
         "a.csv",
         "0.5;\r\n0.25;\r\n-1",
         FirImportError::None,
         {0.5, 0.25, -1},
         true},
        {"values closed by commas on lines",
         "a.csv",
         "0.5,\r\n0.25,\r\n-1,\r\n",
         FirImportError::None,
         {0.5, 0.25, -1}},
        {"plain lines", "a.csv", "0.5\r\n0.25\r\n-0.125\r\n", FirImportError::None, {0.5, 0.25, -0.125}},
        {"plain lines, last without line end taken with a note",
         "a.csv",
         "0.5\r\n0.25\r\n-0.125",
         FirImportError::None,
         {0.5, 0.25, -0.125},
         true},
        // Only bytes 0..n-10 choose the layout: here "0." decides, so the two
        // lines are read as one comma-separated value.
        {"short two-line file", "a.csv", "0.5\r\n0.25\r\n", FirImportError::WrongFile, {}},
        {"nine bytes", "a.csv", "0.5;0.25;", FirImportError::WrongFile, {}},
        {"eleven bytes, separator at n-10", "a.csv", "0;0.5;0.125", FirImportError::None, {0, 0.5, 0.125}},
        {"ten bytes, separator not looked at", "a.csv", "0.125;0.25", FirImportError::WrongFile, {}},
        {"integers without separator or point", "a.csv", "1 2 3 4 5 6 7 8", FirImportError::WrongFile, {}},
        {"out of range", "a.csv", "0.125;4;0.5;0.75", FirImportError::OutOfRange, {}},
        {"385 values on one line", "a.csv", Lines(385, "0.5", ";"), FirImportError::TooManyTaps, {}},
        {"384 values on one line", "a.csv", Lines(384, "0.5", ";"), FirImportError::None, Values(384, 0.5)},
    };
    for (const ParseCase& c : cases) {
        Check(c, false);
        Check(c, true);
    }
}

TEST(FirImport, MessagesAreTheUsersTexts) {
    EXPECT_STREQ(FirImportErrorText(FirImportError::WrongFile), "Wrong File");
    EXPECT_STREQ(FirImportErrorText(FirImportError::TooManyTaps),
                 "Wrong File, max num of Taps should be 384");
    EXPECT_STREQ(FirImportErrorText(FirImportError::OutOfRange),
                 "Wrong File, coefficients out of range (<=-4 or >=+4)");
}

TEST(FirImport, NameFromTheFileName) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\Program\\FIR\\Sub 80Hz.txt", "Sub 80Hz"},
        {"/home/user/FIR/top.csv", "top"},
        {"exactly16chars__.txt", "exactly16chars__"},
        {"seventeen_chars__.txt", "seventeen_cha   "},
        {"/x/abcdefghijklmnopqrst.txt", "abcdefghijklm   "},  // 20 characters
        {"mixed/sep\\name.TXT", "name"},
        {".txt", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FirNameFromPath(c.path), c.name) << c.path;
        EXPECT_EQ(PaddedFirName(FirNameFromPath(c.path)).size(), 16u);
    }
    EXPECT_EQ(PaddedFirName("Sub"), "Sub             ");
}

TEST(FirImport, ReadsFromDisk) {
    test::TempFolder dir;
    const std::string path = dir.file("My long FIR filter name.txt");
    const std::string text = "0.5\r\n-0.5\r\n";
    ASSERT_TRUE(WriteFileAtomic(path, std::vector<std::uint8_t>(text.begin(), text.end())));
    const FirImportResult r = ImportFirFile(path, false);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.coefficients, (Values{0.5, -0.5}));
    EXPECT_EQ(r.name, "My long FIR f   ");
    EXPECT_EQ(ImportFirFile(dir.file("absent.txt"), false).error, FirImportError::WrongFile);
}

TEST(FirImport, RefusedFilesAreNamedWithTheirProblem) {
    test::TempFolder dir;
    const auto write = [&](const std::string& name, const std::string& text) {
        EXPECT_TRUE(WriteFileAtomic(dir.file(name), std::vector<std::uint8_t>(text.begin(), text.end())));
        return dir.file(name);
    };
    std::filesystem::create_directory(dir.file("folder.txt"));
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {dir.file("absent.txt"), "Wrong File\r\n" + dir.file("absent.txt") + ": no such file"},
        {dir.file("folder.txt"), "Wrong File\r\n" + dir.file("folder.txt") + ": is a directory, not a file"},
        {write("huge.txt", std::string(10u << 20, '\n')),
         "Wrong File\r\n" + dir.file("huge.txt") + ": is too large (10485760 bytes; at most 4194304)"},
        {write("word.txt", "0.5\ngain\n"),
         "Wrong File\r\n" + dir.file("word.txt") + ": value 2, \"gain\", is not a number"},
        {write("range.txt", "0.5\n4\n"), "Wrong File, coefficients out of range (<=-4 or >=+4)\r\n" +
                                             dir.file("range.txt") + ": value 2, \"4\", is not between -4 and +4"},
        {write("empty.txt", "\r\n\r\n"), "Wrong File\r\n" + dir.file("empty.txt") + ": holds no value"},
        {write("a.dat", "0.5\n"), "Wrong File\r\n" + dir.file("a.dat") + ": is neither a .txt nor a .csv file"},
    };
    for (const auto& c : cases) {
        const FirImportResult r = ImportFirFile(c.path, false);
        EXPECT_FALSE(r.ok()) << c.path;
        EXPECT_EQ(FirImportMessage(r, c.path), c.message);
    }
}

}  // namespace
}  // namespace zef::fir
