#include "dsp/responses.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "dsp/fir.h"
#include "dsp_test_util.h"
#include "model/memory_map.h"

namespace zef::dsp {
namespace {

constexpr DeviceSlot kSlot = 7;

void ExpectCurvesNear(const Curve& got, const Curve& want, double tolerance, const std::string& what) {
    for (std::size_t k = 0; k < kGridPoints; ++k) {
        ASSERT_NEAR(got[k], want[k], tolerance) << what << " at k=" << k;
    }
}

// A device with 84 distinct bands, four crossovers and a FIR on each output
// (a 3-tap smoother on output 1, a gain of 0.25 on output 2), all computed.
class GroupSumTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::FillDistinctDevice(device);
        device.firTaps[0][0] = CoefficientToTap(0.25);
        device.firTaps[0][1] = CoefficientToTap(0.5);
        device.firTaps[0][2] = CoefficientToTap(0.25);
        device.firTaps[1][0] = CoefficientToTap(0.25);
        Recompute();
    }
    void Recompute() {
        UpdateAllResponses(store, device, kSlot);
        ASSERT_EQ(ComputeFirResponse(store, device, kSlot, 0), kOk);
        ASSERT_EQ(ComputeFirResponse(store, device, kSlot, 1), kOk);
    }
    const DeviceResponses& r() { return store.device(kSlot); }

    // The expected sum, added up here from the stored arrays.
    Curve Expected(std::vector<int> bands, std::vector<int> crossovers, int fir) {
        Curve sum{};
        for (int x : crossovers)
            for (std::size_t k = 0; k < kGridPoints; ++k) sum[k] += r().crossover(x)[k];
        for (int b : bands)
            for (std::size_t k = 0; k < kGridPoints; ++k) sum[k] += r().band(b)[k];
        if (fir >= 0)
            for (std::size_t k = 0; k < kGridPoints; ++k) sum[k] += r().fir(fir)[k];
        return sum;
    }

    ResponseStore store;
    DeviceModel device;
};

std::vector<int> Range(int first, int count) {
    std::vector<int> v;
    for (int i = 0; i < count; ++i) v.push_back(first + i);
    return v;
}

TEST_F(GroupSumTest, EachRuleOfTheGroupSums) {
    struct Case {
        const char* what;
        std::function<void(DeviceModel&)> set;
        int group;
        std::vector<int> bands;
        std::vector<int> crossovers;
        int fir;  // output whose FIR is added, -1 for none
    };
    const std::vector<Case> cases = {
        {"input L, four bands", [](DeviceModel&) {}, 0, Range(0, 4), {}, -1},
        {"input L drops its fourth band while its bit of PI 28 is set",
         [](DeviceModel& d) { d.preset[pi::kChannelMode] = 1; },
         0,
         Range(0, 3),
         {},
         -1},
        {"input R keeps four bands when only L's bit is set",
         [](DeviceModel& d) { d.preset[pi::kChannelMode] = 1; },
         1,
         Range(4, 4),
         {},
         -1},
        {"input R drops its fourth band on bit value 2",
         [](DeviceModel& d) { d.preset[pi::kChannelMode] = 2; },
         1,
         Range(4, 3),
         {},
         -1},
        {"input EQ bypassed: flat", [](DeviceModel& d) { d.values.eqBypass[0] = 1; }, 0, {}, {}, -1},
        {"input R bypass leaves L alone",
         [](DeviceModel& d) { d.values.eqBypass[1] = 1; },
         0,
         Range(0, 4),
         {},
         -1},
        {"output 1, 30-band mode: crossovers and 30 bands, no FIR",
         [](DeviceModel&) {},
         2,
         Range(8, 30),
         {0, 1},
         -1},
        {"output 1, 10-band + FIR mode",
         [](DeviceModel& d) { d.preset[pi::kEqMode] = 1; },
         2,
         Range(8, 10),
         {0, 1},
         0},
        {"any nonzero PI 116 is the FIR mode",
         [](DeviceModel& d) { d.preset[pi::kEqMode] = 0x80; },
         2,
         Range(8, 10),
         {0, 1},
         0},
        {"output 1 FIR bypassed (bit 0 of PI 418)",
         [](DeviceModel& d) {
             d.preset[pi::kEqMode] = 1;
             d.preset[pi::kFirBypass] = 1;
         },
         2,
         Range(8, 10),
         {0, 1},
         -1},
        {"output 2's FIR bypass bit leaves output 1's FIR in",
         [](DeviceModel& d) {
             d.preset[pi::kEqMode] = 1;
             d.preset[pi::kFirBypass] = 2;
         },
         2,
         Range(8, 10),
         {0, 1},
         0},
        {"30-band mode adds no FIR even with its bypass bit clear",
         [](DeviceModel& d) { d.preset[pi::kFirBypass] = 0; },
         3,
         Range(38, 30),
         {2, 3},
         -1},
        {"output 2, FIR mode: its own crossovers, bands and FIR",
         [](DeviceModel& d) { d.preset[pi::kEqMode] = 1; },
         3,
         Range(38, 10),
         {2, 3},
         1},
        {"output 2 FIR bypassed by bit 1",
         [](DeviceModel& d) {
             d.preset[pi::kEqMode] = 1;
             d.preset[pi::kFirBypass] = 2;
         },
         3,
         Range(38, 10),
         {2, 3},
         -1},
        {"output EQ bypassed: crossovers only",
         [](DeviceModel& d) { d.values.eqBypass[2] = 1; },
         2,
         {},
         {0, 1},
         -1},
        {"output EQ bypassed in FIR mode: crossovers only, no FIR",
         [](DeviceModel& d) {
             d.preset[pi::kEqMode] = 1;
             d.values.eqBypass[3] = 1;
         },
         3,
         {},
         {2, 3},
         -1},
        {"SM: all 16 bands", [](DeviceModel&) {}, 4, Range(68, 16), {}, -1},
        {"SM has no bypass test", [](DeviceModel& d) { d.values.eqBypass[4] = 1; }, 4, Range(68, 16), {}, -1},
    };
    for (const auto& c : cases) {
        device.preset[pi::kChannelMode] = 0;
        device.preset[pi::kEqMode] = 0;
        device.preset[pi::kFirBypass] = 0;
        device.values.eqBypass = {};
        c.set(device);
        SumGroup(store, device, kSlot, c.group);
        ExpectCurvesNear(r().group(c.group), Expected(c.bands, c.crossovers, c.fir), 1e-9, c.what);
    }
}

TEST_F(GroupSumTest, BandEditsKeepEveryArrayConsistentWithAFullRecompute) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> anyBand(0, 83);
    std::uniform_int_distribution<int> anyType(0, 7);
    std::uniform_int_distribution<int> anyFilter(0, 3);
    device.preset[pi::kEqMode] = 1;
    device.preset[pi::kChannelMode] = 2;
    for (int edit = 0; edit < 60; ++edit) {
        if (edit % 5 == 4) {
            const int filter = anyFilter(rng);
            const CrossoverSetting x = test::RandomCrossover(rng);
            device.values.crossoverSlope[static_cast<std::size_t>(filter)] = x.slopeCode;
            device.values.crossoverFrequency[static_cast<std::size_t>(filter)] = x.frequencyHz;
            EXPECT_EQ(UpdateCrossoverResponse(store, device, kSlot, filter), GroupsDrawnFor(2 + filter / 2));
        } else {
            const int band = anyBand(rng);
            test::SetBand(device.values, band, test::RandomBand(rng, anyType(rng)));
            EXPECT_EQ(UpdateBandResponse(store, device, kSlot, band), GroupsDrawnFor(GroupOfBand(band)));
        }
    }
    ResponseStore fresh;
    UpdateAllResponses(fresh, device, kSlot);
    ASSERT_EQ(ComputeFirResponse(fresh, device, kSlot, 0), kOk);
    ASSERT_EQ(ComputeFirResponse(fresh, device, kSlot, 1), kOk);
    const DeviceResponses& want = fresh.device(kSlot);
    for (int b = 0; b < kBands; ++b) ExpectCurvesNear(r().band(b), want.band(b), 0, "band");
    for (int x = 0; x < kCrossovers; ++x)
        ExpectCurvesNear(r().crossover(x), want.crossover(x), 0, "crossover");
    for (int g = 0; g < kGroups; ++g) ExpectCurvesNear(r().group(g), want.group(g), 1e-9, "group");
}

TEST_F(GroupSumTest, GroupRecomputeAfterAWholePageChanges) {
    // Values change without per-band updates (a preset recall); the group recompute catches up.
    for (int band = 8; band < 38; ++band) {
        test::SetBand(device.values, band, {1, 3000.0 + band, 0.7, 6.0, 0.0});
    }
    device.values.crossoverSlope = {0, 0, 3, 3};
    UpdateGroupBands(store, device, kSlot, 2);
    UpdateAllCrossovers(store, device, kSlot);
    Curve band;
    BandCurveDb({1, 3000.0 + 20, 0.7, 6.0, 0.0}, store.tables(), band);
    ExpectCurvesNear(r().band(20), band, 0, "band 20");
    ExpectCurvesNear(r().crossover(0), Curve{}, 0, "bypassed crossover");
    ExpectCurvesNear(r().group(2), Expected(Range(8, 30), {0, 1}, -1), 1e-9, "output 1");
    ExpectCurvesNear(r().group(3), Expected(Range(38, 30), {2, 3}, -1), 1e-9, "output 2");
}

TEST_F(GroupSumTest, InputBandsRedrawBothInputs) {
    EXPECT_EQ(UpdateBandResponse(store, device, kSlot, 5), (GroupList{{0, 1}, 2}));
    EXPECT_EQ(UpdateBandResponse(store, device, kSlot, 37), (GroupList{{2, 0}, 1}));
    EXPECT_EQ(UpdateBandResponse(store, device, kSlot, 70), (GroupList{{4, 0}, 1}));
    EXPECT_EQ(UpdateCrossoverResponse(store, device, kSlot, 3), (GroupList{{3, 0}, 1}));
}

TEST(ResponseStore, SlotsAreAllocatedOnFirstUseAndStartFlat) {
    ResponseStore store;
    EXPECT_EQ(store.allocatedSlots(), 0);
    EXPECT_EQ(store.find(3), nullptr);
    DeviceModel device;
    test::FillDistinctDevice(device);
    UpdateBandResponse(store, device, 3, 40);
    EXPECT_EQ(store.allocatedSlots(), 1);
    ASSERT_NE(store.find(3), nullptr);
    EXPECT_EQ(store.find(4), nullptr);
    EXPECT_NE(store.find(3)->band(40)[1000], 0.0);
    const DeviceResponses& other = store.device(4);
    EXPECT_EQ(store.allocatedSlots(), 2);
    for (int g = 0; g < kGroups; ++g) ExpectCurvesNear(other.group(g), Curve{}, 0, "fresh slot");
}

TEST(ResponseStore, SettingsComeFromTheEditorValues) {
    EditorValues v;
    test::SetBand(v, 12, {4, 2500, 3.2, -4.5, 1.0});
    const BandSetting b = BandSettingOf(v, 12);
    EXPECT_EQ(b.type, 4);
    EXPECT_EQ(b.frequencyHz, 2500);
    EXPECT_EQ(b.q, 3.2);
    EXPECT_EQ(b.gainDb, -4.5);
    EXPECT_EQ(b.bypass, 1.0);
    v.crossoverSlope = {1, 6.7, 2, 8};
    v.crossoverFrequency = {50, 9000, 70, 7000};
    const CrossoverSetting lp = CrossoverSettingOf(v, 1);
    EXPECT_EQ(lp.slopeCode, 7);
    EXPECT_TRUE(lp.isLowPass);
    EXPECT_EQ(lp.frequencyHz, 9000);
    EXPECT_FALSE(CrossoverSettingOf(v, 2).isLowPass);
}

}  // namespace
}  // namespace zef::dsp
