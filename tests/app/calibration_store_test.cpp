// The calibration kept per card input: what is kept reads back after a
// restart, a file that does not read is refused with the reader's line and
// changes nothing, the kept curves load, and the targets' band shapes.
#include "app/calibration_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/measure_target.h"
#include "temp_folder.h"

namespace zef {
namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CalibrationStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteText(mic, "\"Sens Factor =-1.5dB, SERNO: 123\n20 1.0\n1000 0.0\n20000 -2.0\n");
        WriteText(card, "* loopback of the card\n20 6\n20000 6\n");
        WriteText(bad, "20 1.0\n1000 0.0\n500 oops\n");
    }
    std::string dir() const { return folder.path().string(); }

    test::TempFolder folder;
    std::string mic = folder.file("mic cal.txt");
    std::string card = folder.file("card.txt");
    std::string bad = folder.file("bad.txt");
};

TEST_F(CalibrationStoreTest, WhatIsKeptPerCardInputReadsBackAfterARestart) {
    {
        CalibrationStore store(dir());
        EXPECT_EQ(store.Set("USB Audio CODEC", 1, {mic, card}), "");
        EXPECT_EQ(store.Set("USB Audio CODEC", 0, {mic, ""}), "");
        EXPECT_EQ(store.Set("ZEF virtual rig (127.0.0.1:30400)", 1, {"", card}), "");
        EXPECT_EQ(store.Set("Forgotten", 0, {mic, ""}), "");
        EXPECT_EQ(store.Set("Forgotten", 0, {}), "") << "both empty forgets the input";
    }
    const CalibrationStore again(dir());
    const struct {
        const char* card;
        int input;
        CalibrationFiles expected;
    } cases[] = {
        {"USB Audio CODEC", 1, {mic, card}},
        {"USB Audio CODEC", 0, {mic, ""}},
        {"USB Audio CODEC", 2, {}},
        {"ZEF virtual rig (127.0.0.1:30400)", 1, {"", card}},
        {"ZEF virtual rig (127.0.0.1:30400)", 0, {}},
        {"Forgotten", 0, {}},
        {"usb audio codec", 1, {}},  // the name as the card gives it
    };
    for (const auto& c : cases) {
        EXPECT_EQ(again.files(c.card, c.input), c.expected) << c.card << " input " << c.input;
    }
}

TEST_F(CalibrationStoreTest, AFileThatDoesNotReadIsRefusedWithItsLineAndNothingChanges) {
    CalibrationStore store(dir());
    ASSERT_EQ(store.Set("Card", 0, {mic, card}), "");
    const std::string kept = ReadText(store.path());
    const struct {
        CalibrationFiles files;
        const char* expected;
    } cases[] = {
        {{bad, card}, "bad.txt line 3"},
        {{mic, bad}, "bad.txt line 3"},
        {{folder.file("missing.txt"), ""}, "missing.txt"},
        {{mic, "tab\there.txt"}, "tab"},
    };
    for (const auto& c : cases) {
        const std::string e = store.Set("Card", 0, c.files);
        EXPECT_NE(e.find(c.expected), std::string::npos) << e;
        EXPECT_EQ(store.files("Card", 0), (CalibrationFiles{mic, card}));
        EXPECT_EQ(ReadText(store.path()), kept);
    }
    EXPECT_NE(CalibrationStore("").Set("Card", 0, {mic, ""}), "") << "no data folder, nothing kept";
}

TEST_F(CalibrationStoreTest, MalformedLinesOfTheStoreAreSkipped) {
    WriteText(folder.file(kCalibrationFileName), "0\t" + mic + "\t\tGood card\nx\t" + mic +
                                                     "\t\tBad index\n1\tonly three\tfields\n\n2\t\t\tEmpty\n");
    const CalibrationStore store(dir());
    EXPECT_EQ(store.files("Good card", 0), (CalibrationFiles{mic, ""}));
    EXPECT_TRUE(store.files("Bad index", 0).empty());
    EXPECT_TRUE(store.files("fields", 1).empty());
    EXPECT_TRUE(store.files("Empty", 2).empty());
}

TEST_F(CalibrationStoreTest, TheKeptCurvesLoadAndAFileSpoiltSinceIsReported) {
    ASSERT_EQ(CalibrationStore(dir()).Set("Card", 1, {mic, card}), "");
    measure::Calibration c;
    ASSERT_EQ(KeptCalibration(dir(), "Card", 1, c), "");
    EXPECT_NEAR(c.DbAt(20), 7.0, 1e-9);
    EXPECT_NEAR(c.DbAt(20000), 4.0, 1e-9);
    ASSERT_TRUE(c.microphone.sensitivityDb.has_value());
    EXPECT_DOUBLE_EQ(*c.microphone.sensitivityDb, -1.5);
    measure::Calibration none;
    EXPECT_EQ(KeptCalibration(dir(), "Card", 0, none), "");
    EXPECT_TRUE(none.empty());

    WriteText(card, "20 6\n10 6\n");  // spoilt after it was kept
    measure::Calibration spoilt = c;
    const std::string e = KeptCalibration(dir(), "Card", 1, spoilt);
    EXPECT_EQ(e.rfind("Calibration: ", 0), 0u) << e;
    EXPECT_NE(e.find("line 2"), std::string::npos) << e;
    EXPECT_NEAR(spoilt.DbAt(20), 7.0, 1e-9) << "a refused file leaves the calibration as it was";
}

TEST(CalibrationCaption, NamesTheFilesInUse) {
    const struct {
        CalibrationFiles files;
        const char* expected;
    } cases[] = {
        {{}, "Not calibrated"},
        {{"/a/b/mic.txt", ""}, "Calibrated: mic.txt"},
        {{"", "/a/card.frd"}, "Calibrated: card.frd"},
        {{"/a/mic.txt", "/b/card.txt"}, "Calibrated: mic.txt + card.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(CalibrationCaption(c.files), c.expected);
}

TEST(MeasureTargetShape, FlatTiltAndFileGiveTheirBandShapes) {
    test::TempFolder folder;
    const std::string file = folder.file("house.txt");
    WriteText(file, "20 6\n200 6\n2000 0\n20000 0\n");
    const struct {
        MeasureTarget target;
        double at63, at1k, at16k;  // bands 4, 16, 28
    } cases[] = {
        {{MeasureTarget::Kind::Flat, -2.0, file}, 0, 0, 0},
        {{MeasureTarget::Kind::Tilt, -1.0, ""}, 4.0, 0, -4.0},
        {{MeasureTarget::Kind::Tilt, 2.5, ""}, -10.0, 0, 10.0},
        {{MeasureTarget::Kind::File, 0, file}, 6.0, 6 * std::log10(2000 / 1000.0), 0},
    };
    for (const auto& c : cases) {
        BandSpectrum shape;
        shape.fill(99);
        ASSERT_EQ(TargetShape(c.target, shape), "");
        EXPECT_NEAR(shape[4], c.at63, 0.1);
        EXPECT_NEAR(shape[16], c.at1k, 0.1);
        EXPECT_NEAR(shape[28], c.at16k, 0.1);
    }
    WriteText(file, "20 6\nnot a number\n");
    BandSpectrum shape{};
    const std::string e = TargetShape({MeasureTarget::Kind::File, 0, file}, shape);
    EXPECT_NE(e.find("line 2"), std::string::npos) << e;
    EXPECT_NE(TargetShape({MeasureTarget::Kind::File, 0, ""}, shape), "");
}

}  // namespace
}  // namespace zef
