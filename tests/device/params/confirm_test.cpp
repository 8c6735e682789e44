// The parameter writer confirms what it wrote: it reads back only the blocks
// holding the bytes its writes changed, writes once more what the device does
// not hold (a memory write and command 25) and reports a device that still
// does not; after a request that may
// have reached the device altered it checks everything the editor writes and
// puts back what differs.

#include "device/readback.h"
#include "model/memory_map.h"
#include "params_fixture.h"
#include "spoiling_exchange.h"

namespace zef::test {
namespace {

// Reads the device received, as device addresses.
std::vector<std::uint16_t> ReadAddresses(const std::vector<Bytes>& frames) {
    std::vector<std::uint16_t> at;
    for (const Bytes& f : frames)
        if (f[3] == cmd::kReadMemory) at.push_back(static_cast<std::uint16_t>(f[4] << 8 | f[5]));
    return at;
}

TEST_F(ParamsTest, ConfirmReadsBackOnlyTheBlocksOfWhatChanged) {
    const struct {
        const char* what;
        std::vector<std::pair<std::string, double>> values;
        std::vector<std::uint16_t> blocks;  // preset blocks are 78 bytes from 240, settings 120 from 0
    } cases[] = {
        {"nothing written", {}, {}},
        {"output 1 gain (PI 493: device 733)", {{"out1.gain", -7.5}}, {240 + 6 * 78}},
        {"input L gain (PI 16: device 256)", {{"inL.gain", 3}}, {240}},
        {"voltage (DS 214)", {{"device.voltage", 1}}, {120}},
        {"gains of both ends", {{"inR.gain", -2}, {"out2.gain", -4}}, {240, 240 + 6 * 78}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.values.empty()) {
            ASSERT_EQ(Set(c.values), kOk);
        }
        device->clearLog();
        const Confirmation confirmed = writer.Confirm(kSlot);
        EXPECT_TRUE(confirmed.report.ok()) << confirmed.report.Text();
        EXPECT_EQ(ReadAddresses(Frames()), c.blocks);
        EXPECT_EQ(Frames().size(), c.blocks.size()) << "only reads";
        device->clearLog();
        EXPECT_TRUE(writer.Confirm(kSlot).report.ok());
        EXPECT_TRUE(Frames().empty()) << "confirmed once";
    }
}

// Output 1's gain code (PI 493, device address 733) raised by 4 on its way in the first
// `times` frames that carry it, a gain command or a memory write.
SpoilingExchange GainSpoiler(Exchange& inner, int times) {
    return SpoilingExchange(inner, times, [](Request& r) {
        std::uint8_t* code = nullptr;
        if (r.command == cmd::kGain && r.p[0] == kOutput1) code = &r.p[7];
        const int at = static_cast<int>(P(493)) - (r.p[0] << 8 | r.p[1]);
        if (r.command == cmd::kWriteMemory && at >= 0 && at < r.p[2]) code = &r.payload[static_cast<std::size_t>(at)];
        if (code) *code = static_cast<std::uint8_t>(*code + 4);
        return code != nullptr;
    });
}

TEST_F(ParamsTest, ConfirmSendsOnceMoreWhatTheDeviceDoesNotHoldThenReportsIt) {
    const struct {
        int times;  // gain commands spoilt
        double db;
        std::uint8_t held;
        std::string detail;
    } cases[] = {
        {1, -7.5, 105, ""},
        {2, -6.5, 111, "preset byte 493 (outputGain) reads 111, written 107"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.times);
        SpoilingExchange spoiler = GainSpoiler(*exchange, c.times);
        ParameterWriter w(model, spoiler);
        ASSERT_EQ(w.Set(kSlot, *FindParameter("out1.gain"), c.db), kOk);
        const Confirmation confirmed = w.Confirm(kSlot);
        EXPECT_EQ(spoiler.spoilt, c.times);
        EXPECT_EQ(confirmed.report.ok(), c.detail.empty()) << confirmed.report.Text();
        EXPECT_EQ(confirmed.report.detail, c.detail);
        EXPECT_EQ(Mem(P(493)), c.held);
        EXPECT_EQ(confirmed.device[P(493)], c.held) << "what the device was read to hold";
    }
}

TEST_F(ParamsTest, ConfirmAfterADoubtChecksWhatTheEditorWritesAndPutsBackWhatDiffers) {
    const std::uint8_t out2Gain = Mem(P(494));
    const auto behind = static_cast<std::uint8_t>(out2Gain + 10);
    const struct {
        const char* what;
        double out1Gain;
        bool online, deviceChanged;
        std::size_t reads;      // block reads
        std::uint8_t out2Gain;  // after the confirmation
    } cases[] = {
        // Every block of the state (1), the preset (8) and the FIRs (12) once, the one that
        // differs once more, then all of them again after it was put back.
        {"a doubt: out2 put back", -3, true, false, 21 + 1 + 21, out2Gain},
        {"the device reported a change of its own: only what was written", -4, true, true, 1, behind},
        {"off-line: nothing read", -5, false, false, 0, behind},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Set("out1.gain", c.out1Gain), kOk);
        // A spoilt request changed output 2's gain behind the model's back.
        device->setMemory(P(494), {behind});
        ++link.doubtfulRequests[kSlot];
        link.deviceChanged[kSlot] = c.deviceChanged;
        entry().online = c.online;
        device->clearLog();
        EXPECT_TRUE(writer.Confirm(kSlot).report.ok());
        EXPECT_EQ(ReadAddresses(Frames()).size(), c.reads);
        EXPECT_EQ(Mem(P(494)), c.out2Gain);
        EXPECT_EQ(DoubtsPending(link, kSlot), c.deviceChanged || !c.online);
        entry().online = true;
        link.deviceChanged[kSlot] = false;
        device->setMemory(P(494), {out2Gain});
        SettleDoubts(link, kSlot);
    }
}

}  // namespace
}  // namespace zef::test
