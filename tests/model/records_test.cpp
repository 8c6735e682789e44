#include "model/records.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "model/defaults.h"
#include "model/editor_sync.h"
#include "model/memory_map.h"
#include "model/tables.h"

namespace zef {
namespace {

TEST(BandRecord, BytesAndCommandOrder) {
    PresetImage p;
    BandRecord r{kBandLowShelf, 1000, 16, 0};
    r.setGainCode(30);
    r.setBypassed(true);
    EXPECT_EQ(r.level, 158);
    r.writeTo(p, pi::MaskingBand(3));
    const std::size_t at = pi::MaskingBand(3);
    EXPECT_EQ((std::array<std::uint8_t, 5>{p[at], p[at + 1], p[at + 2], p[at + 3], p[at + 4]}),
              (std::array<std::uint8_t, 5>{2, 0x03, 0xE8, 16, 158}));
    EXPECT_EQ(r.commandBytes(), (std::array<std::uint8_t, 5>{2, 158, 0x03, 0xE8, 16}));
    r.setBypassed(false);
    EXPECT_EQ(r.gainCode(), 30);  // bypass keeps the gain
    EXPECT_EQ(BandRecord::readFrom(p, at).gainCode(), 30);

    CrossoverRecord x{5, 80};
    x.writeTo(p, CrossoverOffset(3));  // output 2 low-pass
    EXPECT_EQ(p[pi::kLowPassBase + 3], 5);
    EXPECT_EQ(p.be16(pi::kLowPassBase + 4), 80);
    EXPECT_EQ(CrossoverRecord::readFrom(p, pi::LowPass(1)), x);
    EXPECT_EQ(CrossoverOffset(0), pi::kHighPassBase);
}

TEST(BandLocation, EveryEditorBandHasItsOwnRecord) {
    for (std::uint8_t mode : {0, 1, 2, 3}) {
        std::set<std::size_t> offsets;
        int missing = 0;
        for (int band = 0; band < static_cast<int>(kBandCount); ++band) {
            const auto loc = LocateBand(mode, band);
            if (!loc) {
                ++missing;
                continue;
            }
            EXPECT_TRUE(offsets.insert(loc->offset).second) << band;
            const MemoryField* f = PresetFieldAt(loc->offset);
            const MemoryField* last = PresetFieldAt(loc->offset + 4);
            ASSERT_EQ(f, last) << band;  // the whole record inside one field
        }
        // Inputs in block B lose their fourth band.
        EXPECT_EQ(missing, ((mode & 1) ? 1 : 0) + ((mode & 2) ? 1 : 0));
    }
}

TEST(BandLocation, CommandAddressing) {
    struct Case {
        std::uint8_t mode;
        int band;
        BandBlock block;
        std::size_t offset;
        int p1, p2, p3;
    };
    const Case cases[] = {
        {0, 0, BandBlock::InputA, 30, 0, 0, 0},         {0, 7, BandBlock::InputA, 30 + 5 * 7, 1, 3, 0},
        {1, 0, BandBlock::InputB, 70, 0, 0, 1},         {2, 6, BandBlock::InputB, 70 + 5 * 5, 1, 2, 1},
        {2, 2, BandBlock::InputA, 30 + 5 * 4, 0, 2, 0}, {0, 8, BandBlock::Output, 118, 2, 0, 0},
        {0, 38, BandBlock::Output, 123, 3, 0, 0},       {0, 67, BandBlock::Output, 118 + 5 * 59, 3, 29, 0},
        {0, 68, BandBlock::Masking, 500, 17, 0, 0},     {3, 83, BandBlock::Masking, 575, 20, 15, 0},
    };
    for (const Case& c : cases) {
        const auto loc = LocateBand(c.mode, c.band);
        ASSERT_TRUE(loc) << c.band;
        EXPECT_EQ(loc->block, c.block) << c.band;
        EXPECT_EQ(loc->offset, c.offset) << c.band;
        EXPECT_EQ(loc->channel, c.p1) << c.band;
        EXPECT_EQ(loc->band, c.p2) << c.band;
        EXPECT_EQ(loc->blockSelector, c.p3) << c.band;
        EXPECT_EQ(loc->sentWithCommand5(), c.block != BandBlock::InputA);
    }
    EXPECT_FALSE(LocateBand(1, 3));
    EXPECT_TRUE(LocateBand(2, 3));
}

// A random but valid image: every code inside its range, masks only in bits 0 and 1.
PresetImage RandomValidPreset(std::mt19937& rng) {
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    PresetImage p;
    for (auto& b : p.bytes) b = static_cast<std::uint8_t>(pick(0, 255));
    p[pi::kChannelMode] = static_cast<std::uint8_t>(pick(0, 3));
    for (int band = 0; band < static_cast<int>(kBandCount); ++band) {
        for (std::uint8_t mode = 0; mode < 4; ++mode) {
            if (auto loc = LocateBand(mode, band)) {
                BandRecord r{static_cast<std::uint8_t>(pick(0, 7)),
                             static_cast<std::uint16_t>(pick(0, 65535)),
                             static_cast<std::uint8_t>(pick(0, 100)), 0};
                r.setGainCode(pick(0, 60));
                r.setBypassed(pick(0, 1) == 1);
                r.writeTo(p, loc->offset);
            }
        }
    }
    for (int n = 0; n < 4; ++n) {
        CrossoverRecord{static_cast<std::uint8_t>(pick(0, 8)), static_cast<std::uint16_t>(pick(0, 65535))}
            .writeTo(p, CrossoverOffset(n));
    }
    for (int i = 0; i < 2; ++i) {
        p[pi::InputGain(i)] = static_cast<std::uint8_t>(pick(0, 144));
        p[pi::OutputGain(i)] = static_cast<std::uint8_t>(pick(0, 144));
    }
    for (std::size_t mask : {pi::kInputMute, pi::kOutputMute, pi::kInputPolarity, pi::kOutputPolarity,
                             pi::kInputEqBypass, pi::kOutputEqBypass}) {
        p[mask] = static_cast<std::uint8_t>(pick(0, 3));
    }
    return p;
}

TEST(EditorSync, LoadThenStoreReproducesValidRecords) {
    std::mt19937 rng(99);
    for (int trial = 0; trial < 50; ++trial) {
        DeviceModel d;
        d.preset = RandomValidPreset(rng);
        const PresetImage original = d.preset;
        LoadEditorValues(d);
        const EditorValues loaded = d.values;
        for (int band = 0; band < static_cast<int>(kBandCount); ++band) StoreBand(d, band);
        for (int n = 0; n < 4; ++n) StoreCrossover(d, n);
        for (ChannelCode ch : {kInputL, kInputR, kOutput1, kOutput2}) {
            StoreGain(d, ch);
            StoreMute(d, ch);
            StorePolarity(d, ch);
            StoreEqBypass(d, ch);
        }
        ASSERT_EQ(d.preset, original) << "trial " << trial;
        ASSERT_EQ(d.values.bandGain, loaded.bandGain);
        ASSERT_EQ(d.values.bandQ, loaded.bandQ);
    }
}

TEST(EditorSync, StoreSnapsTheEngineeringValues) {
    DeviceModel d;
    const int band = 40;                  // output 2, band 1
    d.values.bandGain[band] = 3.25;       // tie -> 3.5
    d.values.bandQ[band] = 1.02;          // nearest table entry 1.0
    d.values.bandFrequency[band] = 80.5;  // half to even -> 80
    d.values.bandBypass[band] = 0.5;      // nonzero: bypassed
    d.values.bandType[band] = kBandNotch;
    const auto loc = StoreBand(d, band);
    ASSERT_TRUE(loc);
    const BandRecord r = BandRecord::readFrom(d.preset, loc->offset);
    EXPECT_EQ(r, (BandRecord{kBandNotch, 80, kEqQUnityCode, 128 + 37}));
    EXPECT_EQ(d.values.bandGain[band], 3.5);
    EXPECT_EQ(d.values.bandQ[band], 1.0);
    EXPECT_EQ(d.values.bandFrequency[band], 80.0);
    EXPECT_EQ(d.values.bandBypass[band], 1.0);

    d.values.crossoverFrequency[0] = 80.9;
    d.values.crossoverSlope[0] = 7.4;
    StoreCrossover(d, 0);
    EXPECT_EQ(CrossoverRecord::readFrom(d.preset, pi::HighPass(0)), (CrossoverRecord{7, 80}));

    d.values.channelGainDb[kOutput2] = 15;
    StoreGain(d, kOutput2);
    EXPECT_EQ(d.preset[pi::OutputGain(1)], 144);
    EXPECT_EQ(d.values.channelGainDb[kOutput2], 12);
}

TEST(EditorSync, SameBandNumberInDifferentBlocksTouchesDifferentRecords) {
    DeviceModel d;
    const PresetImage before = d.preset;
    d.values.bandGain[1] = 6;   // input L band 1, block A
    d.values.bandGain[9] = 6;   // output 1 band 1
    d.values.bandGain[69] = 6;  // "SM" band 1
    StoreBand(d, 1);
    StoreBand(d, 9);
    StoreBand(d, 69);
    std::set<std::string_view> changed;
    for (std::size_t i = 0; i < kPresetSize; ++i) {
        if (d.preset[i] != before[i]) changed.insert(PresetFieldAt(i)->name);
    }
    EXPECT_EQ(changed, (std::set<std::string_view>{"inputBlockA", "outputEq", "maskingBands"}));

    // With input L on block B the same index edits block B; its fourth band has no record.
    d.preset[pi::kChannelMode] = 1;
    d.values.bandGain[1] = -6;
    EXPECT_EQ(StoreBand(d, 1)->offset, pi::InputBandB(0, 1));
    const PresetImage blockB = d.preset;
    EXPECT_FALSE(StoreBand(d, 3));
    EXPECT_EQ(d.preset, blockB);
    EXPECT_EQ(BandRecord::readFrom(d.preset, pi::InputBandA(0, 1)).gainCode(), 42);  // block A kept
}

TEST(EditorSync, PairMasksAreRebuiltFromBothChannels) {
    DeviceModel d;
    d.preset[pi::kInputMute] = 0xF0;  // stray bits are not kept
    d.values.mute[kInputR] = 1;
    StoreMute(d, kInputR);
    EXPECT_EQ(d.preset[pi::kInputMute], 2);
    d.values.polarity[kOutput1] = 1;
    d.values.polarity[kOutput2] = 1;
    StorePolarity(d, kOutput1);
    EXPECT_EQ(d.preset[pi::kOutputPolarity], 3);
    EXPECT_EQ(d.preset[pi::kInputPolarity], 0);
    d.values.eqBypass[kOutput2] = 1;
    StoreEqBypass(d, kOutput2);
    EXPECT_EQ(d.preset[pi::kOutputEqBypass], 2);
    LoadChannelValues(d);
    EXPECT_EQ(d.values.mute[kInputL], 0);
    EXPECT_EQ(d.values.mute[kInputR], 1);
}

TEST(EditorSync, OutOfRangeCodesLoadClamped) {
    DeviceModel d;
    BandRecord{200, 1000, 250, 0x7F}.writeTo(d.preset, pi::OutputBand(0, 0));
    d.preset[pi::InputGain(0)] = 255;
    LoadEditorValues(d);
    EXPECT_EQ(d.values.bandType[8], kBandAllPass2);
    EXPECT_EQ(d.values.bandQ[8], kEqQ.back());
    EXPECT_EQ(d.values.bandGain[8], 15);
    EXPECT_EQ(d.values.channelGainDb[kInputL], 12);
}

TEST(Defaults, ResetGivesATransparentConsistentProgram) {
    DeviceModel d;
    d.preset.bytes.fill(0xEE);
    d.values.bandGain.fill(9);
    ResetToDefaults(d);
    EXPECT_EQ(d.readPreset, d.preset);
    for (int band = 0; band < static_cast<int>(kBandCount); ++band) {
        const auto i = static_cast<std::size_t>(band);
        EXPECT_EQ(d.values.bandGain[i], 0) << band;
        EXPECT_EQ(d.values.bandQ[i], 1.0) << band;
        EXPECT_EQ(d.values.bandBypass[i], 0) << band;
        EXPECT_GE(d.values.bandFrequency[i], 20) << band;
        EXPECT_LE(d.values.bandFrequency[i], 20000) << band;
        if (band > kFirstOutputBand && band < 68 && band != 38) {
            EXPECT_GT(d.values.bandFrequency[i], d.values.bandFrequency[i - 1]) << band;
        }
    }
    for (std::size_t ch = 0; ch < 4; ++ch) EXPECT_EQ(d.values.channelGainDb[ch], 0);
    EXPECT_EQ(d.values.crossoverSlope, (std::array<double, 4>{}));
    EXPECT_EQ(ReadRouting(d.preset, 0), (RoutingState{true, false}));
    EXPECT_EQ(ReadRouting(d.preset, 1), (RoutingState{false, true}));
    EXPECT_EQ(DeviceName(d.settings), kModelName);
    for (const auto& taps : d.firTaps) {
        EXPECT_EQ(taps[0], kUnitTap);
        EXPECT_TRUE(std::all_of(taps.begin() + 1, taps.end(), [](std::uint32_t t) { return t == 0; }));
    }
    EXPECT_EQ(FirTapCount(d.preset, 1), static_cast<int>(kFirTapCount));
    EXPECT_EQ(d.eqTarget.flag, 1);
    EXPECT_EQ(d.eqTarget.q, (std::array<double, 10>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(std::is_sorted(d.eqTarget.frequency.begin(), d.eqTarget.frequency.end()));

    // Every default is representable: storing the loaded values changes nothing.
    const PresetImage before = d.preset;
    for (int band = 0; band < static_cast<int>(kBandCount); ++band) StoreBand(d, band);
    for (int n = 0; n < 4; ++n) StoreCrossover(d, n);
    EXPECT_EQ(d.preset, before);
}

TEST(Texts, NamesAndVersion) {
    PresetImage p;
    SetPresetName(p, "  Stage  ");
    EXPECT_EQ(p[pi::kNameSize - 1], ' ');
    EXPECT_EQ(PresetName(p), "Stage");
    SetPresetName(p, "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(PresetName(p), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(p[pi::InputGain(0)], 0);  // nothing written past the name
    SetFirName(p, 0, "fir one");
    SetFirName(p, 1, "fir two");
    EXPECT_EQ(FirName(p, 0), "fir one");
    EXPECT_EQ(FirName(p, 1), "fir two");

    DeviceSettings s;
    // Bytes 1, 2, 3 are major, minor, patch as the device reports them.
    s[ds::kFirmwareVersion] = 2;
    s[ds::kFirmwareVersion + 1] = 1;
    s[ds::kFirmwareVersion + 2] = 0;
    EXPECT_EQ(FirmwareVersionText(s), "2.1.0");
    s[ds::kLoadedPreset] = 0x84;
    EXPECT_EQ(LoadedPresetSlot(s), 4);
}

}  // namespace
}  // namespace zef
