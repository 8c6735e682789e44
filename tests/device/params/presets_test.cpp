// Storing and recalling the device's preset slots against the simulated
// amplifier: names as they land in the device, the questions and messages,
// and what an empty slot or a failure leaves alone.

#include "device/memory_transfer.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "params_fixture.h"

namespace zef::test {
namespace {

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST_F(ParamsTest, StoreWritesTheNamePaddedToSixteenAndStoresTheSlot) {
    struct Row {
        std::string typed;
        int slot;
        PresetResult result;
        std::string stored;  // 16 characters as the device holds them
        std::string shown;   // name at the end of the status text
    };
    const Row rows[] = {
        {"Vox1", 2, PresetResult::Done, "Vox1            ", "Vox1"},
        {"ABCDEFGHIJKLMNOP", 0, PresetResult::Done, "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
        {"ABCDEFGHIJKLMNOPQ", 1, PresetResult::Done, "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
        {"  x", 1, PresetResult::Done, "  x             ", "x"},
        {"", 1, PresetResult::NoName, "", ""},
        {" ", 1, PresetResult::NoName, "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        device->clearLog();
        dialogs.calls.clear();
        dialogs.answers = {Answer::Yes};
        hooks.statusTexts.clear();
        const Bytes nameBefore = Mem(kPreset, 16);
        std::vector<int> progress;

        EXPECT_EQ(presetActions.Store(r.slot, r.typed,
                                [&](int v, int max) {
                                    EXPECT_EQ(max, 3);
                                    progress.push_back(v);
                                }),
                  r.result);

        if (r.result == PresetResult::NoName) {
            ASSERT_EQ(dialogs.calls.size(), 1u);
            EXPECT_EQ(dialogs.calls[0].kind, "message");
            EXPECT_EQ(dialogs.calls[0].title, "Edit Names");
            EXPECT_EQ(dialogs.calls[0].text, "Please input the Name !");
            EXPECT_EQ(dialogs.calls[0].icon, Icon::Information);
            EXPECT_TRUE(Frames().empty());
            EXPECT_EQ(Mem(kPreset, 16), nameBefore);
            continue;
        }
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(dialogs.calls[0].title, "Store Program");
        EXPECT_EQ(SplitQuestion(dialogs.calls[0].text).first, "               Are you sure ? ");
        EXPECT_FALSE(SplitQuestion(dialogs.calls[0].text).second.empty());
        // The name, its read-back (the preset block holding it), the store.
        EXPECT_EQ(Frames(),
                  (std::vector<Bytes>{WriteFrame(240, Text(r.stored)), Frame13(cmd::kReadMemory, {0, 240, 78}),
                                      Frame13(cmd::kStorePreset, {static_cast<std::uint8_t>(r.slot)})}));
        EXPECT_EQ(Mem(kPreset, 16), Text(r.stored));
        const Bytes slot = device->presetSlot(r.slot);
        ASSERT_EQ(slot.size(), kPresetSize);
        EXPECT_EQ(Bytes(slot.begin(), slot.begin() + 16), Text(r.stored));
        EXPECT_EQ(Mem(204) & 0x7F, r.slot);
        EXPECT_EQ(LoadedPresetSlot(dm().settings), r.slot);
        EXPECT_EQ(dm().values.presetNames[static_cast<std::size_t>(r.slot)], r.stored);
        EXPECT_EQ(PresetSlotRows(dm())[static_cast<std::size_t>(r.slot)],
                  "0" + std::to_string(r.slot + 1) + ": " + r.stored);
        ASSERT_EQ(hooks.statusTexts.size(), 1u);
        EXPECT_EQ(hooks.statusTexts[0], "Stage Left - IP=127.0.0.1 - program loaded: P0" +
                                            std::to_string(r.slot + 1) + " " + r.shown);
        EXPECT_EQ(progress, (std::vector<int>{0, 1, 2, 3}));
    }
}

TEST_F(ParamsTest, NamesTravelInTheDevicesSingleByteCharacters) {
    // "Bühne": one byte per character on the device (Windows-1252 ü = FC),
    // UTF-8 in the program, and the same name when the device is read back.
    dialogs.answers = {Answer::Yes};
    ASSERT_EQ(presetActions.Store(1, "B\xC3\xBChne"), PresetResult::Done);
    Bytes stored = {'B', 0xFC, 'h', 'n', 'e'};
    stored.resize(16, ' ');
    EXPECT_EQ(Frames().front(), WriteFrame(240, stored));
    EXPECT_EQ(Mem(kPreset, 16), stored);
    EXPECT_EQ(dm().values.presetNames[1], "B\xC3\xBChne           ");
    ASSERT_EQ(reader.ReadWholeDevice(kSlot), kOk);
    EXPECT_EQ(PresetName(dm().preset), "B\xC3\xBChne");

    // A character the device has no byte for is refused before anything is sent.
    device->clearLog();
    dialogs.calls.clear();
    EXPECT_EQ(presetActions.Store(2, "Saal \xE5\x90\x8D"), PresetResult::NoName);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, kNameSymbolsText);
    EXPECT_TRUE(Frames().empty());
}

TEST_F(ParamsTest, StoreAnsweredNoSendsNothing) {
    dialogs.answers = {Answer::No};
    const PresetImage before = dm().preset;
    EXPECT_EQ(presetActions.Store(0, "Keep", {}), PresetResult::Declined);
    EXPECT_TRUE(Frames().empty());
    EXPECT_EQ(dm().preset, before);
}

TEST_F(ParamsTest, StoreThatFailsLeavesTheLoadedSlotAndStatus) {
    dialogs.answers = {Answer::Yes};
    device->setSilent(true);
    EXPECT_EQ(presetActions.Store(2, "Lost", {}), PresetResult::Failed);
    EXPECT_EQ(LoadedPresetSlot(dm().settings), 0);
    EXPECT_TRUE(hooks.statusTexts.empty());
}

TEST_F(ParamsTest, RecallOfAnEmptySlotChangesNothingAndSendsNothingMore) {
    const DeviceSettings settings = dm().settings;
    const PresetImage preset = dm().preset;
    const auto taps = dm().firTaps;
    const auto names = dm().values.presetNames;
    dialogs.answers = {Answer::Yes};

    EXPECT_EQ(presetActions.Recall(1, {}), PresetResult::Empty);

    EXPECT_EQ(Frames(), std::vector<Bytes>{Frame13(cmd::kRecallPreset, {1})});
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[0].title, "Recall Program");
    EXPECT_EQ(dialogs.calls[0].text, "Overwrite current editing, are you sure ? ");
    EXPECT_EQ(dialogs.calls[1].kind, "message");
    EXPECT_EQ(dialogs.calls[1].title, "Recall Program");
    EXPECT_EQ(dialogs.calls[1].text, "Preset empty");
    EXPECT_EQ(dialogs.calls[1].icon, Icon::Critical);
    EXPECT_EQ(dm().settings, settings);
    EXPECT_EQ(dm().preset, preset);
    EXPECT_EQ(dm().firTaps, taps);
    EXPECT_EQ(dm().values.presetNames, names);
    EXPECT_TRUE(hooks.calls.empty());
    EXPECT_TRUE(hooks.statusTexts.empty());
}

TEST_F(ParamsTest, RecallReadsTheStoredProgramBackIntoTheModel) {
    dialogs.answers = {Answer::Yes, Answer::Yes};
    ASSERT_EQ(presetActions.Store(0, "Main", {}), PresetResult::Done);
    // Edits after the store, on the device and in the model.
    Set("out1.gain", 12);
    writer.Set(kSlot, BandEdit(20, {2, 3300, -9, 3, false}));
    device->frontPanelFirChange(1);
    device->clearLog();
    hooks.calls.clear();

    EXPECT_EQ(presetActions.Recall(0, {}), PresetResult::Done);

    EXPECT_EQ(Frames().front(), Frame13(cmd::kRecallPreset, {0}));
    EXPECT_EQ(dm().preset[pi::OutputGain(0)], 120);
    EXPECT_EQ(dm().values.bandGain[20], 0.0);
    const Bytes fir = Mem(FirAddress(1), kFirImageSize);
    const FirImage held = FirImageFromTaps(dm().firTaps[1]);
    EXPECT_TRUE(std::equal(fir.begin(), fir.end(), held.begin()));
    EXPECT_TRUE(hooks.called("DeviceLevel"));
    EXPECT_TRUE(hooks.called("ChannelLevel"));
    EXPECT_EQ(hooks.statusTexts.back(), "Stage Left - IP=127.0.0.1 - program loaded: P01 Main");
    EXPECT_EQ(dm().values.presetNames[0], "Main");
}

TEST_F(ParamsTest, RecallAnsweredNoSendsNothing) {
    dialogs.answers = {Answer::No};
    EXPECT_EQ(presetActions.Recall(0, {}), PresetResult::Declined);
    EXPECT_TRUE(Frames().empty());
}

}  // namespace
}  // namespace zef::test
