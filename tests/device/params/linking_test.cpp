// Linked pairs and the channel copy against the simulated amplifier: the
// partner's bytes at the device equal the edited channel's, the partner's
// commands follow the edit's, and unlinked pairs send nothing more.

#include <functional>

#include "device/fir_store.h"
#include "device/memory_transfer.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "app/edit_actions.h"
#include "params_fixture.h"

namespace zef::test {
namespace {

struct Same {
    std::uint32_t a;
    std::uint32_t b;
    std::size_t count;
};

using Values = std::vector<std::pair<std::string, double>>;

struct LinkCase {
    std::string what;
    bool inputs;     // the pair: inputs, else outputs
    Values prepare;  // written before either pair is linked
    Values edit;     // the edit of one channel, as one batch
    std::vector<Same> same;                                            // device ranges that must end up equal
    std::vector<std::pair<std::uint32_t, Bytes>> memory;               // and bytes the device must hold
    std::vector<std::pair<std::uint8_t, std::uint8_t>> partnerFrames;  // (code, p1) sent for the partner
};

double Pos(Control c, int position) { return MapperFor(c).valueFromPosition(position); }

Values Band(const std::string& prefix, int type, double hz, double db, double q, bool bypassed) {
    return {{prefix + ".type", type}, {prefix + ".freq", hz}, {prefix + ".gain", db}, {prefix + ".q", q},
            {prefix + ".bypass", bypassed ? 1 : 0}};
}

// clang-format off
std::vector<LinkCase> LinkCases() {
    using C = Control;
    return {
        {"DynamicFilter", false, {}, {{"out1.dynfilter.enable", 1}, {"out1.dynfilter.value1", 10}, {"out1.dynfilter.value2", 20}},
         {{P(455), P(458), 3}}, {}, {{28, 3}}},
        {"NoiseGate", true, {},
         {{"inL.gate.enable", 1}, {"inL.gate.threshold", Pos(C::GateThreshold, 3)}, {"inL.gate.timea", Pos(C::GateTimeA, 4)},
          {"inL.gate.timeb", Pos(C::GateTimeB, 5)}},
         {{P(20), P(24), 4}}, {}, {{10, 1}}},
        {"Compressor", false, {},
         {{"out2.comp.enable", 1}, {"out2.comp.level", Pos(C::CompressorLevel, 10)}, {"out2.comp.ratio", Pos(C::CompressorRatio, 20)},
          {"out2.comp.value", Pos(C::CompressorValue, 30)}, {"out2.comp.timea", Pos(C::CompressorTimeA, 5)},
          {"out2.comp.timeb", Pos(C::CompressorTimeB, 6)}, {"out2.comp.gain", Pos(C::CompressorGain, 100)},
          {"out2.comp.auto", 1}, {"out2.comp.knee", 1}},
         {{P(474), P(467), 7}, {P(482), P(481), 1}, {P(484), P(483), 1}}, {}, {{7, 2}, {8, 2}}},
        {"Limiter", false, {},
         {{"out1.limiter.enable", 1}, {"out1.limiter.threshold", Pos(C::LimiterThreshold, 20)},
          {"out1.limiter.timea", Pos(C::LimiterTimeA, 5)}, {"out1.limiter.timeb", Pos(C::LimiterTimeB, 6)}},
         {{P(485), P(489), 4}}, {}, {{9, 3}}},
        {"Crossover", false, {}, {{"out1.hp.freq", 120}, {"out1.hp.slope", 3}, {"out1.lp.freq", 8000}, {"out1.lp.slope", 7}},
         {{P(104), P(107), 3}, {P(110), P(113), 3}}, {}, {{11, 3}, {11, 3}}},
        {"Delay", false, {}, {{"out2.delay", DelayMs({12, 7})}, {"out2.delay.bypass", 1}},
         {{P(464), P(461), 3}}, {{P(582), {3}}}, {{2, 2}}},
        {"Polarity", false, {}, {{"out1.polarity", 1}}, {}, {{P(496), {3}}}, {{4, 3}}},
        {"Mute", true, {}, {{"inR.mute", 1}}, {}, {{P(18), {3}}}, {{3, 0}}},
        {"Gain", true, {}, {{"inL.gain", Pos(C::ChannelGain, 40)}}, {{P(16), P(17), 1}}, {}, {{1, 1}}},
        {"ChannelMode", true, {}, {{"inL.eq.blockb", 1}}, {}, {{P(28), {3}}}, {{31, 1}}},
        {"OutputEqBand", false, {}, Band("out1.eq.4", 4, 7777, 3, 12, true),
         {{P(118 + 5 * 3), P(118 + 5 * 33), 5}}, {}, {{5, 3}}},
        {"InputBlockBBand", true, {{"inL.eq.blockb", 1}, {"inR.eq.blockb", 1}}, Band("inL.eq.2", 1, 640, -4, 0.7, false),
         {{P(70 + 5 * 1), P(70 + 5 * 4), 5}}, {}, {{5, 1}}},
        {"EqBypass", false, {}, {{"out2.eq.bypass", 1}}, {}, {{P(117), {3}}}, {{6, 2}}},
        {"FirBypass", false, {}, {{"out1.fir.bypass", 1}}, {}, {{P(418), {3}}}, {{30, 3}}},
        {"Impedance", false, {}, {{"out1.impedance", 2}}, {{215, 216, 1}}, {}, {{32, 3}}},
    };
}
// clang-format on

void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.what; }

class LinkTestCase : public ParamsTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkTestCase, OnlyALinkedPairFollows) {
    const LinkCase& c = GetParam();
    if (!c.prepare.empty()) {
        ASSERT_EQ(Set(c.prepare), kOk);
    }
    // The other pair linked: nothing follows.
    ASSERT_EQ(Set(c.inputs ? "device.link.outputs" : "device.link.inputs", 1), kOk);
    device->clearLog();
    ASSERT_EQ(Set(c.edit), kOk);
    const std::size_t own = Frames().size();
    ASSERT_GT(own, 0u);

    // The pair itself linked: the partner's commands follow the edit's.
    ASSERT_EQ(Set(c.inputs ? "device.link.inputs" : "device.link.outputs", 1), kOk);
    device->clearLog();
    ASSERT_EQ(Set(c.edit), kOk);

    const auto frames = Frames();
    ASSERT_EQ(frames.size(), own + c.partnerFrames.size());
    for (std::size_t i = 0; i < c.partnerFrames.size(); ++i) {
        EXPECT_EQ(frames[own + i][3], c.partnerFrames[i].first);
        EXPECT_EQ(frames[own + i][4], c.partnerFrames[i].second);
    }
    for (const Same& s : c.same) EXPECT_EQ(Mem(s.a, s.count), Mem(s.b, s.count)) << s.a << " vs " << s.b;
    for (const auto& [address, bytes] : c.memory)
        EXPECT_EQ(Mem(address, bytes.size()), bytes) << "at " << address;
    EXPECT_EQ(Mem(0, kDeviceMemorySize), ModelImage(dm()));
}

std::string CaseName(const ::testing::TestParamInfo<LinkCase>& info) { return info.param.what; }

INSTANTIATE_TEST_SUITE_P(Every, LinkTestCase, ::testing::ValuesIn(LinkCases()), CaseName);

TEST_F(ParamsTest, LinkedPartnerValuesFollowInEditorValues) {
    Set({{"device.link.inputs", 1}, {"device.link.outputs", 1}});
    Set("inR.gain", Pos(Control::ChannelGain, 5));
    Set({{"out2.lp.freq", 5000}, {"out2.lp.slope", 4}});
    writer.Set(kSlot, BandEdit(60, {0, 900, 7.5, 2, false}));
    const EditorValues& v = dm().values;
    EXPECT_EQ(v.channelGainDb[kInputL], 10.0);
    EXPECT_EQ(v.crossoverFrequency[1], 5000);
    EXPECT_EQ(v.crossoverSlope[1], 4);
    EXPECT_EQ(v.bandGain[30], 7.5);
    EXPECT_EQ(v.bandFrequency[30], 900);
}

TEST_F(ParamsTest, LinkingBothPairsWritesThreeAtTwoTwelve) {
    Set("device.link.inputs", 1);
    Set("device.link.outputs", 1);
    EXPECT_EQ(Frames(), (std::vector<Bytes>{WriteFrame(212, {1}), WriteFrame(212, {3})}));
    EXPECT_EQ(Mem(212), 3);
    Set("device.link.inputs", 0);
    EXPECT_EQ(LastFrame(), WriteFrame(212, {2}));
    EXPECT_EQ(dm().inputsLinked, 0);
    EXPECT_EQ(dm().outputsLinked, 1);
}

TEST_F(ParamsTest, CopyOntoItselfIsRefusedWithoutAQuestion) {
    for (const ChannelCode ch : {kInputL, kOutput2}) {
        dialogs.calls.clear();
        EXPECT_EQ(ConfirmCopy(writer, kSlot, dialogs, ch, ch), CopyResult::SameChannel);
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(dialogs.calls[0].kind, "message");
        EXPECT_EQ(dialogs.calls[0].title, "Copy");
        EXPECT_EQ(dialogs.calls[0].text, "Copy not possible, Source=Destination");
        EXPECT_EQ(dialogs.calls[0].icon, Icon::Critical);
    }
    EXPECT_TRUE(Frames().empty());
}

// The question says which groups the copy replaces: an output copy names
// its groups and keeps the output's gain and routing; an input copy its own.
TEST_F(ParamsTest, CopyAnsweredNoSendsNothing) {
    const struct {
        ChannelCode source;
        ChannelCode destination;
        std::vector<std::string> named;
    } copies[] = {{kOutput1, kOutput2, {"EQ bands", "FIR", "crossovers", "delay", "compressor", "limiter", "gain and routing stay"}},
                  {kInputR, kInputL, {"noise gate", "EQ bands", "gain", "mute"}}};
    for (const auto& c : copies) {
        dialogs.calls.clear();
        dialogs.answers = {Answer::No};
        EXPECT_EQ(ConfirmCopy(writer, kSlot, dialogs, c.source, c.destination), CopyResult::Declined);
        ASSERT_EQ(dialogs.calls.size(), 1u);
        const auto [question, consequence] = SplitQuestion(dialogs.calls.back().text);
        EXPECT_EQ(question, "               Are you sure ? ");
        for (const std::string& group : c.named) EXPECT_NE(consequence.find(group), std::string::npos) << group;
    }
    EXPECT_TRUE(Frames().empty());
}

TEST_F(ParamsTest, OutputCopyMakesTheDestinationEqualAtTheDevice) {
    // Output 1 made different from output 2 in every copied group.
    using C = Control;
    Set({{"out1.eq.bypass", 1}, {"out1.polarity", 1}, {"out1.comp.enable", 1},
         {"out1.comp.level", Pos(C::CompressorLevel, 40)}, {"out1.comp.ratio", Pos(C::CompressorRatio, 9)},
         {"out1.comp.value", Pos(C::CompressorValue, 12)}, {"out1.comp.timea", Pos(C::CompressorTimeA, 3)},
         {"out1.comp.timeb", Pos(C::CompressorTimeB, 4)}, {"out1.comp.gain", Pos(C::CompressorGain, 50)},
         {"out1.comp.auto", 1}, {"out1.comp.knee", 0}, {"out1.limiter.enable", 1},
         {"out1.limiter.threshold", Pos(C::LimiterThreshold, 70)}, {"out1.limiter.timea", Pos(C::LimiterTimeA, 8)},
         {"out1.limiter.timeb", Pos(C::LimiterTimeB, 9)}, {"out1.hp.freq", 63}, {"out1.hp.slope", 2},
         {"out1.lp.freq", 12000}, {"out1.lp.slope", 8}, {"out1.delay", DelayMs({99, 11})}, {"out1.delay.bypass", 1}});
    for (int b = 0; b < 30; ++b)
        writer.Set(kSlot, BandEdit(8 + b, {static_cast<std::int16_t>(b % 8), 100.0 + 37 * b, b % 13 - 6.0,
                                          0.5 + b, b % 2 == 1}));
    const std::vector<double> coefficients = {0.5, -0.25, 0.125, 0.0625, -1.5};
    ASSERT_TRUE(fir::StoreExternalFIR(*exchange, model, kSlot, 0, fir::MakeStoredFir("Horn EQ", coefficients)));
    device->clearLog();
    dialogs.answers = {Answer::Yes};

    EXPECT_EQ(ConfirmCopy(writer, kSlot, dialogs, kOutput1, kOutput2), CopyResult::Copied);

    const auto bit = [&](std::uint32_t address, int b) { return (Mem(address) >> b) & 1; };
    EXPECT_EQ(bit(P(117), 1), 1);
    EXPECT_EQ(bit(P(496), 1), 1);
    EXPECT_EQ(bit(P(582), 1), 1);
    const Same same[] = {
        {P(467), P(474), 7}, {P(481), P(482), 1},   {P(483), P(484), 1},
        {P(485), P(489), 4}, {P(118), P(268), 150}, {P(104), P(107), 3},
        {P(110), P(113), 3}, {P(461), P(464), 3},   {P(419), P(435), 16},
        {P(451), P(452), 1}, {P(453), P(454), 1},   {FirAddress(0), FirAddress(1), kFirImageSize},
    };
    for (const Same& s : same) EXPECT_EQ(Mem(s.a, s.count), Mem(s.b, s.count)) << s.a << " vs " << s.b;
    EXPECT_EQ(Mem(0, kDeviceMemorySize), ModelImage(dm()));
    EXPECT_EQ(dm().firTaps[1], dm().firTaps[0]);
    EXPECT_EQ(dm().values.bandFrequency[38 + 29], dm().values.bandFrequency[8 + 29]);

    std::vector<std::uint8_t> codes;
    for (const auto& f : Frames()) codes.push_back(f[3]);
    std::vector<std::uint8_t> expected = {6, 4, 7, 8, 9};
    expected.insert(expected.end(), 30, 5);
    expected.insert(expected.end(), 1 + 24 + 1, 21);  // FIR name, coefficients, tap counts
    for (std::uint8_t c : {29, 11, 11, 2}) expected.push_back(c);
    // Then the copy is confirmed: only reads of the blocks it changed.
    ASSERT_GT(codes.size(), expected.size());
    EXPECT_EQ(std::vector<std::uint8_t>(codes.begin(), codes.begin() + static_cast<std::ptrdiff_t>(expected.size())),
              expected);
    EXPECT_TRUE(std::all_of(codes.begin() + static_cast<std::ptrdiff_t>(expected.size()), codes.end(),
                            [](std::uint8_t c) { return c == cmd::kReadMemory; }));
    EXPECT_EQ(Frames()[35 + 26], Frame13(cmd::kActivateFir, {3}));
}

TEST_F(ParamsTest, InputCopyMakesTheDestinationEqual) {
    using C = Control;
    Set({{"inL.gate.enable", 1}, {"inL.gate.threshold", Pos(C::GateThreshold, 2)},
         {"inL.gate.timea", Pos(C::GateTimeA, 7)}, {"inL.gate.timeb", Pos(C::GateTimeB, 9)}});
    writer.Set(kSlot, BandEdit(2, {5, 4400, 2, 6, false}));  // block A
    Set("inL.eq.blockb", 1);
    for (int b = 0; b < 3; ++b) writer.Set(kSlot, BandEdit(b, {1, 300.0 * (b + 1), -3.0 * b, 1.5, b == 2}));
    Set({{"inL.eq.bypass", 1}, {"inL.gain", Pos(C::ChannelGain, 60)}, {"inL.mute", 1}});
    device->clearLog();

    ASSERT_EQ(writer.Copy(kSlot, kInputL, kInputR), kOk);

    const Same same[] = {{P(20), P(24), 4}, {P(70), P(85), 15}, {P(16), P(17), 1}};
    for (const Same& s : same) EXPECT_EQ(Mem(s.a, s.count), Mem(s.b, s.count)) << s.a << " vs " << s.b;
    for (std::uint32_t mask : {P(18), P(28), P(29)}) EXPECT_EQ(Mem(mask) & 3, 3) << mask;
    for (int b = 0; b < 4; ++b) {
        EXPECT_EQ(BandRecord::readFrom(dm().preset, pi::InputBandA(1, b)),
                  BandRecord::readFrom(dm().preset, pi::InputBandA(0, b)));
    }
    // Input block A, which no command 5 carries, goes as a memory write and
    // command 25: the whole image is on the device.
    EXPECT_EQ(Mem(0, kDeviceMemorySize), ModelImage(dm()));
    EXPECT_EQ(dm().values.bandFrequency[6], 900);

    std::vector<std::uint8_t> codes;
    for (const auto& f : Frames()) codes.push_back(f[3]);
    EXPECT_EQ(codes, (std::vector<std::uint8_t>{10, 31, 5, 5, 5, 21, 25, 6, 1, 3}));
}

}  // namespace
}  // namespace zef::test
