// The parameter descriptions: names, values, and what setting one sends,
// linked partners included.
#include <gtest/gtest.h>

#include <set>

#include "device/fir_store.h"
#include "device/parameter_writer.h"
#include "model/defaults.h"
#include "model/editor_sync.h"
#include "model/memory_map.h"
#include "model/parameters.h"
#include "recording_exchange.h"

namespace zef {
namespace {

TEST(Parameters, EveryNameIsFoundAndUnique) {
    const auto all = AllParameters();
    std::set<std::string> names;
    for (const Parameter& p : all) {
        EXPECT_TRUE(names.insert(p.name).second) << p.name;
        const auto found = FindParameter(p.name);
        ASSERT_TRUE(found.has_value()) << p.name;
        EXPECT_EQ(found->name, p.name);
        EXPECT_EQ(found->description, p.description);
        EXPECT_EQ(found->target.band, p.target.band);
    }
    for (const char* name :
         {"out1.gain", "inL.mute", "out2.delay", "out1.hp.freq", "out1.hp.slope", "out1.eq.5.gain",
          "out1.eq.30.q", "sm.eq.16.freq", "inR.eq.4.type", "out1.limiter.threshold", "device.standby"})
        EXPECT_TRUE(names.count(name)) << name;
}

TEST(Parameters, UnknownNames) {
    for (const char* name : {"out3.gain", "out1.eq.31.gain", "inL.eq.0.gain", "inL.eq.5.gain", "sm.eq.17.q",
                             "inL.delay", "device.gain", "out1.eq.5", "gain", "", "out1.", "out1.gain.x",
                             "out1.eq.x.gain", "out1.eq.0005.gain"})
        EXPECT_FALSE(FindParameter(name).has_value()) << name;
    // Names of the path part are not case-sensitive, channels are.
    EXPECT_TRUE(FindParameter("out1.HP.Freq").has_value());
    EXPECT_FALSE(FindParameter("OUT1.gain").has_value());
}

TEST(Parameters, ParseValues) {
    const struct {
        const char* name;
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {"out1.gain", "-3", -3},
        {"out1.gain", "+12", 12},
        {"out1.gain", "12.1", std::nullopt},
        {"out1.gain", "-60.5", std::nullopt},
        {"out1.gain", "3dB", std::nullopt},
        {"out1.gain", "", std::nullopt},
        {"out1.gain", "nan", std::nullopt},
        {"inL.mute", "on", 1},
        {"inL.mute", "OFF", 0},
        {"inL.mute", "yes", 1},
        {"inL.mute", "2", std::nullopt},
        {"out1.eq.1.type", "notch", 5},
        {"out1.eq.1.type", "7", 7},
        {"out1.eq.1.type", "8", std::nullopt},
        {"out1.eq.1.type", "1.5", std::nullopt},
        {"out1.hp.freq", "19.9", std::nullopt},
        {"out1.hp.freq", "20000", 20000},
        {"device.delayunit", "m", 1},
    };
    for (const auto& c : cases) {
        const auto p = FindParameter(c.name);
        ASSERT_TRUE(p) << c.name;
        EXPECT_EQ(ParseValue(*p->description, c.text), c.value) << c.name << " '" << c.text << "'";
    }
}

// One device in slot 1 with the defaults, behind a recording exchange.
struct ParamFixture {
    ParamFixture() {
        model->entry(1).online = true;
        ResetToDefaults(model->device(1));
        LoadEditorValues(model->device(1));
    }
    std::unique_ptr<Model> model = std::make_unique<Model>();
    test::RecordingExchange exchange;
    ParameterWriter writer{*model, exchange, NoResponseObserver(), fir::MakeFirWriter(exchange, *model)};
};

TEST(Parameters, SetStoresSnapsAndSendsOneCommand) {
    const struct {
        const char* name;
        double value;
        double stored;  // as read back
        std::uint8_t code;
        CommandParams p;
    } cases[] = {
        {"out1.gain", -3, -3, 1, {2, 0, 0, 0, 0, 0, 0, 0x72}},
        {"inR.gain", 2.3, 2.5, 1, {1, 0, 0, 0, 0, 0, 0, 125}},
        {"out2.mute", 1, 1, 3, {3, 0, 0, 0, 0, 0, 0, 1}},
        {"inL.polarity", 1, 1, 4, {0, 0, 0, 0, 0, 0, 0, 1}},
        {"out1.hp.freq", 80.9, 80, 11, {2, 0, 0, 0, 0, 0, 0, 80}},
        {"out2.lp.slope", 3, 3, 11, {3, 0, 0, 0, 1, 3, 0x4E, 0x20}},
        {"out1.eq.5.gain", 3.3, 3.5, 5, {2, 4, 0, 0, 37, 0, 63, 16}},
        {"sm.eq.2.gain", -1, -1, 5, {17, 1, 0, 0, 28, 0, 40, 16}},
        {"inL.gate.timea", 7, 5, 10, {0, 0, 0, 0, 0, 0, 4, 7}},
        {"device.standby", 1, 1, 14, {0, 0, 0, 0, 0, 0, 0, 1}},
        {"out2.route.inL", 1, 1, 17, {3, 0, 0, 0, 0, 0, 152, 152}},
        {"out1.fir.bypass", 1, 1, 30, {2, 0, 0, 0, 0, 0, 0, 1}},
        {"device.remote", 1, 1, 33, {1, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        ParamFixture f;
        const auto p = FindParameter(c.name);
        ASSERT_TRUE(p) << c.name;
        EXPECT_EQ(f.writer.Set(1, *p, c.value), kOk) << c.name;
        ASSERT_EQ(f.exchange.frames.size(), 1u) << c.name;
        EXPECT_EQ(f.exchange.frames[0].command, c.code) << c.name;
        EXPECT_EQ(f.exchange.frames[0].p, c.p) << c.name;
        EXPECT_DOUBLE_EQ(GetValue(f.model->device(1), *p), c.stored) << c.name;
    }
}

TEST(Parameters, LinkedPairsTakeTheSameEdit) {
    // With the pair linked, a set behaves like the editor's control: the
    // partner gets the same value and its own command; unlinked, it does not.
    const struct {
        const char* name;
        double value;
        bool inputs;  // which pair to link
        const char* partner;
        std::uint8_t partnerChannel;  // p1 of the partner's commands
        std::size_t partnerFrames;    // a linked crossover resends both of the partner's filters
    } cases[] = {
        {"out1.gain", -3, false, "out2.gain", 3, 1},
        {"out2.delay", 2.5, false, "out1.delay", 2, 1},
        {"out1.hp.freq", 120, false, "out2.hp.freq", 3, 2},
        {"out1.eq.7.gain", 4.5, false, "out2.eq.7.gain", 3, 1},
        {"out2.limiter.threshold", 20, false, "out1.limiter.threshold", 2, 1},
        {"inL.mute", 1, true, "inR.mute", 1, 1},
        {"inR.gate.threshold", -60, true, "inL.gate.threshold", 0, 1},
    };
    for (const auto& c : cases) {
        for (const bool linked : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (linked ? " linked" : " alone"));
            ParamFixture f;
            (c.inputs ? f.model->device(1).inputsLinked : f.model->device(1).outputsLinked) = linked ? 1 : 0;
            const auto p = FindParameter(c.name);
            const auto partner = FindParameter(c.partner);
            ASSERT_TRUE(p && partner);
            const double before = GetValue(f.model->device(1), *partner);
            ASSERT_EQ(f.writer.Set(1, *p, c.value), kOk);
            ASSERT_EQ(f.exchange.frames.size(), 1 + (linked ? c.partnerFrames : 0));
            if (linked) {
                for (std::size_t i = 1; i < f.exchange.frames.size(); ++i) {
                    EXPECT_EQ(f.exchange.frames[i].command, f.exchange.frames[0].command);
                    EXPECT_EQ(f.exchange.frames[i].p[0], c.partnerChannel);
                }
                EXPECT_DOUBLE_EQ(GetValue(f.model->device(1), *partner), GetValue(f.model->device(1), *p));
            } else {
                EXPECT_DOUBLE_EQ(GetValue(f.model->device(1), *partner), before);
            }
        }
    }
}

TEST(Parameters, RangeAndValueTexts) {
    EXPECT_EQ(RangeText(*FindParameter("out1.gain")->description), "-60..12 dB");
    EXPECT_EQ(RangeText(*FindParameter("inL.mute")->description), "off|on");
    EXPECT_EQ(RangeText(*FindParameter("out1.eq.1.type")->description),
              "Bell|HiShQ|LoShQ|HP-Q|LP-Q|Notch|AP I|AP II");
    EXPECT_EQ(ValueText(*FindParameter("out1.eq.1.type")->description, 6), "AP I");
    EXPECT_EQ(ValueText(*FindParameter("out1.gain")->description, -2.5), "-2.5");
}

}  // namespace
}  // namespace zef
