// FIR transfers and the store sequence, frame by frame.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "device/fir_store.h"
#include "device/memory_transfer.h"
#include "model/records.h"
#include "recording_exchange.h"

namespace zef {
namespace {

using test::RecordedFrame;
using test::RecordingExchange;
using Bytes = std::vector<std::uint8_t>;

FirImage PatternImage(unsigned seed) {
    FirImage image{};
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 13 + seed);
    return image;
}

TEST(FirDeviceIo, TapWordsAndImageAreMsbFirst) {
    FirTapWords taps{};
    taps[0] = 0x200000;
    taps[1] = 0xE00000;
    taps[383] = 0x123456;
    const FirImage image = FirImageFromTaps(taps);
    EXPECT_EQ((Bytes{image[0], image[1], image[2], image[3], image[4], image[5]}),
              (Bytes{0x20, 0, 0, 0xE0, 0, 0}));
    EXPECT_EQ((Bytes{image[1149], image[1150], image[1151]}), (Bytes{0x12, 0x34, 0x56}));
    EXPECT_EQ(TapsFromFirImage(image), taps);
}

TEST(FirDeviceIo, WriteSends24BlocksOf48BytesInAscendingOrder) {
    for (int output : {0, 1}) {
        SCOPED_TRACE(output);
        RecordingExchange ex;
        const FirImage image = PatternImage(static_cast<unsigned>(output));
        int progress = 0;
        ASSERT_EQ(WriteFirToDevice(ex, 7, output, image, [&] { ++progress; }), kOk);
        ASSERT_EQ(ex.frames.size(), 24u);
        EXPECT_EQ(progress, 24);
        for (std::size_t k = 0; k < 24; ++k) {
            const RecordedFrame& f = ex.frames[k];
            EXPECT_EQ(f.slot, 7);
            EXPECT_EQ(f.command, 21);
            EXPECT_EQ(f.address(), 4096 + 1152 * output + 48 * static_cast<int>(k));
            EXPECT_EQ(f.p[2], 48);
            EXPECT_EQ(f.payload, Bytes(image.begin() + 48 * k, image.begin() + 48 * (k + 1)));
            for (std::size_t i = 3; i < 8; ++i) EXPECT_EQ(f.p[i], 0);
        }
    }
}

TEST(FirDeviceIo, ReadAsksSixBlocksOf192AndStoresTheWords) {
    auto model = std::make_unique<Model>();
    RecordingExchange ex;
    const FirImage image = PatternImage(5);
    std::copy(image.begin(), image.end(), ex.memory.begin() + 0x1480);

    ASSERT_EQ(ReadFirFromDevice(ex, *model, 3, 1), kOk);
    // Each block twice in a row: the two replies must agree.
    ASSERT_EQ(ex.frames.size(), 12u);
    for (std::size_t k = 0; k < 12; ++k) {
        EXPECT_EQ(ex.frames[k].command, 20);
        EXPECT_EQ(ex.frames[k].address(), 0x1480 + 192 * (k / 2));
        EXPECT_EQ(ex.frames[k].p[2], 192);
    }
    EXPECT_EQ(model->device(3).firTaps[1], TapsFromFirImage(image));
    EXPECT_EQ(model->device(3).firTaps[0], FirTapWords{});  // the other output is not touched
}

TEST(FirDeviceIo, FailedReadKeepsEveryTap) {
    auto model = std::make_unique<Model>();
    model->device(2).firTaps[0].fill(0xABCDEF);
    RecordingExchange ex;  // device memory all zero
    ex.failAt = 2;
    EXPECT_EQ(ReadFirFromDevice(ex, *model, 2, 0), kFailed);
    EXPECT_EQ(ex.frames.size(), 3u);
    const auto& taps = model->device(2).firTaps[0];
    // Half a FIR read is no FIR: the taps change only when all six blocks came.
    for (std::size_t t = 0; t < 384; ++t) ASSERT_EQ(taps[t], 0xABCDEFu) << t;
}

TEST(FirDeviceIo, WriteThenReadGivesTheSameTaps) {
    auto model = std::make_unique<Model>();
    RecordingExchange ex;
    const FirImage image = PatternImage(77);
    ASSERT_EQ(WriteFirToDevice(ex, 1, 0, image), kOk);
    ASSERT_EQ(ReadFirFromDevice(ex, *model, 1, 0), kOk);
    EXPECT_EQ(FirImageFromTaps(model->device(1).firTaps[0]), image);
}

class StoreFir : public ::testing::Test {
protected:
    std::unique_ptr<Model> model = std::make_unique<Model>();
    RecordingExchange ex;
    const DeviceSlot device = 5;

    fir::StoredFir Sample() {
        std::vector<double> c(200);
        for (std::size_t i = 0; i < c.size(); ++i) c[i] = 0.01 * static_cast<double>(i % 50) - 0.2;
        return fir::MakeStoredFir("Room EQ", c);
    }
};

TEST_F(StoreFir, WritesNameCoefficientsTapCountThenActivates) {
    for (int slot : {0, 1}) {
        SCOPED_TRACE(slot);
        RecordingExchange ex;
        model->device(device).preset[451 + (1 - slot)] = 0x01;  // the other slot's count stays
        model->device(device).preset[453 + (1 - slot)] = 0x80;
        const fir::StoredFir fir = Sample();
        std::vector<int> progress;
        ASSERT_TRUE(
            fir::StoreExternalFIR(ex, *model, device, slot, fir, [&](int p) { progress.push_back(p); }));

        ASSERT_EQ(ex.frames.size(), 1u + 24u + 1u + 1u);
        const RecordedFrame& name = ex.frames[0];
        EXPECT_EQ(name.command, 21);
        EXPECT_EQ(name.address(), slot == 0 ? 659 : 675);
        EXPECT_EQ(name.p[2], 16);
        EXPECT_EQ(name.payload,
                  Bytes({'R', 'o', 'o', 'm', ' ', 'E', 'Q', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '}));
        for (std::size_t k = 0; k < 24; ++k) {
            const RecordedFrame& f = ex.frames[1 + k];
            EXPECT_EQ(f.command, 21);
            EXPECT_EQ(f.address(), 0x1000 + 0x480 * slot + 48 * static_cast<int>(k));
            EXPECT_EQ(f.payload, Bytes(fir.image.begin() + 48 * k, fir.image.begin() + 48 * (k + 1)));
        }
        const RecordedFrame& taps = ex.frames[25];
        EXPECT_EQ(taps.command, 21);
        EXPECT_EQ(taps.address(), 691);
        const Bytes counts = slot == 0 ? Bytes{0, 0x01, 200, 0x80} : Bytes{0x01, 0, 0x80, 200};
        EXPECT_EQ(taps.payload, counts);
        const RecordedFrame& activate = ex.frames[26];
        EXPECT_EQ(activate.command, 29);
        EXPECT_EQ(activate.p, (CommandParams{static_cast<std::uint8_t>(slot + 2), 0, 0, 0, 0, 0, 0, 0}));

        std::vector<int> expected;
        for (int p = 0; p <= 28; ++p) expected.push_back(p);
        EXPECT_EQ(progress, expected);

        // The model keeps the name interleaved, the words and the count.
        const DeviceModel& d = model->device(device);
        EXPECT_EQ(d.preset[419 + slot], 'R');
        EXPECT_EQ(d.preset[419 + slot + 2 * 6], 'Q');
        EXPECT_EQ(d.preset[419 + slot + 2 * 15], ' ');
        EXPECT_EQ(d.firTaps[static_cast<std::size_t>(slot)][0], 0xF9999Au);    // -0.2
        EXPECT_EQ(d.firTaps[static_cast<std::size_t>(slot)][199], 0x0947AEu);  // 0.29
        EXPECT_EQ(d.firTaps[static_cast<std::size_t>(slot)][200], 0u);
        EXPECT_EQ(Bytes(d.preset.bytes.begin() + 451, d.preset.bytes.begin() + 455), counts);
    }
}

TEST_F(StoreFir, AnyFailedExchangeEndsTheStoreAndKeepsTheModelsFir) {
    DeviceModel& d = model->device(device);
    SetFirName(d.preset, 1, "Old FIR         ");
    SetFirTapCount(d.preset, 1, 64);
    d.firTaps[1][0] = 0x123456u;
    const DeviceModel before = d;
    auto responses = std::make_unique<dsp::ResponseStore>();
    const auto curveBefore = responses->device(device).fir(1);
    for (int failAt : {0, 1, 12, 24, 25, 26}) {
        SCOPED_TRACE(failAt);
        RecordingExchange ex;
        ex.failAt = failAt;
        int last = -1;
        EXPECT_FALSE(fir::StoreExternalFIR(ex, *model, device, 1, Sample(), [&](int p) { last = p; },
                                           responses.get()));
        EXPECT_EQ(ex.frames.size(), static_cast<std::size_t>(failAt + 1));
        EXPECT_EQ(last, failAt);  // progress stops at the last successful step
        // The device never confirmed the new FIR: the model still holds the old one.
        EXPECT_EQ(FirName(d.preset, 1), "Old FIR");
        EXPECT_EQ(FirTapCount(d.preset, 1), 64);
        EXPECT_EQ(d.firTaps[1], before.firTaps[1]);
        EXPECT_EQ(d.preset.bytes, before.preset.bytes);
        EXPECT_EQ(responses->device(device).fir(1), curveBefore);
    }
}

TEST_F(StoreFir, LinkedOutputsReceiveTheSameFirInTheOtherSlot) {
    const fir::StoredFir fir = Sample();
    bool ok = false;
    EXPECT_EQ(fir::LinkUpdateExternalFIR(ex, *model, device, 0, fir, ok), -1);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(ex.frames.empty());

    model->device(device).outputsLinked = 1;
    EXPECT_EQ(fir::LinkUpdateExternalFIR(ex, *model, device, 0, fir, ok), 1);
    EXPECT_TRUE(ok);
    ASSERT_EQ(ex.frames.size(), 27u);
    EXPECT_EQ(ex.frames[0].address(), 675);
    EXPECT_EQ(ex.frames[1].address(), 0x1480);
    EXPECT_EQ(ex.frames[26].p[0], 3);
    EXPECT_EQ(model->device(device).firTaps[1], TapsFromFirImage(fir.image));
    EXPECT_EQ(model->device(device).preset[454], 200);

    // With the response arrays: the linked output gets the same curves.
    auto responses = std::make_unique<dsp::ResponseStore>();
    EXPECT_EQ(fir::LinkUpdateExternalFIR(ex, *model, device, 0, fir, ok, {}, responses.get()), 1);
    ASSERT_TRUE(fir::StoreExternalFIR(ex, *model, device, 0, fir, {}, responses.get()));
    EXPECT_EQ(responses->device(device).fir(1), responses->device(device).fir(0));
    EXPECT_EQ(responses->device(device).firPhase(1), responses->device(device).firPhase(0));
    EXPECT_NE(responses->device(device).fir(1)[100], 0.0);

    // The output copy's writer runs the same sequence with what the model holds.
    RecordingExchange copy;
    ASSERT_TRUE(fir::MakeFirWriter(copy, *model)(device, 1));
    ASSERT_EQ(copy.frames.size(), 27u);
    EXPECT_EQ(copy.frames[0].address(), 675);
    EXPECT_EQ(copy.frames[0].payload, ex.frames[0].payload);
    EXPECT_EQ(copy.frames[1].payload, ex.frames[1].payload);
    EXPECT_EQ(copy.frames[26].p[0], 3);

    RecordingExchange failing;
    failing.failAt = 3;
    EXPECT_EQ(fir::LinkUpdateExternalFIR(failing, *model, device, 1, fir, ok), 0);
    EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace zef
