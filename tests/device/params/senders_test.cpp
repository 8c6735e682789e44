// Every sender against the simulated amplifier: the frames the device
// receives, the bytes it then holds at the addresses its memory map gives,
// and model and device agreeing on all 864 bytes afterwards.

#include <functional>
#include <ostream>
#include <utility>

#include "recording_dialogs.h"
#include "model/memory_map.h"
#include "params_fixture.h"

#include "app/edit_actions.h"

namespace zef::test {
namespace {

struct SenderCase {
    std::string what;
    std::function<void(Senders&)> prepare;  // runs before the log is cleared
    std::function<void(Senders&)> act;
    std::vector<Bytes> frames;                            // everything the device receives
    std::vector<std::pair<std::uint32_t, Bytes>> memory;  // what it holds afterwards
};

CommandParams Ps(std::vector<std::uint8_t> p) {
    CommandParams out{};
    std::copy(p.begin(), p.end(), out.begin());
    return out;
}

EqBandEdit Band(std::int16_t type, double hz, double db, double q, bool bypassed) {
    return EqBandEdit{type, hz, db, q, bypassed};
}

// clang-format off
std::vector<SenderCase> Cases() {
    using S = Senders&;
    const auto none = [](S) {};
    return {
        {"GainOutput2Top", none, [](S s) { s.SendGain(kOutput2, 1); },
         {Frame13(1, Ps({3, 0, 0, 0, 0, 0, 0, 144}))}, {{P(494), {144}}}},
        {"GainInputRBottom", none, [](S s) { s.SendGain(kInputR, 145); },
         {Frame13(1, Ps({1, 0, 0, 0, 0, 0, 0, 0}))}, {{P(17), {0}}}},
        {"DelayWithBypass", none, [](S s) { s.SendDelay(kOutput2, {164, 48}, true); },
         {Frame13(2, Ps({3, 0, 0, 0, 1, 0, 164, 48}))}, {{P(464), {0, 164, 48}}, {P(582), {2}}}},
        {"MuteInputR", none, [](S s) { s.SendMute(kInputR, true); },
         {Frame13(3, Ps({1, 0, 0, 0, 0, 0, 0, 1}))}, {{P(18), {2}}}},
        {"PolarityOutput1", none, [](S s) { s.SendPolarity(kOutput1, true); },
         {Frame13(4, Ps({2, 0, 0, 0, 0, 0, 0, 1}))}, {{P(496), {1}}}},
        {"EqBandOutput2", none, [](S s) { s.SendEqBand(43, Band(1, 1234.5, 6, 2.0, true)); },
         {Frame13(5, Ps({3, 5, 0, 1, 128 + 42, 0x04, 0xD2, 28}))}, {{P(118 + 5 * 35), {1, 0x04, 0xD2, 28, 170}}}},
        {"EqBandMasking", none, [](S s) { s.SendEqBand(75, Band(0, 500, -15, 1.0, false)); },
         {Frame13(5, Ps({18, 7, 0, 0, 0, 0x01, 0xF4, 16}))}, {{P(500 + 35), {0, 0x01, 0xF4, 16, 0}}}},
        {"EqBandInputBlockB", [](S s) { s.SendChannelMode(kInputR, true); },
         [](S s) { s.SendEqBand(6, Band(2, 250, -6, 0.5, false)); },
         {Frame13(5, Ps({1, 2, 1, 2, 18, 0x00, 0xFA, 4}))}, {{P(70 + 5 * 5), {2, 0x00, 0xFA, 4, 18}}}},
        {"EqBypassOutput2", none, [](S s) { s.SendEqBypass(kOutput2, true); },
         {Frame13(6, Ps({3, 0, 0, 0, 0, 0, 0, 1}))}, {{P(117), {2}}}},
        {"Compressor", none, [](S s) { s.SendCompressor(kOutput1, CompressorControls{true, 1, 31, 51, 1, 30, 241}); },
         {Frame13(7, Ps({2, 1, 150, 0, 50, 29, 0, 0}))}, {{P(467), {1, 150, 0, 50, 29, 0, 0}}}},
        {"CompressorAutomatics", none, [](S s) { s.SendCompressorAuto(kOutput2, false, true); },
         {Frame13(8, Ps({3, 0, 0, 0, 0, 0, 1, 0}))}, {{P(482), {0}}, {P(484), {1}}}},
        {"Limiter", none, [](S s) { s.SendLimiter(kOutput2, LimiterControls{true, 101, 1, 41}); },
         {Frame13(9, Ps({3, 0, 0, 0, 1, 50, 49, 0}))}, {{P(489), {1, 50, 49, 0}}}},
        {"LimiterRaisedToTheImpedanceCap", [](S s) { s.SendImpedance(kOutput2, 3); },
         [](S s) { s.SendLimiter(kOutput2, LimiterControls{false, 151, 50, 1}); },
         {Frame13(9, Ps({3, 0, 0, 0, 0, 151 - 115, 0, 40}))}, {{P(489), {0, 36, 0, 40}}}},
        {"NoiseGateSlider4IsInputR", none, [](S s) { s.SendNoiseGate(4, GateControls{true, 1, 1, 17}); },
         {Frame13(10, Ps({1, 0, 0, 0, 1, 6, 25, 0}))}, {{P(24), {1, 6, 0, 25}}}},
        {"CrossoverLowPass", none, [](S s) { s.SendCrossover(kOutput2, CrossoverSide::LowPass, 80.9, 6); },
         {Frame13(11, Ps({3, 0, 0, 0, 1, 6, 0, 80}))}, {{P(113), {6, 0, 80}}}},
        {"CrossoverHighPass", none, [](S s) { s.SendCrossover(kOutput1, CrossoverSide::HighPass, 1000, 2); },
         {Frame13(11, Ps({2, 0, 0, 0, 0, 2, 0x03, 0xE8}))}, {{P(104), {2, 0x03, 0xE8}}}},
        {"NoiseOption1", none, [](S s) { s.SendNoiseOption(1); },
         {Frame13(12, Ps({0, 0, 0, 0, 0, 0, 0, 1})), Frame13(13, Ps({0, 0, 0, 0, 0, 0, 0, 40}))},
         {{205, {1}}, {208, {0}}}},
        {"NoiseOption2SwitchesTheGeneratorOn", [](S s) { s.SendNoiseOption(1); }, [](S s) { s.SendNoiseOption(2); },
         {Frame13(12, Ps({0, 0, 0, 0, 0, 0, 0, 1})), Frame13(13, Ps({0, 0, 0, 0, 0, 1, 0, 40}))},
         {{205, {1}}, {208, {1}}}},
        {"NoiseLevel", none, [](S s) { s.SendNoiseLevel(11, 2); },
         {Frame13(13, Ps({0, 0, 0, 0, 0, 0, 2, 70}))}, {{209, {2, 70}}}},
        {"Masking", none, [](S s) { s.SendMasking(MaskingControls{0, {true, false, false, true}, 1, 3, 1}); },
         {Frame13(13, Ps({1, 0, 0, 1, 80, 9, 1, 3}))}, {{P(497), {9, 1, 3}}, {P(580), {80, 1}}}},
        {"Standby", none, [](S s) { s.SendStandby(true); },
         {Frame13(14, Ps({0, 0, 0, 0, 0, 0, 0, 1}))}, {{206, {1}}}},
        {"Voltage", none, [](S s) { s.SendVoltage(3); },
         {Frame13(16, Ps({0, 0, 0, 0, 0, 0, 0, 3}))}, {{214, {3}}}},
        {"RoutingBothSources", none, [](S s) { s.SendRouting(kOutput2, {true, true}); },
         {Frame13(17, Ps({3, 0, 0, 0, 0, 0, 152, 152}))}, {{P(102), {152, 152}}}},
        {"RoutingInputRAlone", none, [](S s) { s.SendRouting(kOutput1, {false, true}); },
         {Frame13(17, Ps({2, 0, 0, 0, 0, 0, 30, 158}))}, {{P(100), {30, 158}}}},
        {"Bridge", none, [](S s) { EXPECT_EQ(s.SendBridge(true), kOk); },
         {Frame13(18, Ps({0, 0, 0, 0, 0, 0, 0, 1}))}, {{213, {1}}}},
        {"SleepMode", none, [](S s) { s.SendSleepMode(true); },
         {Frame13(19, Ps({0, 0, 0, 0, 0, 0, 0, 1}))}, {{211, {1}}}},
        {"Impedance", none, [](S s) { s.SendImpedance(kOutput2, 2); },
         {Frame13(32, Ps({3, 0, 0, 0, 0, 0, 0, 2}))}, {{215, {0, 2}}}},
        {"DynamicFilter", none, [](S s) { s.SendDynamicFilter(kOutput2, true, 40, 60); },
         {Frame13(28, Ps({3, 0, 0, 0, 0, 1, 40, 60}))}, {{P(458), {1, 40, 60}}}},
        {"FirBypass", none, [](S s) { s.SendFirBypass(kOutput2, true); },
         {Frame13(30, Ps({3, 0, 0, 0, 0, 0, 0, 1}))}, {{P(418), {2}}}},
        {"ChannelModeInputR", none, [](S s) { s.SendChannelMode(kInputR, true); },
         {Frame13(31, Ps({1, 1, 0, 0, 0, 0, 0, 0}))}, {{P(28), {2}}}},
        {"EqModeForTheSelectedOutput", [](S s) { s.device().selectedOutput = kOutput2; },
         [](S s) { s.SendEqMode(1); }, {Frame13(31, Ps({3, 0, 0, 0, 0, 0, 0, 1}))}, {{P(116), {1}}}},
        {"RemoteEnableInP1", none, [](S s) { s.SendRemoteEnable(true); },
         {Frame13(33, Ps({1, 0, 0, 0, 0, 0, 0, 0}))}, {{217, {1}}}},
        {"DelayUnitIsAOneByteWrite", none, [](S s) { s.SendDelayUnit(true); }, {WriteFrame(207, {1})}, {{207, {1}}}},
        {"LinkInputs", none, [](S s) { s.SendLinkInputs(true); }, {WriteFrame(212, {1})}, {{212, {1}}}},
        {"LinkOutputs", none, [](S s) { s.SendLinkOutputs(true); }, {WriteFrame(212, {2})}, {{212, {2}}}},
    };
}
// clang-format on

void PrintTo(const SenderCase& c, std::ostream* os) { *os << c.what; }

class SenderTest : public ParamsTest, public ::testing::WithParamInterface<SenderCase> {};

TEST_P(SenderTest, DeviceReceivesTheFrameAndHoldsTheModelsBytes) {
    const SenderCase& c = GetParam();
    dialogs.defaultAnswer = Answer::Yes;
    c.prepare(senders);
    device->clearLog();

    c.act(senders);

    EXPECT_EQ(Frames(), c.frames);
    for (const auto& [address, bytes] : c.memory)
        EXPECT_EQ(Mem(address, bytes.size()), bytes) << "at " << address;
    EXPECT_EQ(Mem(0, kDeviceMemorySize), ModelImage(dm()));
}

TEST_P(SenderTest, SendsNothingWhileSendsAreSuppressedButStillStores) {
    const SenderCase& c = GetParam();
    dialogs.defaultAnswer = Answer::Yes;
    c.prepare(senders);
    Fence();
    device->clearLog();
    const Bytes before = ModelImage(dm());
    {
        FlagGuard quiet(link.sendSuppressed, true);
        c.act(senders);
    }
    EXPECT_TRUE(Frames().empty());
    EXPECT_EQ(device->trailingZeros(), 0u);
    const Bytes after = ModelImage(dm());
    for (const auto& [address, bytes] : c.memory)
        EXPECT_EQ(Bytes(after.begin() + address, after.begin() + address + bytes.size()), bytes)
            << "at " << address;
    EXPECT_NE(before, after);
}

std::string CaseName(const ::testing::TestParamInfo<SenderCase>& info) { return info.param.what; }

INSTANTIATE_TEST_SUITE_P(Every, SenderTest, ::testing::ValuesIn(Cases()), CaseName);

TEST_F(ParamsTest, BridgeAsksFirstAndNoKeepsEverything) {
    struct Row {
        bool bridged;
        Answer answer;
        const char* question;
        Confirmed result;
        std::uint8_t ds213;
    };
    const Row rows[] = {
        {true, Answer::No, kBridgeEnableQuestion, Confirmed::Declined, 0},
        {true, Answer::Yes, kBridgeEnableQuestion, Confirmed::Sent, 1},
        {false, Answer::No, kBridgeDisableQuestion, Confirmed::Declined, 1},
        {false, Answer::Yes, kBridgeDisableQuestion, Confirmed::Sent, 0},
    };
    for (const Row& r : rows) {
        device->clearLog();
        dialogs.calls.clear();
        dialogs.answers = {r.answer};
        EXPECT_EQ(SendBridgeAsked(senders, dialogs, r.bridged), r.result);
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(dialogs.calls[0].title, "Bridge Mode");
        EXPECT_EQ(dialogs.calls[0].text, r.question);
        EXPECT_EQ(dialogs.calls[0].buttons, Buttons::YesNo);
        EXPECT_EQ(Frames().size(), r.answer == Answer::Yes ? 1u : 0u);
        EXPECT_EQ(dm().settings[ds::kBridge], r.ds213);
        EXPECT_EQ(Mem(213), r.ds213);
    }
}

TEST_F(ParamsTest, InputBlockABandReachesTheDeviceAsAMemoryWrite) {
    // No command 5 carries block A: the 40 bytes of the block go as one
    // memory write in device order, then command 25 makes the device take them.
    ASSERT_EQ(senders.SendEqBand(5, EqBandEdit{5, 3000, 4.5, 8, false}), kOk);  // input R band 2, block A
    const BandRecord r = BandRecord::readFrom(dm().preset, pi::InputBandA(1, 1));
    EXPECT_EQ(r, (BandRecord{5, 3000, 52, 39}));
    EXPECT_EQ(dm().values.bandGain[5], 4.5);
    EXPECT_EQ(observer.events, std::vector<std::string>{"band 5"});
    const Bytes image = ModelImage(dm());
    const Bytes blockA(image.begin() + P(30), image.begin() + P(70));
    ASSERT_EQ(Frames(), (std::vector<Bytes>{WriteFrame(P(30), blockA), Frame13(25, {})}));
    // Device order: input R's band 2 is the sixth record (4 of L first).
    EXPECT_EQ(Mem(P(30) + 5 * 5, 5), (Bytes{5, 0x0B, 0xB8, 52, 39}));
    EXPECT_EQ(Mem(P(30), 40), blockA);
}

TEST_F(ParamsTest, ResponseObserverHearsOfEqCrossoverAndSumChanges) {
    struct Row {
        std::function<void()> act;
        std::vector<std::string> events;
    };
    const std::vector<Row> rows = {
        {[&] { senders.SendEqBand(40, EqBandEdit{}); }, {"band 40"}},
        {[&] { senders.SendCrossover(kOutput2, CrossoverSide::HighPass, 100, 1); }, {"crossover 2"}},
        {[&] { senders.SendEqBypass(kInputR, true); }, {"group 1"}},
        {[&] { senders.SendFirBypass(kOutput1, true); }, {"group 2"}},
        {[&] { senders.SendEqMode(1); }, {"group 2", "group 3"}},
        {[&] { senders.SendChannelMode(kInputL, true); },
         {"band 0", "band 1", "band 2", "band 3", "group 0"}},
        {[&] { senders.SendGain(kOutput1, 3); }, {}},
    };
    for (const Row& r : rows) {
        observer.events.clear();
        r.act();
        EXPECT_EQ(observer.events, r.events);
    }
}

TEST_F(ParamsTest, ChannelModeSwitchShowsTheOtherBlocksValues) {
    senders.SendChannelMode(kInputR, true);
    // Input R's bands 4..6 now show block B (the device's 250, 1000, 4000 Hz).
    EXPECT_EQ(dm().values.bandFrequency[4], 250);
    EXPECT_EQ(dm().values.bandFrequency[6], 4000);
    senders.SendChannelMode(kInputR, false);
    EXPECT_EQ(dm().values.bandFrequency[4], 100);
}

TEST_F(ParamsTest, StandbyIsHeldInTheSettingsAndTheListEntry) {
    senders.SendStandby(false);
    EXPECT_EQ(entry().standby, 0);
    senders.SendStandby(true);
    EXPECT_EQ(entry().standby, 1);
    EXPECT_EQ(dm().settings[ds::kStandby], 1);
}

#ifndef NDEBUG
TEST(SenderBounds, OutOfRangeControlValuesAreProgrammingErrors) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Model model;
    RecordingDialogs dialogs;
    class NoExchange final : public Exchange {
    public:
        Status SendCommandFrame(DeviceSlot, std::uint8_t, const CommandParams&) override { return kOk; }
        Status SendCommandFrameQuiet(DeviceSlot, std::uint8_t, const CommandParams&) override { return kOk; }
        LinkState& link() override { return state; }
        LinkState state;
    } exchange;
    Senders s(model, exchange, dialogs);
    const std::vector<std::pair<const char*, std::function<void()>>> rows = {
        {"gain position 0", [&] { s.SendGain(kOutput1, 0); }},
        {"gain position 146", [&] { s.SendGain(kOutput1, 146); }},
        {"gate slider 6", [&] { s.SendNoiseGate(6, GateControls{}); }},
        {"gate threshold 8",
         [&] {
             s.SendNoiseGate(0, GateControls{false, 8, 1, 1});
         }},
        {"compressor gain 242",
         [&] {
             s.SendCompressor(kOutput1, CompressorControls{false, 1, 1, 1, 1, 1, 242});
         }},
        {"limiter time B 42",
         [&] {
             s.SendLimiter(kOutput1, LimiterControls{false, 1, 1, 42});
         }},
        {"band 84", [&] { s.SendEqBand(84); }},
        {"delay coarse 165",
         [&] {
             s.SendDelay(kOutput1, {165, 0}, false);
         }},
        {"delay on an input",
         [&] {
             s.SendDelay(kInputL, {1, 0}, false);
         }},
        {"limiter on an input", [&] { s.SendLimiter(kInputR, LimiterControls{}); }},
        {"noise option 3", [&] { s.SendNoiseOption(3); }},
        {"noise level 82", [&] { s.SendNoiseLevel(82, 0); }},
        {"impedance 4", [&] { s.SendImpedance(kOutput2, 4); }},
        {"dynamic filter 101", [&] { s.SendDynamicFilter(kOutput2, true, 101, 0); }},
    };
    for (const auto& [what, act] : rows) EXPECT_DEATH(act(), "") << what;
}
#endif

}  // namespace
}  // namespace zef::test
