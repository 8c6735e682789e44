// The pure parts: command 5 addressing of every band block, the incremental
// update's group table and the status line.

#include "model/commands.h"

#include <gtest/gtest.h>

#include "model/defaults.h"
#include "model/link_rules.h"
#include "model/memory_map.h"
#include "model/status_text.h"
#include "model/update_groups.h"

namespace zef::test {
namespace {

TEST(Commands, BandCommandAddressesEveryBlock) {
    struct Row {
        int band;
        std::uint8_t channelMode;  // PI 28
        bool sent;
        std::uint8_t p1, p2, p3;
    };
    const Row rows[] = {
        {0, 0, false, 0, 0, 0},  {7, 0, false, 0, 0, 0},   {2, 1, true, 0, 2, 1},   {6, 2, true, 1, 2, 1},
        {3, 1, false, 0, 0, 0},  {4, 1, false, 0, 0, 0},   {8, 0, true, 2, 0, 0},   {37, 0, true, 2, 29, 0},
        {38, 0, true, 3, 0, 0},  {67, 3, true, 3, 29, 0},  {68, 0, true, 17, 0, 0}, {71, 0, true, 17, 3, 0},
        {72, 0, true, 18, 4, 0}, {83, 0, true, 20, 15, 0},
    };
    for (const Row& r : rows) {
        DeviceModel d;
        d.preset = DefaultPreset();
        d.preset[pi::kChannelMode] = r.channelMode;
        const auto c = EqBandCommand(d, r.band);
        ASSERT_EQ(c.has_value(), r.sent) << r.band;
        if (!c) continue;
        EXPECT_EQ(c->code, cmd::kEqBand);
        EXPECT_EQ(c->p[0], r.p1) << r.band;
        EXPECT_EQ(c->p[1], r.p2) << r.band;
        EXPECT_EQ(c->p[2], r.p3) << r.band;
    }
}

TEST(Commands, BandBytesTravelInTheOrderZeroFourOneTwoThree) {
    DeviceModel d;
    BandRecord{6, 0xABCD, 77, 0x80 | 12}.writeTo(d.preset, pi::OutputBand(1, 7));
    const auto c = EqBandCommand(d, 38 + 7);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->p, (CommandParams{3, 7, 0, 6, 0x8C, 0xAB, 0xCD, 77}));
}

TEST(Commands, PartnerBandsAndTargets) {
    // Editor band index -> its partner's (-1: "SM" bands have none).
    const std::pair<int, int> rows[] = {{0, 4},   {3, 7},  {4, 0},   {7, 3},   {8, 38},
                                        {37, 67}, {38, 8}, {67, 37}, {68, -1}, {83, -1}};
    DeviceModel linked;
    linked.inputsLinked = linked.outputsLinked = 1;
    for (const auto& [band, partner] : rows) {
        const ParamTarget t = BandTarget(band);
        EXPECT_EQ(BandIndexOf(t), band) << band;
        if (partner < 0) {
            EXPECT_FALSE(PairLinked(linked, t.channel)) << band;
        } else {
            EXPECT_EQ(BandIndexOf(PartnerOf(t)), partner) << band;
        }
    }
}

// The groups and their bytes, written from the memory layout (record offsets
// for the preset, device addresses for the settings), in comparison order.
TEST(UpdateGroups, CoverTheLayoutInOrder) {
    using R = std::vector<std::pair<std::size_t, std::size_t>>;  // first, last
    const std::vector<std::pair<ParamGroup, R>> channel = {
        {ParamGroup::Gains, {{16, 17}, {493, 494}}},
        {ParamGroup::Mutes, {{18, 18}, {495, 495}}},
        {ParamGroup::NoiseGates, {{20, 27}}},
        {ParamGroup::Delay, {{461, 466}, {582, 582}}},
        {ParamGroup::CompressorAuto, {{481, 484}}},
        {ParamGroup::Compressors, {{467, 480}}},
        {ParamGroup::Crossovers, {{104, 115}}},
        {ParamGroup::ChannelModes, {{28, 28}}},
        {ParamGroup::EqBypass, {{29, 29}, {117, 117}}},
        {ParamGroup::EqBands, {{30, 99}, {118, 417}, {500, 579}}},
        {ParamGroup::EqMode, {{116, 116}}},
        {ParamGroup::FirBypass, {{418, 418}}},
        {ParamGroup::Polarity, {{19, 19}, {496, 496}}},
        {ParamGroup::Limiters, {{485, 492}}},
        {ParamGroup::Routing, {{100, 103}}},
        {ParamGroup::Masking, {{497, 499}, {580, 581}}},
        {ParamGroup::DynamicFilter, {{455, 460}}},
        {ParamGroup::FirInfo, {{419, 454}}},
    };
    const std::vector<std::pair<ParamGroup, R>> device = {
        {ParamGroup::RemoteEnable, {{217, 217}}}, {ParamGroup::NoiseGenerator, {{205, 205}, {208, 210}}},
        {ParamGroup::BridgePower, {{213, 216}}},  {ParamGroup::SleepMode, {{211, 211}}},
        {ParamGroup::Standby, {{206, 206}}},      {ParamGroup::LinkMask, {{212, 212}}},
        {ParamGroup::DelayUnit, {{207, 207}}},
    };
    const auto check = [](std::span<const UpdateGroup> groups,
                          const std::vector<std::pair<ParamGroup, R>>& want, bool settings) {
        ASSERT_EQ(groups.size(), want.size());
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(groups[i].group, want[i].first) << i;
            EXPECT_EQ(groups[i].settings, settings) << i;
            R got;
            for (const ByteRange& r : groups[i].byteRanges())
                got.emplace_back(r.first, r.first + r.count - 1);
            EXPECT_EQ(got, want[i].second) << i;
        }
    };
    check(ChannelUpdateGroups(), channel, false);
    check(DeviceUpdateGroups(), device, true);
}

TEST(StatusText, NetworkAndUsbDevices) {
    DeviceEntry net;
    net.name = "Stage Left";
    net.interface = kInterfaceTcp;
    net.ip = "127.0.0.9";
    DeviceEntry usb = net;
    usb.interface = kInterfaceUsb;
    usb.ip.clear();
    EXPECT_EQ(ProgramLoadedStatus(net, 2, "Vox1"), "Stage Left - IP=127.0.0.9 - program loaded: P03 Vox1");
    EXPECT_EQ(ProgramLoadedStatus(usb, 0, "A"), "Stage Left - USB  - program loaded: P01 A");
}

}  // namespace
}  // namespace zef::test
