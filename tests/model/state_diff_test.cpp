// The difference between two states of a device: exactly the parameters
// whose values differ (with the target's values, in table order) and the
// FIRs that differ.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "model/defaults.h"
#include "model/records.h"
#include "model/state_diff.h"

namespace zef {
namespace {

DeviceModel Defaults() {
    DeviceModel d;
    ResetToDefaults(d);
    return d;
}

void SetNamed(DeviceModel& d, const std::string& name, double value) {
    const std::optional<Parameter> p = FindParameter(name);
    ASSERT_TRUE(p) << name;
    p->description->access->set(*p->description, d, p->target, value);
}

std::vector<std::string> Names(const StateDiff& diff) {
    std::vector<std::string> names;
    for (const ParameterValue& v : diff.parameters) names.push_back(v.parameter.name);
    return names;
}

TEST(StateDiff, ListsWhatDiffersWithTheTargetsValuesInTableOrder) {
    const struct {
        const char* what;
        std::function<void(DeviceModel&)> change;
        std::vector<std::string> parameters;
        std::vector<int> firs;
    } cases[] = {
        {"nothing", [](DeviceModel&) {}, {}, {}},
        {"one gain", [](DeviceModel& d) { SetNamed(d, "out1.gain", -7.5); }, {"out1.gain"}, {}},
        {"a value snapped back to the same code",
         [](DeviceModel& d) { SetNamed(d, "out2.eq.5.gain", GetValue(d, *FindParameter("out2.eq.5.gain"))); },
         {},
         {}},
        {"a band dragged", [](DeviceModel& d) {
             SetNamed(d, "out1.eq.5.gain", 4.5);
             SetNamed(d, "out1.eq.5.freq", 2500);
         }, {"out1.eq.5.freq", "out1.eq.5.gain"}, {}},
        {"changes listed channel by channel whatever order they were made in",
         [](DeviceModel& d) {
             SetNamed(d, "device.bridge", 1);
             SetNamed(d, "out2.mute", 1);
             SetNamed(d, "inL.gain", 3);
         },
         {"inL.gain", "out2.mute", "device.bridge"},
         {}},
        {"a FIR tap", [](DeviceModel& d) { d.firTaps[1][7] = 0x123456; }, {}, {1}},
        {"a FIR's tap count", [](DeviceModel& d) { SetFirTapCount(d.preset, 0, 100); }, {}, {0}},
        {"a FIR's name", [](DeviceModel& d) { SetFirName(d.preset, 0, "Horn"); }, {}, {0}},
        {"the preset name alone is no parameter", [](DeviceModel& d) { d.preset[0] = 'Z'; }, {}, {}},
    };
    const DeviceModel from = Defaults();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceModel to = from;
        c.change(to);
        const StateDiff diff = DiffStates(from, to);
        EXPECT_EQ(Names(diff), c.parameters);
        EXPECT_EQ(diff.firs, c.firs);
        EXPECT_EQ(diff.empty(), c.parameters.empty() && c.firs.empty());
        for (const ParameterValue& v : diff.parameters) EXPECT_EQ(v.value, GetValue(to, v.parameter)) << v.parameter.name;
        // Applying the difference to `from` gives `to`: nothing is left to send.
        DeviceModel applied = from;
        for (const ParameterValue& v : diff.parameters)
            v.parameter.description->access->set(*v.parameter.description, applied, v.parameter.target, v.value);
        for (const int output : diff.firs) CopyFir(to, applied, output);
        EXPECT_TRUE(DiffStates(applied, to).empty());
        EXPECT_EQ(applied.firTaps, to.firTaps);
    }
}

}  // namespace
}  // namespace zef
