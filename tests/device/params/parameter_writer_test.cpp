// Every parameter written through the parameter writer against the simulated
// amplifier: the frames the device receives, the bytes it then holds at the
// addresses its memory map gives, and model and device agreeing on all 864
// bytes afterwards.

#include <functional>
#include <ostream>
#include <utility>

#include "recording_dialogs.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "params_fixture.h"

#include "app/edit_actions.h"

namespace zef::test {
namespace {

using Values = std::vector<std::pair<std::string, double>>;

struct WriteCase {
    std::string what;
    Values prepare;  // written before the log is cleared
    Values act;      // one batch
    std::vector<Bytes> frames;                            // everything the device receives
    std::vector<std::pair<std::uint32_t, Bytes>> memory;  // what it holds afterwards
    std::function<void(DeviceModel&)> setUp = {};         // model state that is no parameter
};

CommandParams Ps(std::vector<std::uint8_t> p) {
    CommandParams out{};
    std::copy(p.begin(), p.end(), out.begin());
    return out;
}

// The value of a slider position (1 = the top of a vertical fader).
double Pos(Control c, int position) { return MapperFor(c).valueFromPosition(position); }

// The five fields of a band as one batch.
Values Band(const std::string& prefix, int type, double hz, double db, double q, bool bypassed) {
    return {{prefix + ".type", type}, {prefix + ".freq", hz}, {prefix + ".gain", db}, {prefix + ".q", q},
            {prefix + ".bypass", bypassed ? 1 : 0}};
}

// clang-format off
std::vector<WriteCase> Cases() {
    using C = Control;
    return {
        {"GainOutput2Top", {}, {{"out2.gain", Pos(C::ChannelGain, 1)}},
         {Frame13(1, Ps({3, 0, 0, 0, 0, 0, 0, 144}))}, {{P(494), {144}}}},
        {"GainInputRBottom", {}, {{"inR.gain", Pos(C::ChannelGain, 145)}},
         {Frame13(1, Ps({1, 0, 0, 0, 0, 0, 0, 0}))}, {{P(17), {0}}}},
        {"DelayWithBypassIsOneCommand", {}, {{"out2.delay", DelayMs({164, 48})}, {"out2.delay.bypass", 1}},
         {Frame13(2, Ps({3, 0, 0, 0, 1, 0, 164, 48}))}, {{P(464), {0, 164, 48}}, {P(582), {2}}}},
        {"MuteInputR", {}, {{"inR.mute", 1}}, {Frame13(3, Ps({1, 0, 0, 0, 0, 0, 0, 1}))}, {{P(18), {2}}}},
        {"PolarityOutput1", {}, {{"out1.polarity", 1}}, {Frame13(4, Ps({2, 0, 0, 0, 0, 0, 0, 1}))}, {{P(496), {1}}}},
        {"EqBandOutput2IsOneCommand", {}, Band("out2.eq.6", 1, 1234.5, 6, 2.0, true),
         {Frame13(5, Ps({3, 5, 0, 1, 128 + 42, 0x04, 0xD2, 28}))}, {{P(118 + 5 * 35), {1, 0x04, 0xD2, 28, 170}}}},
        {"EqBandMasking", {}, Band("sm.eq.8", 0, 500, -15, 1.0, false),
         {Frame13(5, Ps({18, 7, 0, 0, 0, 0x01, 0xF4, 16}))}, {{P(500 + 35), {0, 0x01, 0xF4, 16, 0}}}},
        {"EqBandInputBlockB", {{"inR.eq.blockb", 1}}, Band("inR.eq.3", 2, 250, -6, 0.5, false),
         {Frame13(5, Ps({1, 2, 1, 2, 18, 0x00, 0xFA, 4}))}, {{P(70 + 5 * 5), {2, 0x00, 0xFA, 4, 18}}}},
        {"EqBypassOutput2", {}, {{"out2.eq.bypass", 1}}, {Frame13(6, Ps({3, 0, 0, 0, 0, 0, 0, 1}))}, {{P(117), {2}}}},
        {"CompressorIsOneCommand", {},
         {{"out1.comp.enable", 1}, {"out1.comp.level", Pos(C::CompressorLevel, 1)},
          {"out1.comp.ratio", Pos(C::CompressorRatio, 31)}, {"out1.comp.value", Pos(C::CompressorValue, 51)},
          {"out1.comp.timea", Pos(C::CompressorTimeA, 1)}, {"out1.comp.timeb", Pos(C::CompressorTimeB, 30)},
          {"out1.comp.gain", Pos(C::CompressorGain, 241)}},
         {Frame13(7, Ps({2, 1, 150, 0, 50, 29, 0, 0}))}, {{P(467), {1, 150, 0, 50, 29, 0, 0}}}},
        {"CompressorAutomatics", {}, {{"out2.comp.auto", 0}, {"out2.comp.knee", 1}},
         {Frame13(8, Ps({3, 0, 0, 0, 0, 0, 1, 0}))}, {{P(482), {0}}, {P(484), {1}}}},
        {"Limiter", {},
         {{"out2.limiter.enable", 1}, {"out2.limiter.threshold", Pos(C::LimiterThreshold, 101)},
          {"out2.limiter.timea", Pos(C::LimiterTimeA, 1)}, {"out2.limiter.timeb", Pos(C::LimiterTimeB, 41)}},
         {Frame13(9, Ps({3, 0, 0, 0, 1, 50, 49, 0}))}, {{P(489), {1, 50, 49, 0}}}},
        {"LimiterRaisedToTheImpedanceCap", {{"out2.impedance", 3}},
         {{"out2.limiter.enable", 0}, {"out2.limiter.threshold", Pos(C::LimiterThreshold, 151)},
          {"out2.limiter.timea", Pos(C::LimiterTimeA, 50)}, {"out2.limiter.timeb", Pos(C::LimiterTimeB, 1)}},
         {Frame13(9, Ps({3, 0, 0, 0, 0, 151 - 115, 0, 40}))}, {{P(489), {0, 36, 0, 40}}}},
        {"NoiseGateInputR", {},
         {{"inR.gate.enable", 1}, {"inR.gate.threshold", Pos(C::GateThreshold, 1)},
          {"inR.gate.timea", Pos(C::GateTimeA, 1)}, {"inR.gate.timeb", Pos(C::GateTimeB, 17)}},
         {Frame13(10, Ps({1, 0, 0, 0, 1, 6, 25, 0}))}, {{P(24), {1, 6, 0, 25}}}},
        {"CrossoverLowPass", {}, {{"out2.lp.freq", 80.9}, {"out2.lp.slope", 6}},
         {Frame13(11, Ps({3, 0, 0, 0, 1, 6, 0, 80}))}, {{P(113), {6, 0, 80}}}},
        {"CrossoverHighPass", {}, {{"out1.hp.freq", 1000}, {"out1.hp.slope", 2}},
         {Frame13(11, Ps({2, 0, 0, 0, 0, 2, 0x03, 0xE8}))}, {{P(104), {2, 0x03, 0xE8}}}},
        {"NoiseOption1", {}, {{"device.noise.option", 1}},
         {Frame13(12, Ps({0, 0, 0, 0, 0, 0, 0, 1})), Frame13(13, Ps({0, 0, 0, 0, 0, 0, 0, 40}))},
         {{205, {1}}, {208, {0}}}},
        {"NoiseOption2SwitchesTheGeneratorOn", {{"device.noise.option", 1}}, {{"device.noise.option", 2}},
         {Frame13(12, Ps({0, 0, 0, 0, 0, 0, 0, 1})), Frame13(13, Ps({0, 0, 0, 0, 0, 1, 0, 40}))},
         {{205, {1}}, {208, {1}}}},
        {"NoiseLevelKeepsTheSubOption", {}, {{"device.noise.level", Pos(C::NoiseLevel, 11)}},
         {Frame13(13, Ps({0, 0, 0, 0, 0, 0, 2, 70}))}, {{209, {2, 70}}},
         [](DeviceModel& d) { d.settings[ds::kNoiseSubOption] = 2; }},
        {"MaskingIsOneCommand", {},
         {{"sm.enable", 1}, {"sm.channel.inL", 1}, {"sm.channel.out2", 1}, {"sm.type", 1},
          {"sm.level", Pos(C::MaskingLevel, 1)}},
         {Frame13(13, Ps({1, 0, 0, 1, 80, 9, 1, 3}))}, {{P(497), {9, 1, 3}}, {P(580), {80, 1}}},
         [](DeviceModel& d) { d.preset[pi::kMaskingSubOption] = 3; }},
        {"Standby", {}, {{"device.standby", 1}}, {Frame13(14, Ps({0, 0, 0, 0, 0, 0, 0, 1}))}, {{206, {1}}}},
        {"Voltage", {}, {{"device.voltage", 3}}, {Frame13(16, Ps({0, 0, 0, 0, 0, 0, 0, 3}))}, {{214, {3}}}},
        {"RoutingBothSources", {}, {{"out2.route.inL", 1}, {"out2.route.inR", 1}},
         {Frame13(17, Ps({3, 0, 0, 0, 0, 0, 152, 152}))}, {{P(102), {152, 152}}}},
        {"RoutingInputRAlone", {}, {{"out1.route.inL", 0}, {"out1.route.inR", 1}},
         {Frame13(17, Ps({2, 0, 0, 0, 0, 0, 30, 158}))}, {{P(100), {30, 158}}}},
        {"Bridge", {}, {{"device.bridge", 1}}, {Frame13(18, Ps({0, 0, 0, 0, 0, 0, 0, 1}))}, {{213, {1}}}},
        {"SleepMode", {}, {{"device.sleep", 1}}, {Frame13(19, Ps({0, 0, 0, 0, 0, 0, 0, 1}))}, {{211, {1}}}},
        {"Impedance", {}, {{"out2.impedance", 2}}, {Frame13(32, Ps({3, 0, 0, 0, 0, 0, 0, 2}))}, {{215, {0, 2}}}},
        {"DynamicFilter", {}, {{"out2.dynfilter.enable", 1}, {"out2.dynfilter.value1", 40}, {"out2.dynfilter.value2", 60}},
         {Frame13(28, Ps({3, 0, 0, 0, 0, 1, 40, 60}))}, {{P(458), {1, 40, 60}}}},
        {"FirBypass", {}, {{"out2.fir.bypass", 1}}, {Frame13(30, Ps({3, 0, 0, 0, 0, 0, 0, 1}))}, {{P(418), {2}}}},
        {"ChannelModeInputR", {}, {{"inR.eq.blockb", 1}}, {Frame13(31, Ps({1, 1, 0, 0, 0, 0, 0, 0}))}, {{P(28), {2}}}},
        {"EqModeForTheSelectedOutput", {}, {{"device.eqmode", 1}}, {Frame13(31, Ps({3, 0, 0, 0, 0, 0, 0, 1}))},
         {{P(116), {1}}}, [](DeviceModel& d) { d.selectedOutput = kOutput2; }},
        {"RemoteEnableInP1", {}, {{"device.remote", 1}}, {Frame13(33, Ps({1, 0, 0, 0, 0, 0, 0, 0}))}, {{217, {1}}}},
        {"DelayUnitIsAOneByteWrite", {}, {{"device.delayunit", 1}}, {WriteFrame(207, {1})}, {{207, {1}}}},
        {"LinkInputs", {}, {{"device.link.inputs", 1}}, {WriteFrame(212, {1})}, {{212, {1}}}},
        {"LinkOutputs", {}, {{"device.link.outputs", 1}}, {WriteFrame(212, {2})}, {{212, {2}}}},
    };
}
// clang-format on

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.what; }

class WriterTest : public ParamsTest, public ::testing::WithParamInterface<WriteCase> {
protected:
    void Prepare(const WriteCase& c) {
        if (c.setUp) c.setUp(dm());
        if (!c.prepare.empty()) {
            ASSERT_EQ(Set(c.prepare), kOk);
        }
    }
};

TEST_P(WriterTest, DeviceReceivesTheFrameAndHoldsTheModelsBytes) {
    const WriteCase& c = GetParam();
    Prepare(c);
    device->clearLog();

    ASSERT_EQ(Set(c.act), kOk);

    EXPECT_EQ(Frames(), c.frames);
    for (const auto& [address, bytes] : c.memory)
        EXPECT_EQ(Mem(address, bytes.size()), bytes) << "at " << address;
    EXPECT_EQ(Mem(0, kDeviceMemorySize), ModelImage(dm()));
}

TEST_P(WriterTest, SendsNothingWhileSendsAreSuppressedButStillStores) {
    const WriteCase& c = GetParam();
    Prepare(c);
    Fence();
    device->clearLog();
    const Bytes before = ModelImage(dm());
    {
        const LinkState::SuppressSends quiet(link);
        EXPECT_EQ(Set(c.act), kOk);
    }
    EXPECT_TRUE(Frames().empty());
    EXPECT_EQ(device->trailingZeros(), 0u);
    const Bytes after = ModelImage(dm());
    for (const auto& [address, bytes] : c.memory)
        EXPECT_EQ(Bytes(after.begin() + address, after.begin() + address + bytes.size()), bytes)
            << "at " << address;
    EXPECT_NE(before, after);
}

std::string CaseName(const ::testing::TestParamInfo<WriteCase>& info) { return info.param.what; }

INSTANTIATE_TEST_SUITE_P(Every, WriterTest, ::testing::ValuesIn(Cases()), CaseName);

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
        EXPECT_EQ(SendBridgeAsked(writer, kSlot, dialogs, r.bridged), r.result);
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(dialogs.calls[0].title, "Bridge Mode");
        EXPECT_EQ(dialogs.calls[0].text, r.question);
        EXPECT_EQ(dialogs.calls[0].buttons, Buttons::YesNo);
        // Yes: command 18 and the read-back of the settings block holding DS 213.
        const auto frames = Frames();
        ASSERT_EQ(frames.size(), r.answer == Answer::Yes ? 2u : 0u);
        if (!frames.empty()) {
            EXPECT_EQ(frames[1], Frame13(cmd::kReadMemory, {0, 120, 120}));
        }
        EXPECT_EQ(dm().settings[ds::kBridge], r.ds213);
        EXPECT_EQ(Mem(213), r.ds213);
    }
}

TEST_F(ParamsTest, InputBlockABandReachesTheDeviceAsAMemoryWrite) {
    // No command 5 carries block A: the 40 bytes of the block go as one
    // memory write in device order, then command 25 makes the device take them.
    ASSERT_EQ(writer.Set(kSlot, BandEdit(5, {5, 3000, 4.5, 8, false})), kOk);  // input R band 2, block A
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

TEST_F(ParamsTest, ResponseObserverHearsOnceOfEachChangedResponse) {
    struct Row {
        Values values;
        std::vector<std::string> events;
    };
    const std::vector<Row> rows = {
        {Band("out1.eq.3", 0, 1000, 0, 1, false), {"band 10"}},
        {{{"out2.hp.freq", 100}, {"out2.hp.slope", 1}}, {"crossover 2"}},
        {{{"out1.lp.freq", 100}, {"out2.hp.slope", 2}}, {"crossover 1", "crossover 2"}},
        {{{"inR.eq.bypass", 1}}, {"group 1"}},
        {{{"out1.fir.bypass", 1}}, {"group 2"}},
        {{{"device.eqmode", 1}}, {"group 2", "group 3"}},
        {{{"inL.eq.blockb", 1}}, {"bands 0"}},
        {{{"out1.gain", -3}, {"out1.mute", 1}}, {}},
    };
    for (const Row& r : rows) {
        observer.events.clear();
        ASSERT_EQ(Set(r.values), kOk);
        EXPECT_EQ(observer.events, r.events);
    }
}

TEST_F(ParamsTest, ChannelModeSwitchShowsTheOtherBlocksValues) {
    Set("inR.eq.blockb", 1);
    // Input R's bands 4..6 now show block B (the device's 250, 1000, 4000 Hz).
    EXPECT_EQ(dm().values.bandFrequency[4], 250);
    EXPECT_EQ(dm().values.bandFrequency[6], 4000);
    Set("inR.eq.blockb", 0);
    EXPECT_EQ(dm().values.bandFrequency[4], 100);
}

TEST_F(ParamsTest, StandbyIsHeldInTheSettingsAndTheListEntry) {
    Set("device.standby", 0);
    EXPECT_EQ(entry().standby, 0);
    Set("device.standby", 1);
    EXPECT_EQ(entry().standby, 1);
    EXPECT_EQ(dm().settings[ds::kStandby], 1);
}

TEST_F(ParamsTest, ValuesAParameterCannotTakeAreRefusedWhole) {
    // A programming error, refused before anything is stored or sent: a
    // batch with one bad value changes nothing.
    const struct {
        const char* what;
        Parameter p;
        double value;
    } rows[] = {
        {"gain above its range", ParameterOf(ParamId::Gain, {ParamChannel::Out1}), 12.5},
        {"gain below its range", ParameterOf(ParamId::Gain, {ParamChannel::InL}), -61},
        {"delay on an input", ParameterOf(ParamId::Delay, {ParamChannel::InL}), 1},
        {"limiter on an input", ParameterOf(ParamId::LimEnable, {ParamChannel::InR}), 1},
        {"noise option 3", ParameterOf(ParamId::NoiseOption, {}), 3},
        {"impedance 4", ParameterOf(ParamId::Impedance, {ParamChannel::Out2}), 4},
        {"dynamic filter 101", ParameterOf(ParamId::DynValue1, {ParamChannel::Out2}), 101},
        {"no description", Parameter{}, 0},
    };
    const Bytes before = ModelImage(dm());
    for (const auto& r : rows) {
        const std::vector<ParameterValue> batch = {{ParameterOf(ParamId::Mute, {ParamChannel::Out1}), 1}, {r.p, r.value}};
        EXPECT_EQ(writer.Set(kSlot, batch), kFailed) << r.what;
    }
    EXPECT_EQ(ModelImage(dm()), before);
    EXPECT_TRUE(Frames().empty());
}

}  // namespace
}  // namespace zef::test
