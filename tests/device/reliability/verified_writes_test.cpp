// Writes checked before and after: an illegal model is refused before any
// byte goes out, a byte that arrived wrong is written once more, and a
// device that still does not read back what was written is reported, not
// taken for a success.

#include <gtest/gtest.h>

#include "device/fir_store.h"
#include "device/verified_writes.h"
#include "fault_fixture.h"
#include "spoiling_exchange.h"
#include "model/memory_map.h"
#include "protocol/commands.h"

namespace zef::test {
namespace {

// Flips one bit of the payload of the first `times` block writes to `address`: the device
// acknowledges and stores a wrong byte, as after a bit error on the line that no check of
// the echo could see.
SpoilingExchange FlippingExchange(Exchange& inner, std::uint16_t address, int times) {
    return SpoilingExchange(inner, times, [address](Request& r) {
        if (r.command != cmd::kWriteMemory || (r.p[0] << 8 | r.p[1]) != address) return false;
        r.payload[0] ^= 0x01;
        return true;
    });
}

TEST(VerifiedWrites, IllegalBandTypeIsRefusedBeforeAnyByteIsSent) {
    FaultFixture f(LinkKind2::Tcp);
    ASSERT_EQ(f.reader->ReadWholeDevice(kSlot), kOk);
    f.device->clearLog();
    DeviceModel& d = f.model.device(kSlot);
    d.preset[pi::OutputBand(0, 0)] = 9;

    const WriteReport whole = LoadWholeDevice(*f.reader, *f.exchange, f.model, kSlot);
    EXPECT_EQ(whole.outcome, WriteOutcome::Refused);
    EXPECT_EQ(whole.detail, "preset byte 118 (output 1 band 1 type) is 9; legal 0..7");
    const WriteReport preset = LoadPresetIntoDevice(*f.exchange, f.model, kSlot);
    EXPECT_EQ(preset.outcome, WriteOutcome::Refused);
    EXPECT_TRUE(f.device->frames().empty());
}

TEST(VerifiedWrites, ReadBackThatDiffersIsWrittenOnceMoreThenReported) {
    struct Row {
        const char* what;
        std::uint16_t address;  // the block whose first byte arrives flipped
        std::string detail;
    };
    const Row rows[] = {
        {"whole load, preset block 11", kPresetBaseAddress + 480, "preset byte 480"},
        {"whole load, output 2 FIR", static_cast<std::uint16_t>(FirAddress(1) + 96), "output 2 FIR tap 32"},
        {"whole load, device state", 205, "settings byte 205"},
    };
    for (const Row& row : rows) {
        for (const int times : {1, 2}) {
            SCOPED_TRACE(std::string(row.what) + (times == 1 ? ", once" : ", the resend too"));
            FaultFixture f(LinkKind2::Tcp);
            ASSERT_EQ(f.reader->ReadWholeDevice(kSlot), kOk);
            SpoilingExchange flipping = FlippingExchange(*f.exchange, row.address, times);
            DeviceReader reader(f.model, flipping, f.events);
            const WriteReport r = LoadWholeDevice(reader, flipping, f.model, kSlot);
            EXPECT_EQ(flipping.spoilt, times);
            if (times == 1) {
                EXPECT_TRUE(r.ok()) << r.Text();
                ExpectSameImage(f.ModelImage(), f.Image());
            } else {
                EXPECT_EQ(r.outcome, WriteOutcome::Mismatch);
                EXPECT_EQ(r.detail.rfind(row.detail, 0), 0u) << r.detail;
            }
        }
    }
}

TEST(VerifiedWrites, PresetFileAndFirImportReadBack) {
    FaultFixture f(LinkKind2::Tcp);
    ASSERT_EQ(f.reader->ReadWholeDevice(kSlot), kOk);
    DeviceModel& d = f.model.device(kSlot);
    d.preset[pi::OutputGain(1)] = 99;
    d.firTaps[1][3] = 0x123456;
    EXPECT_TRUE(LoadPresetIntoDevice(*f.exchange, f.model, kSlot).ok());
    EXPECT_EQ(f.Image().firTaps[1][3], 0x123456u);

    fir::StoredFir fir = fir::MakeStoredFir("ramp", {0.5, 0.25, 0.125});
    int partner = 7;
    const WriteReport stored = StoreFirVerified(*f.exchange, f.model, kSlot, 0, fir, partner);
    EXPECT_TRUE(stored.ok()) << stored.Text();
    EXPECT_EQ(partner, -1);
    EXPECT_EQ(f.Image().firTaps[0][1], 0x080000u);

    SpoilingExchange flipping = FlippingExchange(*f.exchange, FirAddress(0), 2);
    const WriteReport flipped = StoreFirVerified(flipping, f.model, kSlot, 0, fir, partner);
    EXPECT_EQ(flipped.outcome, WriteOutcome::Mismatch);
    EXPECT_EQ(flipped.detail, "output 1 FIR tap 0 reads 1114112, written 1048576");

    fir.tapCount = 385;
    EXPECT_EQ(StoreFirVerified(*f.exchange, f.model, kSlot, 0, fir, partner).outcome, WriteOutcome::Refused);
}

}  // namespace
}  // namespace zef::test
