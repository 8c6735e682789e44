// Applying an automatic-equaliser result is all or nothing: a link that stops
// answering in the middle of the bands leaves neither the model nor, once it
// answers again, the device with part of the new set.

#include <gtest/gtest.h>

#include "app/autoeq_apply.h"
#include "device/device_reader.h"
#include "fault_fixture.h"
#include "measure/autoeq_fit.h"
#include "model/memory_map.h"

namespace zef::test {
namespace {

using Memory = std::vector<std::uint8_t>;

// Output 1's band k in the device's memory (one output's 30 records together).
std::size_t BandAddress(int k) { return kPresetBaseAddress + pi::kOutputEq + 5 * static_cast<std::size_t>(k); }

Memory DeviceBands(const FaultFixture& f) { return f.device->memory(BandAddress(0), 5 * 30); }

AutoEqResult Boosts() {
    AutoEqResult r;
    for (std::size_t k = 0; k < r.frequencyHz.size(); ++k) {
        r.frequencyHz[k] = measure::kAutoEqBandHz[k];
        r.gainCode[k] = 30 + 1 + static_cast<int>(k % 10);  // +0.5 .. +5 dB: every band changes
        r.qIndex[k] = 10;
        r.filterType[k] = 0;
    }
    return r;
}

TEST(AutoEqApply, LinkFailureAtAnyBandLeavesNoPartialSet) {
    // The frame of band 0, of a band in the middle, and of the last band.
    for (const int failingBand : {0, 10, 29}) {
        SCOPED_TRACE(failingBand);
        FaultFixture f(LinkKind2::Tcp);
        ASSERT_EQ(f.reader->ReadWholeDevice(kSlot), kOk);
        const DeviceModel before = f.model.device(kSlot);
        const Memory deviceBefore = DeviceBands(f);

        // One command 5 per band: the device answers the bands before the failing one.
        f.device->clearLog();
        f.device->silenceAfter(failingBand);
        EXPECT_NE(measure::ApplyAutoEq(*f.writer, kSlot, kOutput1, Boosts(), 0, 29), kOk);
        EXPECT_TRUE(f.model.device(kSlot).preset == before.preset) << "the model keeps the bands it had";
        for (int k = 0; k < 30; ++k) {
            const EqBandValues now = BandValues(f.model.device(kSlot), measure::OutputBandIndex(kOutput1, k));
            const EqBandValues was = BandValues(before, measure::OutputBandIndex(kOutput1, k));
            EXPECT_EQ(now.gainDb, was.gainDb) << "band " << k;
        }
        // Nothing past the failing band went out.
        const Memory partial = DeviceBands(f);
        for (std::size_t a = 5 * static_cast<std::size_t>(failingBand) + 5; a < partial.size(); ++a)
            EXPECT_EQ(partial[a], deviceBefore[a]) << "byte " << a;

        // The link answers again: the bands that reached the device are taken back.
        f.device->setSilent(false);
        ASSERT_EQ(f.transport.tcp().Connect(kSlot, f.model.entry(kSlot).ip, f.port, 1000), kTransportOk);
        f.model.entry(kSlot).online = true;
        const Confirmation back = f.writer->Confirm(kSlot);
        EXPECT_TRUE(back.report.ok()) << back.report.Text();
        EXPECT_EQ(DeviceBands(f), deviceBefore);
    }
}

TEST(AutoEqApply, WholeSetReachesModelAndDevice) {
    FaultFixture f(LinkKind2::Tcp);
    ASSERT_EQ(f.reader->ReadWholeDevice(kSlot), kOk);
    ASSERT_EQ(measure::ApplyAutoEq(*f.writer, kSlot, kOutput1, Boosts(), 0, 29), kOk);
    const Memory bands = DeviceBands(f);
    for (int k = 0; k < 30; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        EXPECT_EQ(bands[5 * kk + 4] & 0x7F, 31 + k % 10) << "band " << k;
        EXPECT_EQ(BandValues(f.model.device(kSlot), measure::OutputBandIndex(kOutput1, k)).gainDb,
                  0.5 * (1 + k % 10));
    }
}

}  // namespace
}  // namespace zef::test
