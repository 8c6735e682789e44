// The undo history and the A/B states on the real link: an undo puts the
// device's memory back byte for byte, a redo puts the edit back, an A/B
// switch sends only what differs, off-line the history works on the model
// alone, a busy link keeps it, and the device read again with other contents
// clears it

#include <functional>
#include <string>
#include <vector>

#include "app/edit_history.h"
#include "model/fir_image.h"
#include "model/records.h"
#include "params_fixture.h"

namespace zef::test {
namespace {

class EditHistoryTest : public ParamsTest {
protected:
    void SetUp() override {
        ParamsTest::SetUp();
        history.Track(kSlot);
    }

    // Everything the editor can change in the device: parameters, preset, both FIRs.
    Bytes Memory() const {
        Bytes all = device->memory(0, kDeviceMemorySize);
        const Bytes firs = device->memory(kFirBaseAddress, 2 * kFirImageSize);
        all.insert(all.end(), firs.begin(), firs.end());
        return all;
    }

    // A fader dragged through `values`: the writer gets each position, as
    // the coalescer hands them on.
    void Drag(const std::string& name, const std::vector<double>& values) {
        for (const double v : values) ASSERT_EQ(Set(name, v), kOk);
    }

    int refreshes = 0;
    std::vector<std::string> notes;
    EditHistory history{writer, events, [this](DeviceSlot) { ++refreshes; }};
    Subscription noting = history.noted.Connect([this](DeviceSlot, const std::string& t) { notes.push_back(t); });
};

TEST_F(EditHistoryTest, UndoPutsTheDevicesBytesBackAndRedoReappliesThem) {
    const struct {
        const char* name;
        std::function<void()> edit;
    } cases[] = {
        {"Out 1 gain", [this] { Drag("out1.gain", {-1, -3.5, -7.5, -6}); }},
        {"Out 2 EQ band 5",
         [this] {
             for (const double g : {1.0, 3.5, 6.0})
                 ASSERT_EQ(Set({{"out2.eq.5.freq", 800 + 100 * g}, {"out2.eq.5.gain", g}}), kOk);
         }},
        {"Flat EQ", [this] {
             ASSERT_EQ(Set({{"out1.eq.1.gain", 4}, {"out1.eq.2.gain", -5}, {"out1.eq.30.gain", 2}}), kOk);
         }},
        {"Input L gain (linked pair)", [this] {
             ASSERT_EQ(Set("device.link.inputs", 1), kOk);
             Drag("inL.gain", {2, 5.5});
         }},
        {"FIR import", [this] {
             DeviceModel fir = dm();
             fir.firTaps[1].fill(0);
             fir.firTaps[1][0] = 0x200000;
             fir.firTaps[1][3] = 0x0FFF00;
             SetFirTapCount(fir.preset, 1, 4);
             SetFirName(fir.preset, 1, "Undo me");
             ASSERT_EQ(writer.SetFir(kSlot, 1, fir), kOk);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes before = Memory();
        c.edit();
        ASSERT_TRUE(history.EndStep(kSlot, c.name));
        EXPECT_EQ(history.undoName(kSlot), c.name);
        Fence();
        const Bytes after = Memory();
        ASSERT_NE(before, after);

        refreshes = 0;
        const EditOutcome undone = history.Undo(kSlot);
        EXPECT_TRUE(undone.ok()) << undone.text;
        Fence();
        EXPECT_EQ(Memory(), before);
        EXPECT_EQ(refreshes, 1) << "every window refilled";
        EXPECT_EQ(history.redoName(kSlot), c.name);

        const EditOutcome redone = history.Redo(kSlot);
        EXPECT_TRUE(redone.ok()) << redone.text;
        Fence();
        EXPECT_EQ(Memory(), after);
        EXPECT_EQ(history.undoName(kSlot), c.name);
        EXPECT_FALSE(history.EndStep(kSlot, "nothing changed")) << "a redo is no new step";
    }
    EXPECT_EQ(history.undoCount(kSlot), 5u);
}

TEST_F(EditHistoryTest, UndoWalksBackStepByStepAndANewEditDropsTheRedos) {
    const Bytes start = Memory();
    Drag("out1.gain", {-2});
    history.EndStep(kSlot, "Out 1 gain");
    const Bytes one = Memory();
    Drag("out1.mute", {1});
    history.EndStep(kSlot, "Out 1 mute");
    ASSERT_TRUE(history.Undo(kSlot).ok());
    Fence();
    EXPECT_EQ(Memory(), one);
    EXPECT_EQ(history.undoName(kSlot), "Out 1 gain");
    Drag("inR.gain", {4});
    history.EndStep(kSlot, "Input R gain");
    EXPECT_EQ(history.redoName(kSlot), "");
    ASSERT_TRUE(history.Undo(kSlot).ok());
    ASSERT_TRUE(history.Undo(kSlot).ok());
    Fence();
    EXPECT_EQ(Memory(), start);
    EXPECT_EQ(history.Undo(kSlot).kind, EditOutcome::Kind::Nothing);
}

TEST_F(EditHistoryTest, OffLineTheHistoryWorksOnTheModelAndABusyLinkKeepsIt) {
    const Parameter gain = *FindParameter("out2.gain");
    const double before = GetValue(dm(), gain);
    Drag("out2.gain", {-9});
    history.EndStep(kSlot, "Out 2 gain");
    Fence();
    const Bytes edited = Memory();
    device->clearLog();
    {
        // On-line, but the link is busy: nothing is sent or changed, and the user is told.
        const LinkState::SuppressSends busy(link);
        const EditOutcome refused = history.Undo(kSlot);
        EXPECT_EQ(refused.kind, EditOutcome::Kind::Busy);
        EXPECT_EQ(refused.text, kLinkBusyText);
        EXPECT_EQ(history.undoName(kSlot), "Out 2 gain");
        EXPECT_EQ(GetValue(dm(), gain), -9);
    }

    // Off-line (a project edited without its amplifier): undo, redo and the
    // A/B switch change the model alone and refill the windows.
    entry().online = false;
    refreshes = 0;
    EXPECT_TRUE(history.Undo(kSlot).ok());
    EXPECT_EQ(GetValue(dm(), gain), before);
    EXPECT_EQ(history.redoName(kSlot), "Out 2 gain");
    EXPECT_TRUE(history.Redo(kSlot).ok());
    EXPECT_EQ(GetValue(dm(), gain), -9);
    ASSERT_TRUE(history.Undo(kSlot).ok());
    EXPECT_TRUE(history.SwitchTo(kSlot, EditState::B).ok());
    EXPECT_EQ(history.active(kSlot), EditState::B);
    EXPECT_EQ(refreshes, 4);
    // Every exchange waits for its reply: a frame sent would be logged by now.
    EXPECT_TRUE(Frames().empty());
    entry().online = true;
    EXPECT_EQ(Memory(), edited) << "the device keeps what it had";
}

TEST_F(EditHistoryTest, TheDeviceReadAgainWithOtherContentsClearsTheHistoryAndSaysSo) {
    const struct {
        const char* what;
        std::function<void()> change;  // what happens at the device
        bool cleared;
    } cases[] = {
        {"read again unchanged", [] {}, false},
        {"output 1 gain changed on the front panel", [this] { device->frontPanelWrite(P(493), 90); },
         true},
        {"a FIR changed by another controller", [this] { device->frontPanelFirChange(0); }, true},
    };
    double gain = 1.5;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Drag("inL.gain", {gain++});
        ASSERT_TRUE(history.EndStep(kSlot, "Input L gain"));
        notes.clear();
        c.change();
        if (c.cleared) {
            Poll();
            ASSERT_TRUE(reader.UpdateIfChanged(kSlot).has_value());
        } else {
            ASSERT_NE(reader.Update(kSlot), UpdateKind::Failed);
        }
        EXPECT_EQ(history.undoName(kSlot).empty(), c.cleared);
        EXPECT_EQ(notes, c.cleared ? std::vector<std::string>{kHistoryClearedText} : std::vector<std::string>{});
    }
}

TEST_F(EditHistoryTest, SwitchingABSendsOnlyWhatDiffersAndEachStateKeepsItsHistory) {
    const double gainA = GetValue(dm(), *FindParameter("out1.gain"));
    ASSERT_NE(gainA, -7.5);
    ASSERT_TRUE(history.CopyAToB(kSlot).ok());
    device->clearLog();
    ASSERT_TRUE(history.SwitchTo(kSlot, EditState::B).ok());
    EXPECT_TRUE(Frames().empty()) << "B is a copy of A";
    const Bytes a = Memory();

    ASSERT_EQ(Set("out1.gain", -7.5), kOk);
    history.EndStep(kSlot, "Out 1 gain");
    ASSERT_EQ(Set("inL.mute", 1), kOk);
    history.EndStep(kSlot, "Input L mute");
    Fence();
    const Bytes b = Memory();

    const struct {
        EditState to;
        std::vector<Bytes> frames;  // in table order: input L before output 1
        const Bytes& memory;
        std::string undo;
    } cases[] = {
        {EditState::A,
         {Frame13(cmd::kMute, {0, 0, 0, 0, 0, 0, 0, 0}),
          Frame13(cmd::kGain, {2, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(120 + 2 * gainA)})},
         a, ""},
        {EditState::B,
         {Frame13(cmd::kMute, {0, 0, 0, 0, 0, 0, 0, 1}), Frame13(cmd::kGain, {2, 0, 0, 0, 0, 0, 0, 105})},
         b, "Input L mute"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to == EditState::A ? "to A" : "to B");
        device->clearLog();
        ASSERT_TRUE(history.SwitchTo(kSlot, c.to).ok());
        EXPECT_EQ(Frames(), c.frames);
        Fence();
        EXPECT_EQ(Memory(), c.memory);
        EXPECT_EQ(history.active(kSlot), c.to);
        EXPECT_EQ(history.undoName(kSlot), c.undo);
    }
    device->clearLog();
    EXPECT_EQ(history.SwitchTo(kSlot, EditState::B).kind, EditOutcome::Kind::Nothing);
    EXPECT_TRUE(Frames().empty());
}

}  // namespace
}  // namespace zef::test
