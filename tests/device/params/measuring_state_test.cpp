// The measuring state: which commands put an amplifier into it and take it
// out again, in which order, with which values — and that the model keeps the
// user's values throughout.

#include "device/measuring_state.h"

#include <gtest/gtest.h>

#include <memory>

#include "model/defaults.h"
#include "model/encodings.h"
#include "model/memory_map.h"
#include "recording_exchange.h"

namespace zef::test {
namespace {

constexpr DeviceSlot kSlot = 1;

struct Rig {
    Rig() {
        DeviceModel& d = model->device(kSlot);
        ResetToDefaults(d);
        // The user's own values: every group the state touches set the other way.
        d.settings[ds::kNoiseOn] = 0;
        d.settings[ds::kNoiseLevel] = 33;
        d.preset[pi::kOutputMute] = 0;
        d.preset[pi::kOutputEqBypass] = 0b10;  // output 2's EQ bypassed
        for (int o = 0; o < 2; ++o) {
            d.preset[pi::Compressor(o) + pi::kCompEnable] = 1;
            d.preset[pi::DynamicFilter(o)] = 1;
            d.preset[pi::Gate(o) + pi::kGateEnable] = 1;
        }
    }
    std::unique_ptr<Model> model = std::make_unique<Model>();
    RecordingExchange exchange;
    Status Enter(const MeasuringSetup& setup) {
        return EnterMeasuringState(exchange, kSlot, model->device(kSlot), setup);
    }
    Status Leave(const MeasuringSetup& setup) {
        return LeaveMeasuringState(exchange, kSlot, model->device(kSlot), setup);
    }
};

std::vector<std::uint8_t> Codes(const RecordingExchange& e) {
    std::vector<std::uint8_t> codes;
    for (const RecordedFrame& f : e.frames) codes.push_back(f.command);
    return codes;
}

TEST(MeasuringState, EntersWithoutTouchingTheModelAndLeavesWithTheUsersValues) {
    struct Case {
        const char* name;
        ChannelCode output;
        EqDuringMeasurement eq;
        bool dynamicsOff;
        bool bridged;
        std::vector<std::uint8_t> codes;  // entering; leaving is the same with the generator first
        std::uint8_t eqBypassSent;        // of the measured output while measuring
    };
    const Case cases[] = {
        {"the fit on output 1",
         kOutput1,
         EqDuringMeasurement::Bypassed,
         true,
         false,
         {cmd::kMute, cmd::kEqBypass, cmd::kCompressor, cmd::kDynamicFilter, cmd::kNoiseGate, cmd::kNoiseGate,
          cmd::kGeneratorMasking},
         1},
        {"verifying output 2",
         kOutput2,
         EqDuringMeasurement::Active,
         true,
         false,
         {cmd::kMute, cmd::kEqBypass, cmd::kCompressor, cmd::kDynamicFilter, cmd::kNoiseGate, cmd::kNoiseGate,
          cmd::kGeneratorMasking},
         0},
        {"the analyser",
         kOutput1,
         EqDuringMeasurement::AsItIs,
         false,
         false,
         {cmd::kMute, cmd::kGeneratorMasking},
         0},
        {"bridged: nothing to mute",
         kOutput1,
         EqDuringMeasurement::AsItIs,
         false,
         true,
         {cmd::kGeneratorMasking},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.model->device(kSlot).settings[ds::kBridge] = c.bridged ? 1 : 0;
        const DeviceModel before = rig.model->device(kSlot);
        const MeasuringSetup setup{c.output, 71, c.eq, c.dynamicsOff};
        const int o = OutputIndex(c.output);

        ASSERT_EQ(rig.Enter(setup), kOk);
        EXPECT_EQ(Codes(rig.exchange), c.codes);
        EXPECT_TRUE(rig.model->device(kSlot).settings == before.settings);
        EXPECT_TRUE(rig.model->device(kSlot).preset == before.preset);
        for (const RecordedFrame& f : rig.exchange.frames) {
            if (f.command == cmd::kMute) {
                EXPECT_EQ(f.p[0], c.output == kOutput1 ? kOutput2 : kOutput1);
                EXPECT_EQ(f.p[7], 1);
            }
            if (f.command == cmd::kEqBypass) {
                EXPECT_EQ(f.p[0], c.output);
                EXPECT_EQ(f.p[7], c.eqBypassSent);
            }
            if (f.command == cmd::kCompressor) {
                EXPECT_EQ(f.p[1], 0);
            }
            if (f.command == cmd::kDynamicFilter) {
                EXPECT_EQ(f.p[5], 0);
            }
            if (f.command == cmd::kNoiseGate) {
                EXPECT_EQ(f.p[4], 0);
            }
            if (f.command == cmd::kGeneratorMasking) {
                EXPECT_EQ(f.p[5], 1);
                EXPECT_EQ(f.p[7], 71);
            }
        }

        rig.exchange.frames.clear();
        ASSERT_EQ(rig.Leave(setup), kOk);
        std::vector<std::uint8_t> leaving = c.codes;
        std::rotate(leaving.rbegin(), leaving.rbegin() + 1, leaving.rend());
        EXPECT_EQ(Codes(rig.exchange), leaving);
        for (const RecordedFrame& f : rig.exchange.frames) {
            if (f.command == cmd::kGeneratorMasking) {
                EXPECT_EQ(f.p[5], 0);
                EXPECT_EQ(f.p[7], 33);
            }
            if (f.command == cmd::kMute) {
                EXPECT_EQ(f.p[7], 0);
            }
            if (f.command == cmd::kEqBypass) {
                EXPECT_EQ(f.p[7], o == 1 ? 1 : 0);
            }
            if (f.command == cmd::kCompressor) {
                EXPECT_EQ(f.p[1], 1);
            }
            if (f.command == cmd::kDynamicFilter) {
                EXPECT_EQ(f.p[5], 1);
            }
            if (f.command == cmd::kNoiseGate) {
                EXPECT_EQ(f.p[4], 1);
            }
        }
    }
}

TEST(MeasuringState, EnteringStopsAtAFailureAndLeavingTriesEverything) {
    const MeasuringSetup setup{kOutput1, 80, EqDuringMeasurement::Bypassed, true};
    Rig entering;
    entering.exchange.failAt = 1;
    EXPECT_EQ(entering.Enter(setup), kFailed);
    EXPECT_EQ(entering.exchange.frames.size(), 2u);  // the generator never started

    Rig leaving;
    leaving.exchange.failAt = 0;  // the generator's command fails: the rest still comes back
    EXPECT_EQ(leaving.Leave(setup), kFailed);
    EXPECT_EQ(leaving.exchange.frames.size(), 7u);
}

}  // namespace
}  // namespace zef::test
