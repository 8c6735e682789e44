// Reading the device back: the device changes by itself (front panel, a
// preset recalled on the device, a new FIR), the next poll reports it and
// the update brings the model along — completely, or group by group.

#include <functional>

#include "device/memory_transfer.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "params_fixture.h"

namespace zef::test {
namespace {

struct FrontPanelCase {
    std::string what;
    std::uint32_t address;  // device address changed on the front panel
    std::uint8_t value;
    std::vector<std::string> groups;  // hooks of the groups that must run, in order
    std::string event;                // a response event that must be heard ("" = none required)
};

std::vector<FrontPanelCase> FrontPanelCases() {
    return {
        {"OutputGain", P(493), 100, {"Gains"}, ""},
        {"OutputMute", P(495), 2, {"Mutes"}, ""},
        {"GateThreshold", P(21), 3, {"NoiseGates"}, ""},
        {"DelayBypass", P(582), 1, {"Delay"}, ""},
        {"CompressorKnee", P(484), 1, {"CompressorAuto"}, ""},
        {"CompressorValue", P(470), 77, {"Compressors"}, ""},
        {"LowPassFrequency", P(111), 0x10, {"Crossovers"}, "crossover 1"},
        {"ChannelMode", P(28), 1, {"ChannelModes"}, "group 0"},
        {"InputEqBypass", P(29), 2, {"EqBypass"}, "group 1"},
        {"Output2Band1Gain", P(118 + 5 * 31 + 4), 50, {"EqBands"}, "band 39"},
        {"MaskingBand", P(500 + 5 * 15 + 1), 0x30, {"EqBands"}, "band 83"},
        {"EqMode", P(116), 1, {"EqMode"}, "group 3"},
        {"FirBypass", P(418), 1, {"FirBypass"}, "group 2"},
        {"InputPolarity", P(19), 1, {"Polarity"}, ""},
        {"LimiterThreshold", P(490), 60, {"Limiters"}, ""},
        {"Routing", P(101), 158, {"Routing"}, ""},
        {"MaskingLevel", P(580), 70, {"Masking"}, ""},
        {"DynamicFilter", P(456), 33, {"DynamicFilter"}, ""},
        {"FirName", P(420), 'X', {"FirInfo"}, ""},
        {"RemoteEnable", 217, 1, {"RemoteEnable"}, ""},
        {"NoiseSubOption", 209, 1, {"NoiseGenerator"}, ""},
        {"Voltage", 214, 2, {"BridgePower"}, ""},
        {"SleepMode", 211, 1, {"SleepMode"}, ""},
        {"Standby", 206, 1, {"Standby"}, ""},
        {"LinkMask", 212, 3, {"LinkMask"}, ""},
        {"CopiedOnlyByte", P(600), 0x77, {}, ""},
        {"LoadedSlotBit7Alone", 204, 0x80, {}, ""},
    };
}

void PrintTo(const FrontPanelCase& c, std::ostream* os) { *os << c.what; }

class FrontPanelTest : public ParamsTest, public ::testing::WithParamInterface<FrontPanelCase> {};

TEST_P(FrontPanelTest, IncrementalUpdateTouchesOnlyTheChangedGroup) {
    const FrontPanelCase& c = GetParam();
    device->frontPanelWrite(c.address, c.value);
    Poll();
    device->clearLog();

    EXPECT_EQ(reader.UpdateIfChanged(kSlot), UpdateKind::Incremental);

    EXPECT_EQ(hooks.groupCalls(), c.groups);
    EXPECT_FALSE(hooks.called("DeviceLevel"));
    EXPECT_FALSE(hooks.called("ChannelLevel"));
    if (!c.event.empty()) {
        EXPECT_NE(std::find(observer.events.begin(), observer.events.end(), c.event), observer.events.end());
    }
    EXPECT_EQ(Mem(0, kDeviceMemorySize), ModelImage(dm()));
    // Only the reads went out: 2 of 120 bytes and 8 of 78 bytes, each twice
    // in a row (two replies must agree).
    const auto frames = Frames();
    ASSERT_EQ(frames.size(), 20u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i][3], cmd::kReadMemory);
        if (i % 2 == 1) {
            EXPECT_EQ(frames[i], frames[i - 1]) << i;
        }
    }
    EXPECT_FALSE(link.sendsSuppressed());
    EXPECT_FALSE(reader.busy());
}

std::string CaseName(const ::testing::TestParamInfo<FrontPanelCase>& info) { return info.param.what; }

INSTANTIATE_TEST_SUITE_P(Every, FrontPanelTest, ::testing::ValuesIn(FrontPanelCases()), CaseName);

TEST_F(ParamsTest, FrontPanelGainFollowsIntoEditorValuesAndStatusText) {
    device->frontPanelWrite(P(493), 100);
    for (std::size_t i = 0; i < 16; ++i)
        device->frontPanelWrite(P(i), static_cast<std::uint8_t>("  Warm Hall     "[i]));
    Poll();
    ASSERT_EQ(reader.UpdateIfChanged(kSlot), UpdateKind::Incremental);

    EXPECT_EQ(dm().values.channelGainDb[kOutput1], -10.0);
    ASSERT_FALSE(hooks.statusTexts.empty());
    EXPECT_EQ(hooks.statusTexts.back(), "Stage Left - IP=127.0.0.1 - program loaded: P01 Warm Hall");
    EXPECT_EQ(dm().values.presetNames[0], "Warm Hall");
    EXPECT_FALSE(link.deviceChanged[kSlot]);
    // Nothing is due any more.
    EXPECT_EQ(reader.UpdateIfChanged(kSlot), std::nullopt);
}

TEST_F(ParamsTest, PresetRecalledOnTheDeviceGivesTheFullRefresh) {
    // Slot 2 of the device holds a program with input L at code 7 and
    // another output 1 FIR; the device runs slot 0 with the model in step.
    device->setMemory(P(16), {7});
    device->frontPanelFirChange(0);
    ASSERT_EQ(exchange->SendCommandFrame(kSlot, cmd::kStorePreset, {2, 0, 0, 0, 0, 0, 0, 0}), kOk);
    device->setMemory(204, {0});
    device->setMemory(P(16), {120});
    device->frontPanelFirChange(0);
    ASSERT_EQ(reader.ReadWholeDevice(kSlot), kOk);
    device->clearLog();
    hooks.calls.clear();
    observer.events.clear();

    device->frontPanelRecall(2);
    Poll();
    EXPECT_EQ(link.deviceChangeBits, kFirChangedOutput1);
    ASSERT_EQ(reader.UpdateIfChanged(kSlot), UpdateKind::Full);

    EXPECT_TRUE(hooks.groupCalls().empty());
    for (const char* hook :
         {"DeviceListEntry", "FirReread 0", "FirReread 1", "OutputEditor", "DeviceLevel", "ChannelLevel"})
        EXPECT_TRUE(hooks.called(hook)) << hook;
    EXPECT_EQ(dm().preset[pi::InputGain(0)], 7);
    EXPECT_EQ(LoadedPresetSlot(dm().settings), 2);
    EXPECT_EQ(dm().values.channelGainDb[kInputL], 7 / 2.0 - 60);
    EXPECT_EQ(Mem(0, kDeviceMemorySize), ModelImage(dm()));
    EXPECT_EQ(FirImageFromTaps(dm().firTaps[0]), [&] {
        FirImage image{};
        const Bytes b = Mem(kFirBaseAddress, kFirImageSize);
        std::copy(b.begin(), b.end(), image.begin());
        return image;
    }());
    EXPECT_NE(std::find(observer.events.begin(), observer.events.end(), "device"), observer.events.end());
    EXPECT_EQ(hooks.statusTexts.back(), "Stage Left - IP=127.0.0.1 - program loaded: P03 Default");
    EXPECT_EQ(dm().values.presetNames[2], "Default");
    EXPECT_EQ(reader.pendingChangeBits, 0);
}

TEST_F(ParamsTest, AnotherLoadedSlotNumberIsAFullRefreshEvenWithoutFirChanges) {
    device->frontPanelWrite(204, 1);
    Poll();
    EXPECT_EQ(reader.UpdateIfChanged(kSlot), UpdateKind::Full);
    EXPECT_TRUE(hooks.called("ChannelLevel"));
    EXPECT_EQ(hooks.statusTexts.back(), "Stage Left - IP=127.0.0.1 - program loaded: P02 Default");
}

TEST_F(ParamsTest, FirChangeOnTheDeviceRereadsThatOutputOnly) {
    for (int output : {1, 0}) {
        hooks.calls.clear();
        device->frontPanelFirChange(output);
        Poll();
        EXPECT_EQ(link.deviceChangeBits, output == 0 ? 0x20 : 0x40);
        ASSERT_EQ(reader.UpdateIfChanged(kSlot), UpdateKind::Incremental);

        const std::string reread = "FirReread " + std::to_string(output);
        const std::string other = "FirReread " + std::to_string(1 - output);
        EXPECT_TRUE(hooks.called(reread));
        EXPECT_FALSE(hooks.called(other));
        const Bytes image = Mem(FirAddress(output), kFirImageSize);
        const FirImage held = FirImageFromTaps(dm().firTaps[static_cast<std::size_t>(output)]);
        EXPECT_TRUE(std::equal(image.begin(), image.end(), held.begin()));
        EXPECT_EQ(reader.pendingChangeBits, 0);
        EXPECT_EQ(device->changeMarks(), 0);
    }
}

TEST_F(ParamsTest, HooksRunWithSendsSuppressed) {
    RefreshEvents watchedEvents;
    SuppressionWatch watch(watchedEvents, link);
    DeviceReader watched(model, *exchange, watchedEvents);
    device->frontPanelWrite(P(16), 99);  // incremental: gains
    Poll();
    ASSERT_EQ(watched.UpdateIfChanged(kSlot), UpdateKind::Incremental);
    device->frontPanelWrite(204, 2);  // full
    Poll();
    ASSERT_EQ(watched.UpdateIfChanged(kSlot), UpdateKind::Full);
    EXPECT_EQ(watch.unsuppressedCalls, 0);
    EXPECT_FALSE(link.sendsSuppressed());
}

TEST_F(ParamsTest, NoUpdateUnlessTheDeviceIsOnlineAndMarkedChanged) {
    EXPECT_EQ(reader.UpdateIfChanged(kSlot), std::nullopt);
    device->frontPanelWrite(P(16), 99);
    Poll();
    entry().online = false;
    EXPECT_EQ(reader.UpdateIfChanged(kSlot), std::nullopt);
    EXPECT_TRUE(link.deviceChanged[kSlot]);
    entry().online = true;
    device->clearLog();
    EXPECT_EQ(reader.UpdateIfChanged(kSlot), UpdateKind::Incremental);
    EXPECT_EQ(Frames().size(), 20u);
}

TEST_F(ParamsTest, FailedReadAppliesNothing) {
    Set("out1.gain", 10);  // the model is newer than the last read image
    const Bytes before = ModelImage(dm());
    device->frontPanelWrite(204, 1);
    Poll();
    device->setSilent(true);
    EXPECT_EQ(reader.UpdateIfChanged(kSlot), UpdateKind::Failed);
    EXPECT_EQ(ModelImage(dm()), before);
    EXPECT_TRUE(hooks.calls.empty());
    EXPECT_FALSE(entry().online);
    EXPECT_FALSE(reader.busy());
}

TEST_F(ParamsTest, WholeReadFillsModelValuesAndLinkedFlags) {
    device->setMemory(212, {2});
    device->setMemory(P(118 + 5 * 30 + 1), {0x03, 0x20});  // output 2 band 0 at 800 Hz
    std::vector<std::pair<int, int>> progress;
    ASSERT_EQ(reader.ReadWholeDevice(kSlot, [&](int v, int m) { progress.emplace_back(v, m); }), kOk);

    EXPECT_EQ(Mem(0, kDeviceMemorySize), ModelImage(dm()));
    EXPECT_EQ(dm().readSettings, dm().settings);
    EXPECT_EQ(dm().readPreset, dm().preset);
    EXPECT_EQ(dm().values.bandFrequency[38], 800);
    EXPECT_EQ(dm().outputsLinked, 1);
    EXPECT_EQ(dm().inputsLinked, 0);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), std::make_pair(0, kWholeReadSteps));
    EXPECT_EQ(progress.back(), std::make_pair(kWholeReadSteps, kWholeReadSteps));
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    // Every block twice in a row: 2 settings, 8 preset and 2 x 6 FIR blocks.
    const auto frames = Frames();
    ASSERT_EQ(frames.size(), 44u);
    std::vector<Bytes> blocks = {Frame13(cmd::kReadMemory, {0, 0, 120, 0, 0, 0, 0, 0}),
                                 Frame13(cmd::kReadMemory, {0, 120, 120, 0, 0, 0, 0, 0})};
    for (int k = 0; k < 8; ++k) {
        const int address = 240 + 78 * k;
        blocks.push_back(Frame13(cmd::kReadMemory, {static_cast<std::uint8_t>(address >> 8),
                                                    static_cast<std::uint8_t>(address & 0xFF), 78, 0, 0, 0, 0, 0}));
    }
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        EXPECT_EQ(frames[2 * b], blocks[b]) << b;
        EXPECT_EQ(frames[2 * b + 1], blocks[b]) << b;
    }
}

TEST_F(ParamsTest, WholeWriteSendsStatePresetFirsAndActivates) {
    DeviceModel& d = dm();
    const Bytes networkBefore = Mem(29, 175);
    for (std::size_t a = 29; a < 204; ++a) d.settings[a] = 0xAB;  // the device's own: never written
    d.settings[ds::kVoltage] = 2;
    d.settings[ds::kRemoteEnable] = 1;
    d.preset[pi::OutputGain(1)] = 33;
    BandRecord{3, 4321, 9, 40}.writeTo(d.preset, pi::OutputBand(1, 29));
    d.firTaps[1][5] = 0x123456;

    ASSERT_EQ(reader.WriteWholeDevice(kSlot), kOk);

    EXPECT_EQ(Mem(29, 175), networkBefore);
    EXPECT_EQ(Mem(205, 13), Bytes(d.settings.bytes.begin() + 205, d.settings.bytes.begin() + 218));
    const Bytes image = ModelImage(d);
    EXPECT_EQ(Mem(240, kPresetSize), Bytes(image.begin() + 240, image.end()));
    EXPECT_EQ(Mem(FirAddress(1) + 15, 3), (Bytes{0x12, 0x34, 0x56}));
    EXPECT_EQ(LastFrame(), Frame13(cmd::kActivateSettings, {}));
    EXPECT_EQ(Frames().front(),
              WriteFrame(205, Bytes(d.settings.bytes.begin() + 205, d.settings.bytes.begin() + 218)));
}

}  // namespace
}  // namespace zef::test

namespace zef::test {
namespace {

TEST_F(ParamsTest, LinkLostDuringOneFirReadLeavesTheOtherFirAlone) {
    // Output 2 holds a unit impulse on the device and in the model.
    FirImage impulse{};
    impulse[0] = 0x20;  // 0x200000 = 1.0
    device->setMemory(FirAddress(1), Bytes(impulse.begin(), impulse.end()));
    ASSERT_EQ(reader.RereadFir(kSlot, 1), kOk);
    const FirTapWords unit = TapsFromFirImage(impulse);
    ASSERT_EQ(dm().firTaps[1], unit);
    const FirTapWords output1 = dm().firTaps[0];

    // The link dies while output 1's FIR is read again: every reply is lost,
    // the reconnect work fails and the device goes off-line.
    device->dropReplies(1000);
    EXPECT_EQ(reader.RereadFir(kSlot, 0), kFailed);
    EXPECT_FALSE(entry().online);
    // The next read, of output 2, sends nothing: it must not report success,
    // and no tap may come from any earlier reply.
    EXPECT_EQ(reader.RereadFir(kSlot, 1), kFailed);
    EXPECT_EQ(dm().firTaps[1], unit);
    EXPECT_EQ(dm().firTaps[0], output1);
}

}  // namespace
}  // namespace zef::test
