#include "files/preset_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>

#include "files/binary_io.h"
#include "device/memory_transfer.h"
#include "recording_exchange.h"
#include "temp_folder.h"

namespace zef {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t LittleEndian32(const Bytes& b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}

// A device whose every preset byte and tap differs from its neighbours.
DeviceModel PatternedDevice(unsigned seed) {
    DeviceModel d;
    for (std::size_t i = 0; i < kPresetSize; ++i) d.preset[i] = static_cast<std::uint8_t>(i * 7 + seed);
    for (std::size_t o = 0; o < 2; ++o)
        for (std::size_t t = 0; t < kFirTapCount; ++t)
            d.firTaps[o][t] = static_cast<std::uint32_t>((t * 40503u + o * 977u + seed) & 0xFFFFFF);
    return d;
}

TEST(PresetFile, LayoutIsMarkerPresetThenBothFirTablesLittleEndian) {
    const DeviceModel d = PatternedDevice(3);
    const Bytes file = EncodePresetFile(d);
    ASSERT_EQ(file.size(), 3698u);
    EXPECT_EQ(file[0], 83);
    EXPECT_EQ(file[1], 0);
    for (std::size_t i = 0; i < kPresetSize; ++i) ASSERT_EQ(file[2 + i], d.preset[i]) << i;
    for (std::size_t t = 0; t < kFirTapCount; ++t) {
        ASSERT_EQ(LittleEndian32(file, 626 + 4 * t), d.firTaps[0][t]) << t;
        ASSERT_EQ(LittleEndian32(file, 2162 + 4 * t), d.firTaps[1][t]) << t;
    }
}

TEST(PresetFile, SaveThenLoadGivesIdenticalRecords) {
    test::TempFolder dir;
    const DeviceModel d = PatternedDevice(11);
    const std::string path = dir.file("live.zef");
    ASSERT_TRUE(SavePresetFile(path, d));
    EXPECT_EQ(std::filesystem::file_size(path), kPresetFileSize);

    const PresetFileResult loaded = LoadPresetFile(path);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded.data.preset, d.preset);
    EXPECT_EQ(loaded.data.firTaps, d.firTaps);

    DeviceModel target;
    target.settings[7] = 0x5A;
    ApplyPresetFile(loaded.data, target);
    EXPECT_EQ(target.preset, d.preset);
    EXPECT_EQ(target.firTaps, d.firTaps);
    EXPECT_EQ(target.settings[7], 0x5A);  // a preset file carries no device settings
}

TEST(PresetFile, TapWordsKeepTheir24Bits) {
    // A tap written as a sign-extended 32-bit number is the same 24-bit word.
    Bytes file = EncodePresetFile(DeviceModel{});
    for (std::size_t i = 0; i < 4; ++i) file[626 + i] = 0xFF;  // output 1 tap 0 = -1
    file[2162 + 3] = 0x12;                                     // output 2 tap 0 with a stray top byte
    const PresetFileResult r = DecodePresetFile(file);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.data.firTaps[0][0], 0xFFFFFFu);
    EXPECT_EQ(r.data.firTaps[1][0], 0u);
}

TEST(PresetFile, RejectedFilesAreNamedAndCarryNoData) {
    Bytes project = EncodePresetFile(PatternedDevice(1));
    project[0] = 53;  // a project file's marker
    Bytes longer = EncodePresetFile(PatternedDevice(1));
    longer.push_back(0x99);
    Bytes mebibyteMore = EncodePresetFile(PatternedDevice(1));
    mebibyteMore.resize(mebibyteMore.size() + (1u << 20), 0);

    struct Case {
        const char* what;
        Bytes bytes;
        PresetFileError expected;
        const char* problem;
    };
    const Case cases[] = {
        {"empty", {}, PresetFileError::Truncated, "has 0 bytes; a preset file has 3698"},
        {"half a marker", {83}, PresetFileError::Truncated, "has 1 byte; a preset file has 3698"},
        {"project marker", project, PresetFileError::WrongMarker, "starts with 53, not with 83 as a preset file does"},
        {"marker 83 in the high byte", {0, 83}, PresetFileError::WrongMarker,
         "starts with 21248, not with 83 as a preset file does"},
        {"marker only", {83, 0}, PresetFileError::Truncated, "has 2 bytes; a preset file has 3698"},
        {"one byte short", Bytes(longer.begin(), longer.end() - 2), PresetFileError::Truncated,
         "has 3697 bytes; a preset file has 3698"},
        {"one byte appended", longer, PresetFileError::TrailingBytes,
         "has 1 byte after the 3698 of a preset file"},
        {"1 MiB appended", mebibyteMore, PresetFileError::TrailingBytes,
         "has 1048576 bytes after the 3698 of a preset file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PresetFileResult r = DecodePresetFile(c.bytes);
        EXPECT_EQ(r.error, c.expected);
        EXPECT_EQ(r.problem, c.problem);
        if (!r.ok()) {
            EXPECT_EQ(r.data.preset, PresetImage{});
        }
    }
}

TEST(PresetFile, EveryTruncationIsRefused) {
    const Bytes file = EncodePresetFile(PatternedDevice(5));
    for (std::size_t n = 0; n < file.size(); ++n)
        ASSERT_FALSE(DecodePresetFile(std::span(file).first(n)).ok()) << n;
    EXPECT_TRUE(DecodePresetFile(file).ok());
}

TEST(PresetFile, RandomBytesNeverCrashTheLoader) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        Bytes b(rng() % 4000);
        for (auto& x : b) x = static_cast<std::uint8_t>(rng());
        if (round % 2 == 0 && b.size() >= 2) b[0] = 83, b[1] = 0;
        const PresetFileResult r = DecodePresetFile(b);
        EXPECT_EQ(r.ok(), b.size() == kPresetFileSize && b[0] == 83 && b[1] == 0);
    }
}

TEST(PresetFile, LoaderMessagesNameTheFileAndTheProblem) {
    test::TempFolder dir;
    ASSERT_TRUE(WriteFileAtomic(dir.file("project.zef"), Bytes{53, 0, 1, 2, 3}));
    Bytes appended = EncodePresetFile(PatternedDevice(2));
    appended.push_back(0);
    ASSERT_TRUE(WriteFileAtomic(dir.file("appended.zef"), appended));
    std::filesystem::create_directory(dir.file("folder.zef"));
    const struct {
        std::string path;
        PresetFileError error;
        const char* title;
        std::string text;
    } cases[] = {
        {dir.file("project.zef"), PresetFileError::WrongMarker, "Load",
         "Wrong file format\r\n" + dir.file("project.zef") + ": starts with 53, not with 83 as a preset file does"},
        {dir.file("appended.zef"), PresetFileError::TrailingBytes, "Load",
         "Wrong file format\r\n" + dir.file("appended.zef") + ": has 1 byte after the 3698 of a preset file"},
        {dir.file("none.zef"), PresetFileError::NotFound, " Error",
         " File not found. Try again.\r\n" + dir.file("none.zef") + ": no such file"},
        {dir.file("folder.zef"), PresetFileError::NotRegular, " Error",
         " File not found. Try again.\r\n" + dir.file("folder.zef") + ": is a directory, not a file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const PresetFileResult r = LoadPresetFile(c.path);
        EXPECT_EQ(r.error, c.error);
        const FileMessage m = PresetFileErrorMessage(r, c.path);
        EXPECT_EQ(m.title, c.title);
        EXPECT_EQ(m.text, c.text);
    }
}

TEST(PresetFile, SaveToAMissingFolderFailsWithoutLeavingAFile) {
    test::TempFolder dir;
    EXPECT_FALSE(SavePresetFile(dir.file("no/such/folder.zef"), DeviceModel{}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(WritePresetToDevice, SendsPresetInDeviceOrderThenBothFirsThenActivates) {
    auto model = std::make_unique<Model>();
    const DeviceSlot slot = 4;
    DeviceModel& d = model->device(slot);
    d = PatternedDevice(9);
    // Distinct bytes in three of the 2-D arrays, whose device order differs.
    d.preset[101] = 0xA1;  // routing (output 2, source 0): device offset 102
    d.preset[123] = 0xA2;  // output EQ (output 2, band 0) byte 0: device offset 118 + 150
    d.preset[420] = 0xA3;  // FIR name (output 2, char 0): device offset 419 + 16

    test::RecordingExchange ex;
    ASSERT_EQ(WritePresetToDevice(ex, *model, slot), kOk);
    ASSERT_EQ(ex.frames.size(), 13u + 48u + 1u);
    Bytes preset;
    for (std::size_t k = 0; k < 13; ++k) {
        const auto& f = ex.frames[k];
        EXPECT_EQ(f.slot, slot);
        EXPECT_EQ(f.command, 21);
        EXPECT_EQ(f.address(), 240 + 48 * k);
        EXPECT_EQ(f.p[2], 48);
        preset.insert(preset.end(), f.payload.begin(), f.payload.end());
    }
    EXPECT_EQ(preset[102], 0xA1);
    EXPECT_EQ(preset[268], 0xA2);
    EXPECT_EQ(preset[435], 0xA3);
    EXPECT_EQ(preset[0], d.preset[0]);
    EXPECT_EQ(preset[583], d.preset[583]);  // copied-only tail in place

    for (std::size_t k = 0; k < 48; ++k) {
        const auto& f = ex.frames[13 + k];
        EXPECT_EQ(f.command, 21);
        EXPECT_EQ(f.address(), 0x1000 + 48 * k);  // 0x1000 + 1152 for output 2 continues the run
    }
    // The device memory now holds output 2's tap 5 most significant byte first.
    const std::size_t at = 0x1480 + 3 * 5;
    EXPECT_EQ(ex.memory[at], d.firTaps[1][5] >> 16);
    EXPECT_EQ(ex.memory[at + 1], (d.firTaps[1][5] >> 8) & 0xFF);
    EXPECT_EQ(ex.memory[at + 2], d.firTaps[1][5] & 0xFF);

    EXPECT_EQ(ex.frames.back().command, 25);
    EXPECT_EQ(ex.frames.back().p, CommandParams{});
}

TEST(WritePresetToDevice, StopsAtTheFirstFailedExchange) {
    auto model = std::make_unique<Model>();
    for (int failAt : {0, 12, 13, 60, 61}) {
        test::RecordingExchange ex;
        ex.failAt = failAt;
        EXPECT_EQ(WritePresetToDevice(ex, *model, 1), kFailed) << failAt;
        EXPECT_EQ(ex.frames.size(), static_cast<std::size_t>(failAt + 1)) << failAt;
    }
}

}  // namespace
}  // namespace zef
