// Every parameter of the vocabulary, walked through the whole path against the
// simulated amplifier: set -> records -> frame -> the simulator's memory ->
// read back -> get returns the value; with the pairs unlinked and linked (the
// partner then reads back the same value). Each set changes only bytes inside
// its description's update group, so a change made on the device by another
// controller reaches the editor.

#include <algorithm>
#include <set>

#include "model/link_rules.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "model/tables.h"
#include "params_fixture.h"

namespace zef::test {
namespace {

// A value the device codes exactly and that differs from `current`.
double NextValue(const Parameter& p, double current) {
    const ParameterDescription& d = *p.description;
    const auto wrap = [&](double v) { return d.min + std::fmod(v - d.min, d.max - d.min + 1); };
    if (d.kind != ValueKind::Number) return wrap(std::lround(current) + 1);
    if (d.id == ParamId::LimThreshold) {
        // Codes from the top stay above every output's cap.
        const ControlMapper& m = MapperFor(Control::LimiterThreshold);
        return m.valueFromCode(m.codeFromValue(current) == m.maxCode() ? m.maxCode() - 1 : m.maxCode());
    }
    if (d.control) {
        const ControlMapper& m = MapperFor(*d.control);
        return m.valueFromCode((m.codeFromValue(current) + 7) % m.count());
    }
    switch (d.id) {
        case ParamId::BandFreq:
        case ParamId::HpFreq:
        case ParamId::LpFreq:
            return current == 1234 ? 4321 : 1234;
        case ParamId::BandQ:
            return kEqQ[static_cast<std::size_t>((SnapToTable(current, kEqQ) + 5) % static_cast<int>(kEqQ.size()))];
        case ParamId::Delay: {
            const DelayCounts c = DelayCountsFromMs(current);
            return DelayMs({static_cast<std::uint16_t>((c.coarse + 3) % 160), static_cast<std::uint8_t>((c.fine + 5) % 48)});
        }
        default:
            return wrap(std::lround(current) + 1);
    }
}

const UpdateGroup& GroupOf(ParamGroup g) {
    for (const auto groups : {ChannelUpdateGroups(), DeviceUpdateGroups()})
        for (const UpdateGroup& u : groups)
            if (u.group == g) return u;
    ADD_FAILURE() << "no update group " << ParamGroupName(g);
    return ChannelUpdateGroups().front();
}

// Offsets of `after` that differ from `before` and lie outside the group.
template <std::size_t N>
std::vector<std::size_t> OutsideGroup(const ByteRecord<N>& before, const ByteRecord<N>& after, const UpdateGroup* group) {
    std::vector<std::size_t> outside;
    for (std::size_t i = 0; i < N; ++i) {
        if (before[i] == after[i]) continue;
        const bool inside = group && std::any_of(group->byteRanges().begin(), group->byteRanges().end(),
                                                 [i](const ByteRange& r) { return i >= r.first && i < r.first + r.count; });
        if (!inside) outside.push_back(i);
    }
    return outside;
}

bool HasRecord(const DeviceModel& d, const Parameter& p) {
    return !p.description->banded() || LocateBand(d.preset, BandIndexOf(p.target)).has_value();
}

std::vector<double> Values(const std::vector<Parameter>& all, const DeviceModel& d) {
    std::vector<double> out;
    for (const Parameter& p : all) out.push_back(GetValue(d, p));
    return out;
}

// May `other` change when `edited` is set? Itself, its partner while linked,
// and an input's bands when it switches band blocks.
bool MayFollow(const Parameter& edited, const Parameter& other, bool linked) {
    const ParamChannel e = edited.target.channel;
    const ParamChannel o = other.target.channel;
    const bool sameChannel = e == o;
    const bool pair = linked && static_cast<int>(e) <= kOutput2 && static_cast<int>(o) <= kOutput2 &&
                      (static_cast<int>(e) ^ 1) == static_cast<int>(o) && edited.description->link != LinkGroup::None;
    if (edited.description->id == ParamId::InputBlockB && other.description->banded())
        return sameChannel || pair;
    return other.name == edited.name || (pair && other.description == edited.description &&
                                         other.target.band == edited.target.band);
}

class VocabularyTest : public ParamsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(VocabularyTest, EveryParameterReachesTheDeviceAndReadsBack) {
    const bool linked = GetParam();
    ASSERT_EQ(Set({{"device.link.inputs", linked ? 1 : 0}, {"device.link.outputs", linked ? 1 : 0}}), kOk);
    int walked = 0;
    const std::vector<Parameter> all = AllParameters();
    for (const Parameter& p : all) {
        const ParameterDescription& d = *p.description;
        if (d.id == ParamId::LinkInputs || d.id == ParamId::LinkOutputs) continue;  // the walk's own state
        SCOPED_TRACE(p.name);
        if (!HasRecord(dm(), p)) continue;  // an input's fourth band while it shows block B
        const double value = NextValue(p, GetValue(dm(), p));
        const DeviceModel before = dm();
        const std::vector<double> valuesBefore = Values(all, dm());
        device->clearLog();

        ASSERT_EQ(writer.Set(kSlot, p, value), kOk);
        EXPECT_DOUBLE_EQ(GetValue(dm(), p), value);
        EXPECT_FALSE(Frames().empty()) << "nothing reached the device";
        EXPECT_EQ(Mem(0, kDeviceMemorySize), ModelImage(dm()));

        const UpdateGroup& group = GroupOf(d.update);
        const UpdateGroup* settingsGroup = group.settings ? &group : nullptr;
        const UpdateGroup* presetGroup = group.settings ? nullptr : &group;
        EXPECT_EQ(OutsideGroup(before.settings, dm().settings, settingsGroup), std::vector<std::size_t>{})
            << "settings bytes outside " << ParamGroupName(d.update);
        EXPECT_EQ(OutsideGroup(before.preset, dm().preset, presetGroup), std::vector<std::size_t>{})
            << "preset bytes outside " << ParamGroupName(d.update);

        // No other parameter moved: each has bytes of its own.
        const std::vector<double> valuesAfter = Values(all, dm());
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (valuesAfter[i] == valuesBefore[i] || MayFollow(p, all[i], linked)) continue;
            ADD_FAILURE() << all[i].name << " changed from " << valuesBefore[i] << " to " << valuesAfter[i];
        }

        ASSERT_EQ(reader.ReadWholeDevice(kSlot), kOk);
        EXPECT_DOUBLE_EQ(GetValue(dm(), p), value) << "after reading the device again";
        const bool follows = linked && d.link != LinkGroup::None && PairLinked(dm(), p.target.channel);
        if (follows) {
            const Parameter partner = ParameterOf(d.id, PartnerOf(p.target));
            if (HasRecord(dm(), partner)) {
                EXPECT_DOUBLE_EQ(GetValue(dm(), partner), value) << "the partner " << partner.name;
            }
        }
        ++walked;
    }
    EXPECT_GT(walked, 500);
}

INSTANTIATE_TEST_SUITE_P(LinkStates, VocabularyTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Linked" : "Unlinked"; });

TEST(Vocabulary, EveryDescriptionIsComplete) {
    std::set<ParamId> ids;
    std::set<std::string> names;
    for (const ParameterDescription& d : ParameterDescriptions()) {
        SCOPED_TRACE(std::string(d.path));
        EXPECT_TRUE(ids.insert(d.id).second) << "one row per parameter";
        EXPECT_NE(d.access, nullptr);
        EXPECT_NE(d.send, nullptr);
        EXPECT_NE(d.channels, 0u);
        EXPECT_LT(d.min, d.max);
        if (d.kind != ValueKind::Number) {
            EXPECT_EQ(d.choices.size(), static_cast<std::size_t>(d.max) + 1);
        }
        if (d.link != LinkGroup::None) {
            EXPECT_NE(LinkRuleOf(d.link), nullptr);
        }
    }
    for (const Parameter& p : AllParameters()) EXPECT_TRUE(names.insert(p.name).second) << p.name;
    EXPECT_EQ(&DescriptionOf(ParamId::LinkOutputs), &ParameterDescriptions().back());
}

}  // namespace
}  // namespace zef::test
