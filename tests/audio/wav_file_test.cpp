// WAV files for card checks: what is written reads back, a failed write leaves nothing, and
// files that are not audio are refused with a message.

#include "audio/wav_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fifo.h"
#include "file_bytes.h"
#include "temp_folder.h"

namespace zef::audio {
namespace {

TEST(WavFile, WrittenFramesReadBackExactly) {
    test::TempFolder folder;
    const std::string path = folder.file("take.wav");
    std::vector<float> frames;
    for (int i = 0; i < 3000; ++i) frames.push_back(float(i % 200) / 200.0f - 0.5f);
    WavWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(path, 3, 48000, error)) << error;
    ASSERT_TRUE(writer.Write(std::span(frames).first(1500), error));
    EXPECT_FALSE(std::filesystem::exists(path));  // not there before the commit
    ASSERT_TRUE(writer.Write(std::span(frames).subspan(1500), error));
    ASSERT_TRUE(writer.Commit(error)) << error;
    WavData data;
    ASSERT_EQ(ReadWav(path, data), "");
    EXPECT_EQ(data.channels, 3);
    EXPECT_EQ(data.sampleRate, 48000);
    EXPECT_EQ(data.frames(), 1000u);
    EXPECT_EQ(data.samples, frames);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);  // no temporary left
}

TEST(WavFile, TwoWritersOfOneFileKeepTheirOwnTemporaries) {
    test::TempFolder folder;
    const std::string path = folder.file("take.wav");
    const std::vector<float> first(4000, 0.25f), second(2000, -0.5f);
    WavWriter a, b;
    std::string error;
    ASSERT_TRUE(a.Open(path, 1, 48000, error)) << error;
    ASSERT_TRUE(b.Open(path, 1, 48000, error)) << error;
    ASSERT_TRUE(a.Write(first, error) && b.Write(second, error)) << error;
    ASSERT_TRUE(a.Commit(error)) << error;
    WavData data;
    ASSERT_EQ(ReadWav(path, data), "");
    EXPECT_EQ(data.samples, first);
    ASSERT_TRUE(b.Commit(error)) << error;
    ASSERT_EQ(ReadWav(path, data), "");
    EXPECT_EQ(data.samples, second);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(WavFile, AnAbandonedWriteLeavesTheOldFileAlone) {
    test::TempFolder folder;
    const std::string path = folder.file("keep.wav");
    std::ofstream(path) << "old";
    {
        WavWriter writer;
        std::string error;
        ASSERT_TRUE(writer.Open(path, 1, 48000, error));
        ASSERT_TRUE(writer.Write(std::vector<float>{0.1f, 0.2f}, error));
    }  // no commit
    std::ifstream in(path);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(WavFile, ReadersAndWritersRefuseWhatTheyCannotUse) {
    test::TempFolder folder;
    std::ofstream(folder.file("empty.wav"));
    std::ofstream(folder.file("text.wav")) << "RIFF but not really a wave file at all";
    for (const std::string name : {"empty.wav", "text.wav", "missing.wav"}) {
        WavData data;
        data.channels = 7;
        const std::string error = ReadWav(folder.file(name), data);
        EXPECT_NE(error.find(folder.file(name)), std::string::npos) << name << ": " << error;
        EXPECT_EQ(data.channels, 7);  // untouched
    }
    WavWriter writer;
    std::string error;
    EXPECT_FALSE(writer.Open(folder.file("no/such/folder/x.wav"), 1, 48000, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(writer.Commit(error));
}

TEST(WavFile, OnlyWhatTheFileHoldsIsRead) {
    test::TempFolder folder;
    test::Fifo fifo(folder.file("pipe.wav"));
    const std::string lying = folder.file("lying.flac");
    test::WriteFileBytes(lying, test::LyingFlacBytes());
    const struct {
        std::string path;
        std::string error;
    } cases[] = {
        {fifo.path(), "cannot read " + fifo.path() + ": is a FIFO, not a regular file"},
        {lying, "cannot read " + lying + ": the file ends early (0 of the 28800000 frames its header gives)"},
    };
    for (const auto& c : cases) {
        WavData data;
        std::string error;
        EXPECT_TRUE(fifo.Returns([&] { error = ReadWav(c.path, data); }));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(data.channels, 0);
    }
}

}  // namespace
}  // namespace zef::audio
