// Preset slots (store, recall, the empty-slot answer) and the change marks the device puts in
// the address byte of its replies until the changed memory has been read back.

#include "sim_fixture.h"

namespace simtest {
namespace {

class SimPresets : public SimFixture {};

TEST_F(SimPresets, RecallOfAnEmptySlotAnswers255AndChangesNothing) {
    const Bytes before = dev.memory(0, zefsim::kAddressSpaceEnd);
    for (std::uint8_t slot : {0, 1, 2, 3, 200}) {
        const Bytes r = ask(24, {slot});
        ASSERT_EQ(r.size(), 13u);
        EXPECT_EQ(r[4], 255) << "slot " << int(slot);
    }
    EXPECT_EQ(dev.memory(0, zefsim::kAddressSpaceEnd), before);
    EXPECT_TRUE(dev.presetSlot(0).empty());
}

TEST_F(SimPresets, StoreThenRecallRestoresPresetBlockAndFirAndRecordsTheSlot) {
    dev.setMemory(204, {0x80});  // bit 7 is not part of the slot number
    ASSERT_EQ(ask(1, {2, 0, 0, 0, 0, 0, 0, 100}).size(), 13u);
    ASSERT_TRUE(link.exchange(blockWrite(0x1000, Bytes(48, 0x11)), 13));
    const Bytes preset = dev.memory(240, 624);
    const Bytes fir = dev.memory(4096, 2304);

    const Bytes stored = ask(23, {1});
    ASSERT_EQ(stored.size(), 13u);
    EXPECT_EQ(stored[4], 1);
    EXPECT_EQ(dev.presetSlot(1), preset);
    EXPECT_TRUE(dev.presetSlot(0).empty());
    EXPECT_EQ(dev.memory(204, 1)[0], 0x81);

    // Change the running state, then recall slot 1 (and record that slot 2 was loaded before).
    ASSERT_EQ(ask(1, {2, 0, 0, 0, 0, 0, 0, 7}).size(), 13u);
    ASSERT_TRUE(link.exchange(blockWrite(0x1000, Bytes(48, 0x22)), 13));
    dev.setMemory(204, {0x02});
    const Bytes settingsBefore = dev.memory(0, 240);

    const Bytes recalled = ask(24, {1});
    ASSERT_EQ(recalled.size(), 13u);
    EXPECT_EQ(recalled[4], 1);
    EXPECT_EQ(dev.memory(240, 624), preset);
    EXPECT_EQ(dev.memory(4096, 2304), fir);
    EXPECT_EQ(dev.memory(204, 1)[0], 0x01);
    Bytes settingsExpected = settingsBefore;
    settingsExpected[204] = 0x01;
    EXPECT_EQ(dev.memory(0, 240), settingsExpected);
    // A recall the editor asked for is not a change of the device's own.
    EXPECT_EQ(recalled[2], 0x01);
}

class SimMarks : public SimFixture {
protected:
    std::uint8_t statusAddress() {
        const auto r = link.exchange(frame(22), 24);
        return r ? (*r)[2] : 0xFF;
    }
    std::uint8_t readAddress(std::uint16_t address, std::uint8_t count) {
        const auto r =
            link.exchange(frame(20, {std::uint8_t(address >> 8), std::uint8_t(address), count}), count + 5u);
        return r ? (*r)[2] : 0xFF;
    }
};

TEST_F(SimMarks, FrontPanelWriteMarksRepliesUntilMemoryIsReadBack) {
    EXPECT_EQ(statusAddress(), 0x01);
    dev.frontPanelWrite(240 + 16, 99);
    EXPECT_EQ(dev.memory(256, 1)[0], 99);
    EXPECT_EQ(statusAddress(), 0x81);
    EXPECT_EQ(ask(1, {0, 0, 0, 0, 0, 0, 0, 120})[2], 0x81);  // every reply, not just the first
    EXPECT_EQ(readAddress(4096, 48), 0x81);                  // a FIR read is not a read-back
    // Identify never carries a mark: its address byte is the address the editor learns.
    const auto id = link.exchange(frame(0, {}, 0), 30);
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ((*id)[2], 0x01);
    EXPECT_EQ(readAddress(0, 120), 0x01);  // the read-back reply itself is clean
    EXPECT_EQ(statusAddress(), 0x01);

    dev.frontPanelWrite(206, 1);  // a settings byte marks the same way; a preset read clears it
    EXPECT_EQ(statusAddress(), 0x81);
    EXPECT_EQ(readAddress(240 + 78 * 7, 78), 0x01);
}

TEST_F(SimMarks, FirChangesMarkTheirOutputUntilThatFirIsRead) {
    struct Case {
        int output;
        std::uint8_t mark;
        std::uint16_t otherFir, ownFir;
    };
    for (const Case c : {Case{0, 0x20, 4096 + 1152, 4096 + 960}, Case{1, 0x40, 4096, 4096 + 1152}}) {
        SCOPED_TRACE(c.output);
        const Bytes before = dev.memory(4096 + 1152 * c.output, 1152);
        dev.frontPanelFirChange(c.output);
        EXPECT_NE(dev.memory(4096 + 1152 * c.output, 1152), before);
        EXPECT_EQ(statusAddress(), 0x01 | c.mark);
        EXPECT_EQ(readAddress(0, 120), 0x01 | c.mark);
        EXPECT_EQ(readAddress(c.otherFir, 192), 0x01 | c.mark);
        EXPECT_EQ(readAddress(c.ownFir, 192), 0x01);
        EXPECT_EQ(statusAddress(), 0x01);
    }
}

TEST_F(SimMarks, FrontPanelRecallLoadsTheSlotAndMarksWhatChanged) {
    ASSERT_EQ(ask(23, {2}).size(), 13u);
    const Bytes preset = dev.memory(240, 624);
    ASSERT_EQ(ask(1, {3, 0, 0, 0, 0, 0, 0, 1}).size(), 13u);
    ASSERT_TRUE(link.exchange(blockWrite(0x1000 + 0x480, Bytes(48, 0x33)), 13));
    dev.setMemory(204, {0});

    dev.frontPanelRecall(0);  // empty: nothing happens
    EXPECT_EQ(statusAddress(), 0x01);

    dev.frontPanelRecall(2);
    EXPECT_EQ(dev.memory(240, 624), preset);
    EXPECT_EQ(dev.memory(204, 1)[0], 2);
    EXPECT_EQ(statusAddress(), 0x01 | 0x80 | 0x40);  // output 2's FIR differed, output 1's did not
    EXPECT_EQ(readAddress(0, 120), 0x41);
    EXPECT_EQ(readAddress(4096 + 1152, 192), 0x01);
}

}  // namespace
}  // namespace simtest
