#include "recording_dialogs.h"
#include "app/eq_mode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dsp/fir.h"
#include "dsp_test_util.h"
#include "model/memory_map.h"

namespace zef::dsp {
namespace {

constexpr DeviceSlot kSlot = 4;

class EqModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::FillDistinctDevice(device);
        device.firTaps[0][0] = CoefficientToTap(0.5);
        device.firTaps[1][0] = CoefficientToTap(0.25);
        UpdateAllResponses(store, device, kSlot);
        ASSERT_EQ(ComputeFirResponse(store, device, kSlot, 0), kOk);
        ASSERT_EQ(ComputeFirResponse(store, device, kSlot, 1), kOk);
    }
    EqModeSwitchPorts Ports() {
        return {dialogs,
                [this] { log.push_back("close mode=" + std::to_string(device.preset[pi::kEqMode])); },
                [this] {
                    log.push_back("send mode=" + std::to_string(device.preset[pi::kEqMode]));
                    return sendStatus;
                }};
    }
    // Output group sum as summed in the 10-band + FIR mode.
    double FirModeSum(int output, std::size_t k) {
        const DeviceResponses& r = store.device(kSlot);
        double sum = r.crossover(2 * output)[k] + r.crossover(2 * output + 1)[k] + r.fir(output)[k];
        for (int b = 0; b < 10; ++b) sum += r.band(8 + 30 * output + b)[k];
        return sum;
    }

    ResponseStore store;
    DeviceModel device;
    RecordingDialogs dialogs;
    std::vector<std::string> log;
    Status sendStatus = kOk;
};

TEST_F(EqModeTest, SameModeAsksAndSendsNothing) {
    device.preset[pi::kEqMode] = 1;
    const auto outcome = SetOutputEqMode(device, store, kSlot, 1, Ports());
    EXPECT_EQ(outcome.result, EqModeSwitch::Unchanged);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(log.empty());
}

TEST_F(EqModeTest, NoLeavesEverythingAsItWas) {
    const Curve before = store.device(kSlot).group(2);
    dialogs.answers.push_back(Answer::No);
    const auto outcome = SetOutputEqMode(device, store, kSlot, 1, Ports());
    EXPECT_EQ(outcome.result, EqModeSwitch::Declined);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, "ask");
    EXPECT_EQ(dialogs.calls[0].title, "Apply");
    EXPECT_EQ(SplitQuestion(dialogs.calls[0].text).first, "Are you sure?");
    EXPECT_FALSE(SplitQuestion(dialogs.calls[0].text).second.empty());
    EXPECT_EQ(dialogs.calls[0].buttons, Buttons::YesNo);
    EXPECT_EQ(device.preset[pi::kEqMode], 0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(store.device(kSlot).group(2), before);
}

TEST_F(EqModeTest, YesClosesTheEditorStoresSendsAndResumsBothOutputs) {
    dialogs.answers.push_back(Answer::Yes);
    const auto outcome = SetOutputEqMode(device, store, kSlot, 1, Ports());
    EXPECT_EQ(outcome.result, EqModeSwitch::Switched);
    EXPECT_EQ(outcome.sendStatus, kOk);
    EXPECT_EQ(log, (std::vector<std::string>{"close mode=0", "send mode=1"}));
    EXPECT_EQ(device.preset[pi::kEqMode], 1);
    for (std::size_t k = 1; k < kGridPoints; k += 101) {
        ASSERT_NEAR(store.device(kSlot).group(2)[k], FirModeSum(0, k), 1e-9);
        ASSERT_NEAR(store.device(kSlot).group(3)[k], FirModeSum(1, k), 1e-9);
    }
}

TEST_F(EqModeTest, FailedSendStillLeavesTheModelSwitched) {
    device.preset[pi::kEqMode] = 1;
    sendStatus = kFailed;
    dialogs.answers.push_back(Answer::Yes);
    const auto outcome = SetOutputEqMode(device, store, kSlot, 0, Ports());
    EXPECT_EQ(outcome.result, EqModeSwitch::Switched);
    EXPECT_EQ(outcome.sendStatus, kFailed);
    EXPECT_EQ(device.preset[pi::kEqMode], 0);
    const DeviceResponses& r = store.device(kSlot);
    double thirty = r.crossover(0)[300] + r.crossover(1)[300];
    for (int b = 8; b < 38; ++b) thirty += r.band(b)[300];
    EXPECT_NEAR(r.group(2)[300], thirty, 1e-9);
}

}  // namespace
}  // namespace zef::dsp
