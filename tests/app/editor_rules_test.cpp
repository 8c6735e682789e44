// The channel editor's rules without windows: commit snapping, drag
// positions, band drags on the graph, status readings and meter segments,
// coalesced sends.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <functional>

#include "app/entry_rules.h"
#include "model/meter_readings.h"
#include "app/send_coalescer.h"

namespace zef {
namespace {

TEST(EntryRules, TypedValuesAreClampedAndSnappedToWhatTheDeviceHolds) {
    struct Case {
        ParamId id;
        double typed;
        double kept;
    };
    const Case cases[] = {
        {ParamId::Gain, 15, 12},          {ParamId::Gain, -61, -60},       {ParamId::Gain, -7.3, -7.5},
        {ParamId::BandGain, 16, 15},      {ParamId::BandGain, 2.74, 2.5},  {ParamId::BandFreq, 80.5, 80},
        {ParamId::BandFreq, 81.5, 82},    {ParamId::BandFreq, 5, 20},      {ParamId::HpFreq, 80.9, 80},
        {ParamId::LpFreq, 30000, 20000},  {ParamId::BandQ, 1.02, 1.0}, {ParamId::BandQ, 1.03, 1.06},     {ParamId::BandQ, 500, 128},
        {ParamId::GateThreshold, -62, -60}, {ParamId::DynValue1, 33.6, 34}, {ParamId::DynValue2, -4, 0},
        {ParamId::Delay, 200, 164.998},   {ParamId::MaskLevel, 3, 0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(SnapEntry(DescriptionOf(c.id), c.typed), c.kept, 1e-9) << DescriptionOf(c.id).path << " " << c.typed;
    }
}

TEST(EntryRules, DelayInMetresIsClampedInItsUnitThenConverted) {
    const double ms = DelayEntryMs(100, true);
    EXPECT_NEAR(ms, kDelayMaxMetres / kMetresPerMs, 1e-9);
    const DelayCounts counts = DelayCountsFromMs(ms);
    EXPECT_EQ(counts.coarse, 164);
    EXPECT_EQ(counts.fine, 48);
    EXPECT_DOUBLE_EQ(DelayEntryMs(-3, false), 0.0);
    EXPECT_FALSE(ReadEntry("  ", false).has_value());
    EXPECT_DOUBLE_EQ(*ReadEntry("1 2,5", true), 12.5);
}

TEST(EntryRules, DragPositionCoversTheWholeRangeAndClamps) {
    EXPECT_EQ(DragPosition(-20, 100, 145), 1);
    EXPECT_EQ(DragPosition(0, 100, 145), 1);
    EXPECT_EQ(DragPosition(100, 100, 145), 145);
    EXPECT_EQ(DragPosition(500, 100, 145), 145);
    EXPECT_EQ(DragPosition(50, 100, 61), 31);  // the middle of the band gain fader is 0 dB
}

TEST(EntryRules, ABandDraggedOnTheGraphTakesTheAxesValues) {
    const auto m = dsp::GraphMapping::Editor(600, 300, 0, 0);
    // A pointer where 1 kHz and +6 dB are drawn gives them back.
    BandDrag d = BandDragAt(m, m.x(1000), m.y(6));
    EXPECT_DOUBLE_EQ(d.frequencyHz, 1000);
    EXPECT_DOUBLE_EQ(d.gainDb, 6);
    // Up is louder; beyond the box the band stops at its limits.
    d = BandDragAt(m, -50, -40);
    EXPECT_DOUBLE_EQ(d.frequencyHz, 20);
    EXPECT_DOUBLE_EQ(d.gainDb, 15);
    d = BandDragAt(m, 900, 400);
    EXPECT_DOUBLE_EQ(d.frequencyHz, 20000);
    EXPECT_DOUBLE_EQ(d.gainDb, -15);
    // With a shift the same pixel means less gain.
    const auto shifted = dsp::GraphMapping::Editor(600, 300, 0, 1);
    EXPECT_DOUBLE_EQ(BandDragAt(shifted, m.x(1000), m.y(6)).gainDb, 1);
    EXPECT_EQ(BandDragReadout({1000, 3.5}, true), "Freq=1000Hz; Gain=3,5dB");
}

TEST(MeterReadings, StatusBytesDecodeAndOfflineFillsToTheMinimum) {
    std::array<std::uint8_t, 18> bytes{};
    for (std::size_t i = 0; i < 12; ++i) bytes[i] = static_cast<std::uint8_t>(40 + i);
    bytes[12] = 30, bytes[13] = 25, bytes[14] = 18, bytes[15] = 30;
    bytes[16] = 0b1000'0101;
    bytes[17] = 0b0000'1010;
    const StatusReading r = DecodeStatusReading(bytes, 0x06, true);
    EXPECT_NEAR(r.levels[0], 40 - 42 + 12.2, 1e-12);
    EXPECT_NEAR(r.levels[11], 51 - 42 + 12.2, 1e-12);
    EXPECT_EQ(r.reductions[1], -5);
    EXPECT_TRUE(r.lit(Indicator::SignalL));
    EXPECT_FALSE(r.lit(Indicator::SignalR));
    EXPECT_TRUE(r.lit(Indicator::ClipL));
    EXPECT_TRUE(r.lit(Indicator::ClipOut2));
    EXPECT_FALSE(r.lit(Indicator::LimitOut1));
    EXPECT_TRUE(r.lit(Indicator::LimitOut2));
    EXPECT_TRUE(r.lit(Indicator::ProtectOut2));
    EXPECT_TRUE(r.alert);
    EXPECT_TRUE(r.standby);

    const StatusReading off = DecodeStatusReading(bytes, 0x06, false);
    for (double level : off.levels) EXPECT_NEAR(level, -29.8, 1e-12);
    for (double gr : off.reductions) EXPECT_EQ(gr, 0);
    EXPECT_FALSE(off.standby);
    for (int kind : {0, 1, 2})
        EXPECT_EQ(SegmentMask(MeterSegments(kind == 2 ? off.reductions[0] : off.levels[0], static_cast<MeterKind>(kind))), 0);

    MeterTable table{};
    StoreReadings(r, table);
    EXPECT_DOUBLE_EQ(table[static_cast<int>(MeterChannel::Out2)][static_cast<int>(MeterKind::Voltage)], r.levels[5]);
    EXPECT_DOUBLE_EQ(table[static_cast<int>(MeterChannel::Lim1)][static_cast<int>(MeterKind::Reduction)], r.reductions[2]);
    EXPECT_EQ(LevelReadingFor(MeterChannel::Sm, MeterKind::Signal), 6);
}

TEST(MeterReadings, SegmentsLightAtTheirThresholds) {
    struct Case {
        double db;
        MeterKind kind;
        std::uint16_t mask;  // bit 0 = top segment
    };
    const Case cases[] = {
        {9, MeterKind::Signal, 0x1FF},      {8.99, MeterKind::Signal, 0x1FE}, {0, MeterKind::Signal, 0x1F8},
        {-15, MeterKind::Signal, 0x100},    {-15.1, MeterKind::Signal, 0},    {0, MeterKind::Reduction, 0},
        {-1, MeterKind::Reduction, 0x001},  {-4, MeterKind::Reduction, 0x00F}, {-20, MeterKind::Reduction, 0x1FF},
    };
    for (const Case& c : cases) EXPECT_EQ(SegmentMask(MeterSegments(c.db, c.kind)), c.mask) << c.db;
}

TEST(SendCoalescer, KeepsOnlyTheLatestSendWhileTheLinkIsBusy) {
    LinkState link;
    std::deque<std::function<void()>> scheduled;
    SendCoalescer c(link, [&](int, std::function<void()> f) { scheduled.push_back(std::move(f)); });
    std::vector<int> sent;
    auto inFlight = std::make_unique<LinkState::Exchanging>(link);  // an exchange is in flight
    for (int i = 1; i <= 50; ++i) c.Post([&sent, i] { sent.push_back(i); });
    ASSERT_EQ(scheduled.size(), 1u);  // one flush, not fifty
    auto run = std::move(scheduled.front());
    scheduled.pop_front();
    run();  // still busy: nothing sent, tried again later
    EXPECT_TRUE(sent.empty());
    ASSERT_EQ(scheduled.size(), 1u);
    inFlight.reset();
    scheduled.front()();
    EXPECT_EQ(sent, std::vector<int>{50});

    // A post made while a send is in flight is picked up by the same flush.
    sent.clear();
    c.Post([&] {
        sent.push_back(1);
        c.Post([&] { sent.push_back(2); });
    });
    c.Flush();
    EXPECT_EQ(sent, (std::vector<int>{1, 2}));
    EXPECT_FALSE(c.pending());
}

}  // namespace
}  // namespace zef
