// The FIR wizard's rules without a window: the design settings' ranges and
// encodings, the peak read-out and its meter, the FIR name, and the wizard
// state through its file form.
#include <gtest/gtest.h>

#include "app/wizard_design.h"
#include "app/wizard_files.h"
#include "app/wizard_measurement.h"
#include "app/wizard_settings.h"
#include "model/defaults.h"
#include "recording_dialogs.h"
#include "temp_folder.h"

namespace zef::wizard {
namespace {

TEST(WizardSettings, WindowLengthSetsTheMinimumFrequencyFloor) {
    struct Case {
        int step;
        const char* text;
        int floor;
    };
    const Case cases[] = {{0, "2.0 ms", 500},  {30, "5.0 ms", 200}, {3, "2.3 ms", 435},
                          {-4, "2.0 ms", 500}, {31, "5.0 ms", 200}, {10, "3.0 ms", 334}};
    for (const Case& c : cases) {
        EXPECT_EQ(WindowLengthText(c.step), c.text) << c.step;
        EXPECT_EQ(MinFrequencyFloor(c.step), c.floor) << c.step;
    }
    // Normalising raises a minimum frequency below the window's floor.
    DesignSettings s;
    s.windowStep = 0;
    s.minFrequency = 300;
    EXPECT_EQ(Normalised(s).minFrequency, 500);
    s.windowStep = 30;
    EXPECT_EQ(Normalised(s).minFrequency, 300);
    EXPECT_DOUBLE_EQ(DesignInputs(s).windowMs, 5.0);
}

TEST(WizardSettings, EnteredFrequenciesGoToTheNearestBound) {
    struct Case {
        long typed;
        int step;
        int min;  // ClampMinFrequency
        int max;  // ClampMaxFrequency
    };
    const Case cases[] = {
        {25000, 0, 4000, 20000}, {3000, 0, 3000, 5000},    {100, 0, 500, 5000},
        {100, 30, 200, 5000},    {12000, 10, 4000, 12000}, {0, 30, 200, 5000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClampMinFrequency(c.typed, c.step), c.min) << c.typed;
        EXPECT_EQ(ClampMaxFrequency(c.typed), c.max) << c.typed;
    }
    for (char32_t k : {U'0', U'5', U'9', char32_t{8}, char32_t{13}}) EXPECT_TRUE(FrequencyBoxAccepts(k));
    for (char32_t k : {U'-', U'.', U',', U'a', U' ', char32_t{27}}) EXPECT_FALSE(FrequencyBoxAccepts(k));
}

TEST(WizardSettings, SmoothingWordPacksTypeWidthAndThreshold) {
    DesignSettings s;
    s.smoothingType = 2;
    s.smoothingWidth = 4;
    s.smoothingThreshold = 10;
    EXPECT_EQ(SmoothingWord(s), 0x024A);
    DesignSettings back;
    SetSmoothingWord(back, 0x013F);  // threshold 15 is beyond 10
    EXPECT_EQ(back.smoothingType, 1);
    EXPECT_EQ(back.smoothingWidth, 3);
    EXPECT_EQ(back.smoothingThreshold, 10);
    EXPECT_STREQ(SmoothingTypeText(0), "Disabled");
    EXPECT_STREQ(SmoothingWidthText(0), "1/6 Oct");
    EXPECT_STREQ(SmoothingWidthText(4), "1/2 Oct");
    EXPECT_DOUBLE_EQ(StepLatency(6.95, 1), 7.0);  // the designer's upper limit
    EXPECT_DOUBLE_EQ(StepLatency(0.0, -1), 0.0);
    EXPECT_NEAR(StepLatency(2.96, 1), 3.1, 1e-12);
}

TEST(WizardReadouts, PeakDbAndVuSegments) {
    struct Case {
        double peak;
        int db;
        int lit;
    };
    const Case cases[] = {
        {1.0, 0, 18},     {0.5, -6, 16},    {0.1, -20, 11},      {0.0031, -50, 1},
        {0.0029, -50, 1}, {0.0025, -52, 0}, {0.0, kNoPeakDb, 0}, {2.0, 6, 18},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PeakDb(c.peak), c.db) << c.peak;
        EXPECT_EQ(VuLitSegments(PeakDb(c.peak)), c.lit) << c.peak;
    }
}

TEST(WizardStore, NameAndProgressSteps) {
    EXPECT_EQ(WizardFirName(0, 7, 5, 2026), "Wiz3:07/05/2026");
    EXPECT_EQ(WizardFirName(1, 31, 12, 2027), "Wiz4:31/12/2027");
    EXPECT_EQ(StoreProgressSteps(384), 28);
    EXPECT_EQ(StoreProgressSteps(200), 16);
}

TEST(WizardState, SettingsTargetAndIrSurviveTheFileAndTheKeptState) {
    WizardState s;
    s.ir = {0.5, -0.25, 1e-5};
    s.target = DefaultEqTarget();
    s.target.gainDb[4] = 3.5;
    s.target.leading = -10;
    s.settings.windowStep = 17;
    s.settings.minFrequency = 600;
    s.settings.maxFrequency = 12000;
    s.settings.smoothingType = 2;
    s.settings.smoothingWidth = 1;
    s.settings.smoothingThreshold = 9;
    s.settings.precision = 8;
    s.settings.latencyMs = 4.2;
    s.settings.firMode = 0;
    EXPECT_EQ(FromFile(ToFile(s)), s);

    // Kept for a device: the target goes into the model, the IR is kept at
    // 16-bit resolution.
    test::TempFolder folder;
    Model model;
    model.entry(2).uniqueId = "025A45460001";
    ASSERT_TRUE(KeepState(folder.path().string(), model, 2, s));
    EXPECT_EQ(model.device(2).eqTarget, s.target);
    const std::optional<WizardState> kept = KeptState(folder.path().string(), model, 2);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->settings, s.settings);
    EXPECT_EQ(kept->target, s.target);
    EXPECT_EQ(kept->ir, (std::vector<double>{16384.0 / 32767, -8192.0 / 32767, 0.0}));
    EXPECT_FALSE(KeptState(folder.path().string(), model, 3));

    // Kept before any IR: the settings come back, still without an IR.
    WizardState early = s;
    early.ir.clear();
    early.settings.precision = 5;
    ASSERT_TRUE(KeepState(folder.path().string(), model, 3, early));
    const std::optional<WizardState> keptEarly = KeptState(folder.path().string(), model, 3);
    ASSERT_TRUE(keptEarly);
    EXPECT_EQ(keptEarly->settings, early.settings);
    EXPECT_TRUE(keptEarly->ir.empty());
}

TEST(WizardFiles, CancelledShortAndBadFilesChangeNothing) {
    test::TempFolder folder;
    RecordingDialogs dialogs;
    const std::string tiny = folder.file("tiny.irw");
    {
        std::FILE* f = std::fopen(tiny.c_str(), "wb");
        std::fputs("123456789", f);
        std::fclose(f);
    }
    const std::string bad = folder.file("bad.irw");
    {
        std::FILE* f = std::fopen(bad.c_str(), "wb");
        std::fputs("0123456789abcdef", f);
        std::fclose(f);
    }
    dialogs.files = {std::nullopt, tiny, bad};
    EXPECT_FALSE(OpenIr(dialogs, folder.file("")));
    EXPECT_FALSE(OpenIr(dialogs, folder.file("")));
    EXPECT_TRUE(dialogs.messages().empty());  // under 10 bytes: not used, nothing said
    EXPECT_FALSE(OpenIr(dialogs, folder.file("")));
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, std::string("file program (*.Irw)|*.irw\n") + folder.file(""));

    const std::string good = folder.file("m.irw");
    dialogs.files = {good, good};
    ASSERT_TRUE(SaveIr(dialogs, folder.file(""), {1.0, 0.00001, -0.5}));
    const std::optional<std::vector<double>> loaded = OpenIr(dialogs, folder.file(""));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(*loaded, (std::vector<double>{1.0, 0.0, -16384.0 / 32767}));
}

}  // namespace
}  // namespace zef::wizard
