#include "files/binary_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "base/input_file.h"
#include "temp_folder.h"

namespace zef {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ByteReader, ReadsLittleEndianFieldsInOrder) {
    const Bytes data = {0x34, 0x12,                                      // u16 0x1234
                        0xFE, 0xFF,                                      // i16 -2
                        0x78, 0x56, 0x34, 0x12,                          // i32
                        0x9A,                                            // u8
                        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xBF,  // f64 -1.5
                        0x03, 0x00, 'a',  'b',  'c',                     // text
                        0x07};
    ByteReader r(data);
    EXPECT_EQ(r.u16(), 0x1234);
    EXPECT_EQ(r.i16(), -2);
    EXPECT_EQ(r.i32(), 0x12345678);
    EXPECT_EQ(r.u8(), 0x9A);
    EXPECT_EQ(r.f64(), -1.5);
    EXPECT_EQ(r.text(), "abc");
    EXPECT_EQ(r.remaining(), 1u);
    EXPECT_EQ(r.u8(), 0x07);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
}

TEST(ByteReader, EveryReadPastTheEndFailsAndTheFailureSticks) {
    struct Case {
        const char* what;
        Bytes data;
        void (*read)(ByteReader&);
    };
    const Case cases[] = {
        {"u8 of nothing", {}, [](ByteReader& r) { r.u8(); }},
        {"i16 of one byte", {1}, [](ByteReader& r) { r.i16(); }},
        {"i32 of three bytes", {1, 2, 3}, [](ByteReader& r) { r.i32(); }},
        {"f64 of seven bytes", {1, 2, 3, 4, 5, 6, 7}, [](ByteReader& r) { r.f64(); }},
        {"text length alone is cut", {5}, [](ByteReader& r) { r.text(); }},
        {"text longer than the rest", {5, 0, 'a', 'b'}, [](ByteReader& r) { r.text(); }},
        {"text of length 65535 in a short file", {0xFF, 0xFF, 'x'}, [](ByteReader& r) { r.text(); }},
        {"bytes beyond the end",
         {1, 2},
         [](ByteReader& r) {
             Bytes out(3, 0xAA);
             r.bytes(out);
             EXPECT_EQ(out, Bytes(3, 0xAA));  // untouched on failure
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ByteReader r(c.data);
        c.read(r);
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(r.remaining(), 0u);
        EXPECT_EQ(r.u8(), 0);  // later reads fail too, even where a byte would be left
        EXPECT_FALSE(r.ok());
    }
}

TEST(ByteWriter, WritesWhatTheReaderReads) {
    ByteWriter w;
    w.i16(-300);
    w.u16(0xBEEF);
    w.i32(-123456789);
    w.f64(-2.5e-7);
    w.text("ZEF-4.260");
    w.u8(0x42);
    ASSERT_TRUE(w.ok());
    EXPECT_EQ(w.data().size(), 2u + 2 + 4 + 8 + 2 + 9 + 1);
    EXPECT_EQ(w.data()[0], 0xD4);  // -300 = 0xFED4, low byte first
    EXPECT_EQ(w.data()[1], 0xFE);

    ByteReader r(w.data());
    EXPECT_EQ(r.i16(), -300);
    EXPECT_EQ(r.u16(), 0xBEEF);
    EXPECT_EQ(r.i32(), -123456789);
    EXPECT_EQ(r.f64(), -2.5e-7);
    EXPECT_EQ(r.text(), "ZEF-4.260");
    EXPECT_EQ(r.u8(), 0x42);
    EXPECT_TRUE(r.ok());
}

TEST(ByteWriter, RefusesATextItCannotPrefixWithItsLength) {
    ByteWriter w;
    w.text(std::string(0xFFFF, 'a'));
    EXPECT_TRUE(w.ok());
    w.text(std::string(0x10000, 'a'));
    EXPECT_FALSE(w.ok());
}

TEST(Files, AtomicWriteReplacesTheTargetAndLeavesNoTemporary) {
    test::TempFolder dir;
    const std::string path = dir.file("out.bin");
    ASSERT_TRUE(WriteFileAtomic(path, Bytes(100, 1)));
    ASSERT_TRUE(WriteFileAtomic(path, Bytes{9, 8, 7}));
    const FileBytes back = ReadWholeFile(path, 1000);
    EXPECT_EQ(back.error, FileReadError::None);
    EXPECT_EQ(back.bytes, (Bytes{9, 8, 7}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Files, AFailedWriteLeavesNothing) {
    test::TempFolder dir;
    EXPECT_FALSE(WriteFileAtomic(dir.file("missing/sub/out.bin"), Bytes{1}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0);
}

TEST(Files, APrivateFileIsItsOwnersOnlyFromTheStart) {
    test::TempFolder dir;
    const std::string path = dir.file("private.cfg");
    ASSERT_TRUE(WriteFileAtomic(path, Bytes{1}));
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0644));
    ASSERT_TRUE(WritePrivateFileAtomic(path, Bytes{2}));
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0600));
    EXPECT_EQ(ReadWholeFile(path, 10).bytes, Bytes{2});
}

}  // namespace
}  // namespace zef
