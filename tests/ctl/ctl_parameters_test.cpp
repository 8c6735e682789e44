// The parameter table of zefctl: names, values, and which command each
// parameter sends.
#include <gtest/gtest.h>

#include <set>

#include "model/defaults.h"
#include "model/editor_sync.h"
#include "parameters.h"

namespace zefctl {
namespace {

class RecordingExchange final : public zef::Exchange {
public:
    zef::Status SendCommandFrame(zef::DeviceSlot, std::uint8_t command,
                                 const zef::CommandParams& p) override {
        sent.push_back({command, p});
        return zef::kOk;
    }
    zef::Status SendCommandFrameQuiet(zef::DeviceSlot s, std::uint8_t command,
                                      const zef::CommandParams& p) override {
        return SendCommandFrame(s, command, p);
    }
    zef::LinkState& link() override { return link_; }
    std::vector<zef::Command> sent;

private:
    zef::LinkState link_;
};

TEST(CtlParameters, EveryNameIsFoundAndUnique) {
    const auto all = AllParameters();
    std::set<std::string> names;
    for (const Parameter& p : all) {
        EXPECT_TRUE(names.insert(p.name).second) << p.name;
        const auto found = FindParameter(p.name);
        ASSERT_TRUE(found.has_value()) << p.name;
        EXPECT_EQ(found->name, p.name);
        EXPECT_EQ(found->def, p.def);
        EXPECT_EQ(found->target.band, p.target.band);
    }
    for (const char* name :
         {"out1.gain", "inL.mute", "out2.delay", "out1.hp.freq", "out1.hp.slope", "out1.eq.5.gain",
          "out1.eq.30.q", "sm.eq.16.freq", "inR.eq.4.type", "out1.limiter.threshold", "device.standby"})
        EXPECT_TRUE(names.count(name)) << name;
}

TEST(CtlParameters, UnknownNames) {
    for (const char* name : {"out3.gain", "out1.eq.31.gain", "inL.eq.0.gain", "inL.eq.5.gain", "sm.eq.17.q",
                             "inL.delay", "device.gain", "out1.eq.5", "gain", "", "out1.", "out1.gain.x",
                             "out1.eq.x.gain", "out1.eq.0005.gain"})
        EXPECT_FALSE(FindParameter(name).has_value()) << name;
    // Names of the path part are not case-sensitive, channels are.
    EXPECT_TRUE(FindParameter("out1.HP.Freq").has_value());
    EXPECT_FALSE(FindParameter("OUT1.gain").has_value());
}

TEST(CtlParameters, ParseValues) {
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
        EXPECT_EQ(ParseValue(*p->def, c.text), c.value) << c.name << " '" << c.text << "'";
    }
}

TEST(CtlParameters, SetStoresSnapsAndSendsOneCommand) {
    const struct {
        const char* name;
        double value;
        double stored;  // as read back
        std::uint8_t code;
        zef::CommandParams p;
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
        zef::Model model;
        model.setCurrentDevice(1);
        zef::ResetToDefaults(model.device(1));
        zef::LoadEditorValues(model.device(1));
        RecordingExchange exchange;
        zef::RecordingDialogs dialogs;
        zef::Senders senders(model, exchange, dialogs);
        const auto p = FindParameter(c.name);
        ASSERT_TRUE(p) << c.name;
        EXPECT_EQ(SetValue(senders, *p, c.value), zef::kOk) << c.name;
        ASSERT_EQ(exchange.sent.size(), 1u) << c.name;
        EXPECT_EQ(exchange.sent[0].code, c.code) << c.name;
        EXPECT_EQ(exchange.sent[0].p, c.p) << c.name;
        EXPECT_DOUBLE_EQ(GetValue(model.device(1), *p), c.stored) << c.name;
    }
}

TEST(CtlParameters, RangeAndValueTexts) {
    EXPECT_EQ(RangeText(*FindParameter("out1.gain")->def), "-60..12 dB");
    EXPECT_EQ(RangeText(*FindParameter("inL.mute")->def), "off|on");
    EXPECT_EQ(RangeText(*FindParameter("out1.eq.1.type")->def),
              "Bell|HiShQ|LoShQ|HP-Q|LP-Q|Notch|AP I|AP II");
    EXPECT_EQ(ValueText(*FindParameter("out1.eq.1.type")->def, 6), "AP I");
    EXPECT_EQ(ValueText(*FindParameter("out1.gain")->def, -2.5), "-2.5");
}

}  // namespace
}  // namespace zefctl
