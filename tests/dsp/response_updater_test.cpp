#include "dsp/response_updater.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "dsp/fir.h"
#include "dsp_test_util.h"
#include "model/memory_map.h"

namespace zef::dsp {
namespace {

constexpr DeviceSlot kSlot = 5;

// Everything recomputed from scratch, the reference an incremental update must match.
void RecomputeAll(ResponseStore& store, const DeviceModel& device) {
    ComputeFirResponse(store, device, kSlot, 0);
    ComputeFirResponse(store, device, kSlot, 1);
    UpdateAllResponses(store, device, kSlot);
}

// Each row changes the model, tells the observer what changed, and names the
// groups it must report; afterwards every group sum must equal a full
// recomputation, so a notification that updates the wrong band, crossover,
// output or group leaves a stale curve behind and fails.
TEST(ResponseUpdater, EachNotificationLeavesTheSumsAsAFullRecomputation) {
    struct Row {
        std::string what;
        std::function<void(DeviceModel&)> change;
        std::function<void(ResponseObserver&)> notify;
        std::vector<int> reported;
    };
    const std::vector<Row> rows = {
        {"output 2 band", [](DeviceModel& d) { d.values.bandGain[45] = 9.5; },
         [](ResponseObserver& o) { o.BandChanged(kSlot, 45); }, {3}},
        {"input R band", [](DeviceModel& d) { d.values.bandFrequency[5] = 3150; },
         [](ResponseObserver& o) { o.BandChanged(kSlot, 5); }, {1}},
        {"SM band", [](DeviceModel& d) { d.values.bandQ[80] = 12; },
         [](ResponseObserver& o) { o.BandChanged(kSlot, 80); }, {4}},
        {"output 1 low-pass", [](DeviceModel& d) { d.values.crossoverFrequency[1] = 900; },
         [](ResponseObserver& o) { o.CrossoverChanged(kSlot, 1); }, {2}},
        {"output 2 high-pass", [](DeviceModel& d) { d.values.crossoverSlope[2] = 7; },
         [](ResponseObserver& o) { o.CrossoverChanged(kSlot, 2); }, {3}},
        {"a whole group", [](DeviceModel& d) { for (int b = 8; b < 38; ++b) d.values.bandGain[b] = -4; },
         [](ResponseObserver& o) { o.GroupBandsChanged(kSlot, 2); }, {2}},
        {"EQ mode", [](DeviceModel& d) { d.preset[pi::kEqMode] = 1; },
         [](ResponseObserver& o) { o.GroupChanged(kSlot, 2); o.GroupChanged(kSlot, 3); }, {2, 3}},
        {"output 2 FIR", [](DeviceModel& d) { d.preset[pi::kEqMode] = 1; d.firTaps[1][3] = CoefficientToTap(0.5); },
         [](ResponseObserver& o) { o.GroupChanged(kSlot, 2); o.FirChanged(kSlot, 1); }, {2, 3}},
        {"device read", [](DeviceModel& d) {
             d.preset[pi::kEqMode] = 1;
             d.values.bandGain[0] = 3;
             d.values.crossoverFrequency[3] = 2000;
             d.firTaps[0][0] = CoefficientToTap(0.125);
         },
         [](ResponseObserver& o) { o.DeviceReloaded(kSlot); }, {0, 1, 2, 3, 4}},
    };
    for (const Row& row : rows) {
        Model model;
        DeviceModel& device = model.device(kSlot);
        test::FillDistinctDevice(device);
        ResponseStore store;
        RecomputeAll(store, device);

        std::vector<int> reported;
        ResponseUpdater updater(store, model, [&](DeviceSlot slot, int group) {
            EXPECT_EQ(slot, kSlot);
            reported.push_back(group);
        });
        row.change(device);
        row.notify(updater);
        EXPECT_EQ(reported, row.reported) << row.what;

        ResponseStore fresh;
        RecomputeAll(fresh, device);
        for (int g = 0; g < kGroups; ++g) {
            const Curve& got = store.device(kSlot).group(g);
            const Curve& want = fresh.device(kSlot).group(g);
            for (std::size_t k = 0; k < kGridPoints; ++k) {
                ASSERT_NEAR(got[k], want[k], 1e-9) << row.what << ": group " << g << " at k=" << k;
            }
        }
    }
}

}  // namespace
}  // namespace zef::dsp
