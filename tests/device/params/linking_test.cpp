// Linked pairs and the channel copy against the simulated amplifier: the
// partner's bytes at the device equal the edited channel's, the partner's
// command is the last thing sent, and unlinked pairs send nothing more.

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

struct LinkCase {
    std::string what;
    bool inputs;  // the pair: inputs, else outputs
    std::function<void(Senders&)> edit;
    std::function<Status(Linking&)> propagate;
    std::vector<Same> same;                                            // device ranges that must end up equal
    std::vector<std::pair<std::uint32_t, Bytes>> memory;               // and bytes the device must hold
    std::vector<std::pair<std::uint8_t, std::uint8_t>> partnerFrames;  // (code, p1) sent for the partner
};

// clang-format off
std::vector<LinkCase> LinkCases() {
    using S = Senders&;
    using L = Linking&;
    return {
        {"DynamicFilter", false, [](S s) { s.SendDynamicFilter(kOutput1, true, 10, 20); },
         [](L l) { return l.LinkDynamicFilter(kOutput1); }, {{P(455), P(458), 3}}, {}, {{28, 3}}},
        {"NoiseGate", true, [](S s) { s.SendNoiseGate(1, GateControls{true, 3, 4, 5}); },
         [](L l) { return l.LinkNoiseGate(kInputL); }, {{P(20), P(24), 4}}, {}, {{10, 1}}},
        {"Compressor", false,
         [](S s) {
             s.SendCompressor(kOutput2, CompressorControls{true, 10, 20, 30, 5, 6, 100});
             s.SendCompressorAuto(kOutput2, true, true);
         },
         [](L l) { return l.LinkCompressor(kOutput2); },
         {{P(474), P(467), 7}, {P(482), P(481), 1}, {P(484), P(483), 1}}, {}, {{7, 2}, {8, 2}}},
        {"Limiter", false, [](S s) { s.SendLimiter(kOutput1, LimiterControls{true, 20, 5, 6}); },
         [](L l) { return l.LinkLimiter(kOutput1); }, {{P(485), P(489), 4}}, {}, {{9, 3}}},
        {"Crossover", false,
         [](S s) {
             s.SendCrossover(kOutput1, CrossoverSide::HighPass, 120, 3);
             s.SendCrossover(kOutput1, CrossoverSide::LowPass, 8000, 7);
         },
         [](L l) { return l.LinkCrossover(kOutput1); }, {{P(104), P(107), 3}, {P(110), P(113), 3}}, {},
         {{11, 3}, {11, 3}}},
        {"Delay", false, [](S s) { s.SendDelay(kOutput2, {12, 7}, true); },
         [](L l) { return l.LinkDelay(kOutput2); }, {{P(464), P(461), 3}}, {{P(582), {3}}}, {{2, 2}}},
        {"Polarity", false, [](S s) { s.SendPolarity(kOutput1, true); },
         [](L l) { return l.LinkPolarity(kOutput1); }, {}, {{P(496), {3}}}, {{4, 3}}},
        {"Mute", true, [](S s) { s.SendMute(kInputR, true); },
         [](L l) { return l.LinkMute(kInputR); }, {}, {{P(18), {3}}}, {{3, 0}}},
        {"Gain", true, [](S s) { s.SendGain(kInputL, 40); },
         [](L l) { return l.LinkGain(kInputL); }, {{P(16), P(17), 1}}, {}, {{1, 1}}},
        {"ChannelMode", true, [](S s) { s.SendChannelMode(kInputL, true); },
         [](L l) { return l.LinkChannelMode(kInputL); }, {}, {{P(28), {3}}}, {{31, 1}}},
        {"OutputEqBand", false, [](S s) { s.SendEqBand(11, EqBandEdit{4, 7777, 3, 12, true}); },
         [](L l) { return l.LinkEqBand(11); }, {{P(118 + 5 * 3), P(118 + 5 * 33), 5}}, {}, {{5, 3}}},
        {"InputBlockBBand", true,
         [](S s) {
             s.SendChannelMode(kInputL, true);
             s.SendChannelMode(kInputR, true);
             s.SendEqBand(1, EqBandEdit{1, 640, -4, 0.7, false});
         },
         [](L l) { return l.LinkEqBand(1); }, {{P(70 + 5 * 1), P(70 + 5 * 4), 5}}, {}, {{5, 1}}},
        {"EqBypass", false, [](S s) { s.SendEqBypass(kOutput2, true); },
         [](L l) { return l.LinkEqBypass(kOutput2); }, {}, {{P(117), {3}}}, {{6, 2}}},
        {"FirBypass", false, [](S s) { s.SendFirBypass(kOutput1, true); },
         [](L l) { return l.LinkFirBypass(kOutput1); }, {}, {{P(418), {3}}}, {{30, 3}}},
        {"Impedance", false, [](S s) { s.SendImpedance(kOutput1, 2); },
         [](L l) { return l.LinkImpedance(kOutput1); }, {{215, 216, 1}}, {}, {{32, 3}}},
    };
}
// clang-format on

void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.what; }

class LinkTestCase : public ParamsTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkTestCase, OnlyALinkedPairFollows) {
    const LinkCase& c = GetParam();
    // The other pair linked: nothing follows.
    if (c.inputs) {
        senders.SendLinkOutputs(true);
    } else {
        senders.SendLinkInputs(true);
    }
    c.edit(senders);
    const std::size_t sent = Frames().size();
    EXPECT_EQ(c.propagate(linking), kOk);
    EXPECT_EQ(Frames().size(), sent);

    // The pair itself linked.
    if (c.inputs) {
        senders.SendLinkInputs(true);
    } else {
        senders.SendLinkOutputs(true);
    }
    device->clearLog();
    EXPECT_EQ(c.propagate(linking), kOk);

    const auto frames = Frames();
    ASSERT_EQ(frames.size(), c.partnerFrames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i][3], c.partnerFrames[i].first);
        EXPECT_EQ(frames[i][4], c.partnerFrames[i].second);
    }
    for (const Same& s : c.same) EXPECT_EQ(Mem(s.a, s.count), Mem(s.b, s.count)) << s.a << " vs " << s.b;
    for (const auto& [address, bytes] : c.memory)
        EXPECT_EQ(Mem(address, bytes.size()), bytes) << "at " << address;
    EXPECT_EQ(Mem(0, kDeviceMemorySize), ModelImage(dm()));
}

std::string CaseName(const ::testing::TestParamInfo<LinkCase>& info) { return info.param.what; }

INSTANTIATE_TEST_SUITE_P(Every, LinkTestCase, ::testing::ValuesIn(LinkCases()), CaseName);

TEST_F(ParamsTest, LinkedPartnerValuesFollowInEditorValues) {
    senders.SendLinkInputs(true);
    senders.SendLinkOutputs(true);
    senders.SendGain(kInputR, 5);
    linking.LinkGain(kInputR);
    senders.SendCrossover(kOutput2, CrossoverSide::LowPass, 5000, 4);
    linking.LinkCrossover(kOutput2);
    senders.SendEqBand(60, EqBandEdit{0, 900, 7.5, 2, false});
    linking.LinkEqBand(60);
    const EditorValues& v = dm().values;
    EXPECT_EQ(v.channelGainDb[kInputL], 10.0);
    EXPECT_EQ(v.crossoverFrequency[1], 5000);
    EXPECT_EQ(v.crossoverSlope[1], 4);
    EXPECT_EQ(v.bandGain[30], 7.5);
    EXPECT_EQ(v.bandFrequency[30], 900);
}

TEST_F(ParamsTest, LinkingBothPairsWritesThreeAtTwoTwelve) {
    senders.SendLinkInputs(true);
    senders.SendLinkOutputs(true);
    EXPECT_EQ(Frames(), (std::vector<Bytes>{WriteFrame(212, {1}), WriteFrame(212, {3})}));
    EXPECT_EQ(Mem(212), 3);
    senders.SendLinkInputs(false);
    EXPECT_EQ(LastFrame(), WriteFrame(212, {2}));
    EXPECT_EQ(dm().inputsLinked, 0);
    EXPECT_EQ(dm().outputsLinked, 1);
}

TEST_F(ParamsTest, CopyOntoItselfIsRefusedWithoutAQuestion) {
    for (const ChannelCode ch : {kInputL, kOutput2}) {
        dialogs.calls.clear();
        EXPECT_EQ(ConfirmCopy(linking, dialogs, ch, ch), CopyResult::SameChannel);
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(dialogs.calls[0].kind, "message");
        EXPECT_EQ(dialogs.calls[0].title, "Copy");
        EXPECT_EQ(dialogs.calls[0].text, "Copy not possible, Source=Destination");
        EXPECT_EQ(dialogs.calls[0].icon, Icon::Critical);
    }
    EXPECT_TRUE(Frames().empty());
}

TEST_F(ParamsTest, CopyAnsweredNoSendsNothing) {
    dialogs.answers = {Answer::No};
    EXPECT_EQ(ConfirmCopy(linking, dialogs, kOutput1, kOutput2), CopyResult::Declined);
    EXPECT_EQ(dialogs.calls.back().text, "               Are you sure ? ");
    EXPECT_TRUE(Frames().empty());
}

TEST_F(ParamsTest, OutputCopyMakesTheDestinationEqualAtTheDevice) {
    // Output 1 made different from output 2 in every copied group.
    senders.SendEqBypass(kOutput1, true);
    senders.SendPolarity(kOutput1, true);
    senders.SendCompressor(kOutput1, CompressorControls{true, 40, 9, 12, 3, 4, 50});
    senders.SendCompressorAuto(kOutput1, true, false);
    senders.SendLimiter(kOutput1, LimiterControls{true, 70, 8, 9});
    for (int b = 0; b < 30; ++b)
        senders.SendEqBand(8 + b, EqBandEdit{static_cast<std::int16_t>(b % 8), 100.0 + 37 * b, b % 13 - 6.0,
                                             0.5 + b, b % 2 == 1});
    senders.SendCrossover(kOutput1, CrossoverSide::HighPass, 63, 2);
    senders.SendCrossover(kOutput1, CrossoverSide::LowPass, 12000, 8);
    senders.SendDelay(kOutput1, {99, 11}, true);
    const std::vector<double> coefficients = {0.5, -0.25, 0.125, 0.0625, -1.5};
    ASSERT_TRUE(fir::StoreExternalFIR(*exchange, model, kSlot, 0, fir::MakeStoredFir("Horn EQ", coefficients)));
    device->clearLog();
    dialogs.answers = {Answer::Yes};

    EXPECT_EQ(ConfirmCopy(linking, dialogs, kOutput1, kOutput2), CopyResult::Copied);

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
    EXPECT_EQ(codes, expected);
    EXPECT_EQ(Frames()[35 + 26], Frame13(cmd::kActivateFir, {3}));
}

TEST_F(ParamsTest, InputCopyMakesTheDestinationEqual) {
    senders.SendNoiseGate(2, GateControls{true, 2, 7, 9});
    senders.SendEqBand(2, EqBandEdit{5, 4400, 2, 6, false});  // block A, model only
    senders.SendChannelMode(kInputL, true);
    for (int b = 0; b < 3; ++b) senders.SendEqBand(b, EqBandEdit{1, 300.0 * (b + 1), -3.0 * b, 1.5, b == 2});
    senders.SendEqBypass(kInputL, true);
    senders.SendGain(kInputL, 60);
    senders.SendMute(kInputL, true);
    device->clearLog();

    ASSERT_EQ(linking.Copy(kInputL, kInputR), kOk);

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
