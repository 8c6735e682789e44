// Which devices keep their response arrays: the most recent ones up to the
// capacity; a change on any other device still reaches the views (every
// group announced with its correct sum) and leaves nothing allocated.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "app/resident_responses.h"
#include "dsp/responses.h"
#include "model/demo_program.h"

namespace zef {
namespace {

class ResidentResponsesTest : public ::testing::Test {
protected:
    ResidentResponsesTest() {
        for (DeviceSlot s = 1; s <= 3; ++s) ApplyDemoProgram(model->device(s), DemoProgram::MainSystem);
        subscription = resident.groupChanged.Connect([this](DeviceSlot slot, int group) {
            const dsp::DeviceResponses* r = store.find(slot);
            ASSERT_NE(r, nullptr) << "announced without arrays";
            announced[{slot, group}] = r->group(group)[kProbe];
        });
    }

    static constexpr std::size_t kProbe = 40;  // about 117 Hz: inside the crossovers' slopes
    std::unique_ptr<Model> model = std::make_unique<Model>();
    dsp::ResponseStore store;
    ResidentResponses resident{store, *model, 2};
    std::map<std::pair<DeviceSlot, int>, double> announced;
    Subscription subscription;
};

TEST_F(ResidentResponsesTest, OnlyTheMostRecentSlotsKeepTheirArrays) {
    resident.Keep(1);
    resident.Keep(2);
    resident.Keep(1);  // 1 is the most recent again
    resident.Keep(3);  // so 2 goes
    EXPECT_NE(store.find(1), nullptr);
    EXPECT_EQ(store.find(2), nullptr);
    EXPECT_NE(store.find(3), nullptr);
    EXPECT_EQ(store.allocatedSlots(), 2);
    resident.Drop(3);
    EXPECT_EQ(store.find(3), nullptr);
    EXPECT_FALSE(resident.resident(3));
}

TEST_F(ResidentResponsesTest, AChangeBehindAnInactiveEditorAnnouncesCorrectSumsAndReleases) {
    resident.Keep(1);
    resident.Keep(3);
    model->device(2).values.bandGain[41] = 9;  // output 2, band 4
    announced.clear();
    resident.BandChanged(2, 41);
    EXPECT_EQ(store.find(2), nullptr);
    for (int g = 0; g < 5; ++g) ASSERT_TRUE(announced.count({2, g})) << "group " << g;
    const std::map<std::pair<DeviceSlot, int>, double> transient = announced;
    // Made resident, the slot computes the same sums.
    announced.clear();
    resident.Keep(2);
    ASSERT_NE(store.find(2), nullptr);
    for (int g = 0; g < 5; ++g) EXPECT_DOUBLE_EQ(store.find(2)->group(g)[kProbe], transient.at({2, g})) << g;
    // The changed band is in output 2's sum, which differs from an unchanged device's.
    ASSERT_NE(store.find(3), nullptr);  // same program, band unchanged
    EXPECT_NE(transient.at({2, 3}), store.find(3)->group(3)[kProbe]);
}

TEST_F(ResidentResponsesTest, AResidentSlotIsUpdatedInPlace) {
    resident.Keep(1);
    constexpr std::size_t kLow = 8;  // about 23 Hz: the shelf's full gain
    const double before = store.find(1)->group(0)[kLow];
    model->device(1).values.bandGain[0] = -12;  // input L's low shelf, +4 dB before
    resident.BandChanged(1, 0);
    ASSERT_NE(store.find(1), nullptr);
    EXPECT_NEAR(store.find(1)->group(0)[kLow], before - 16, 1.0);
    EXPECT_TRUE(announced.count({1, 0}));
}

}  // namespace
}  // namespace zef
