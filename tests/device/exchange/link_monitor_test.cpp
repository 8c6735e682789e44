// The link figures' arithmetic and the traffic log's bounds, without a link.

#include <gtest/gtest.h>

#include <numeric>

#include "device/link_monitor.h"
#include "protocol/commands.h"

namespace zef {
namespace {

TEST(RoundTripFigures, MedianAndNinetyNinthPercentile) {
    std::vector<float> hundred(100);
    std::iota(hundred.begin(), hundred.end(), 1.0f);  // 1..100
    std::vector<float> withOutlier(200, 2.0f);
    withOutlier[17] = 500.0f;
    withOutlier[18] = 400.0f;
    withOutlier[19] = 300.0f;
    struct Row {
        const char* name;
        std::vector<float> ms;
        double median, p99;
    };
    const std::vector<Row> rows = {
        {"one", {7.0f}, 7.0, 7.0},
        {"odd count, unsorted", {5.0f, 1.0f, 3.0f}, 3.0, 5.0},
        {"even count takes the mean of the middle two", {4.0f, 1.0f, 2.0f, 8.0f}, 3.0, 8.0},
        {"1..100", hundred, 50.5, 99.0},
        // Three slow replies in 200 are above the 99th percentile's rank 198.
        {"rare outliers stay out of the 99th", withOutlier, 2.0, 300.0},
    };
    for (Row row : rows) {
        LinkFigures f;
        SetRoundTripFigures(row.ms, f);
        ASSERT_TRUE(f.medianMs && f.p99Ms) << row.name;
        EXPECT_DOUBLE_EQ(*f.medianMs, row.median) << row.name;
        EXPECT_DOUBLE_EQ(*f.p99Ms, row.p99) << row.name;
    }
    std::vector<float> none;
    LinkFigures f;
    SetRoundTripFigures(none, f);
    EXPECT_FALSE(f.medianMs.has_value());
}

TEST(LinkMonitor, KeepsTheLastFramesOfEachSlotAndFeedsTheSink) {
    LinkMonitor m(4);
    std::vector<std::uint8_t> seen;
    m.SetSink([&](const TrafficRecord& r) { seen.push_back(r.params[0]); });
    for (std::uint8_t i = 0; i < 10; ++i) {
        Request request{cmd::kGain, {i, 0, 0, 0, 0, 0, 0, 0}, {}};
        m.FrameSent(1, request, kFrameSize, false, true);
    }
    m.FrameSent(2, Request{cmd::kMute, {}, {}}, kFrameSize, false, true);

    const std::vector<TrafficRecord> log = m.Traffic(1);
    ASSERT_EQ(log.size(), 4u);
    for (std::size_t i = 0; i < log.size(); ++i) EXPECT_EQ(log[i].params[0], 6 + i) << "oldest first";
    EXPECT_EQ(seen.size(), 11u);
    EXPECT_EQ(m.Traffic(2).size(), 1u);
    EXPECT_EQ(m.Figures(1).bytesOut, 10 * kFrameSize);
    EXPECT_TRUE(m.Traffic(3).empty());

    m.Clear(1);
    EXPECT_TRUE(m.Traffic(1).empty());
    EXPECT_EQ(m.Figures(1).bytesOut, 0u);
    EXPECT_EQ(m.Traffic(2).size(), 1u);
}

TEST(LinkMonitor, DisabledRecordsNothing) {
    LinkMonitor m;
    m.SetEnabled(false);
    m.BeginExchange(1);
    m.FrameSent(1, Request{cmd::kGain, {}, {}}, kFrameSize, true, true);
    m.NoReply(1, cmd::kGain, 300, false, 0);
    EXPECT_FALSE(m.Used(1));
    EXPECT_EQ(m.Figures(1).retries, 0u);
}

TEST(TrafficLine, ShowsParametersOnlyWhereTheyWereOnTheWire) {
    TrafficRecord r;
    r.slot = 3;
    r.command = cmd::kGain;
    r.params = {0x01, 0, 0, 0, 0, 0, 0, 0xA5};
    r.bytes = 13;
    struct Row {
        Direction d;
        FrameStatus s;
        std::uint16_t bytes;
        const char* tail;
    };
    for (const Row& row : {Row{Direction::Out, FrameStatus::Sent, 13, "slot 3 -> gain (1) p 01 00 00 00 00 00 00 A5 13 B sent"},
                           Row{Direction::In, FrameStatus::Ok, 13, "slot 3 <- gain (1) p 01 00 00 00 00 00 00 A5 13 B ok"},
                           Row{Direction::In, FrameStatus::TimedOut, 0, "slot 3 <- gain (1) 0 B timed out"},
                           Row{Direction::In, FrameStatus::Late, 24, "slot 3 <- earlier reply 24 B late, discarded"}}) {
        r.direction = row.d;
        r.status = row.s;
        r.bytes = row.bytes;
        const std::string line = FormatTrafficRecord(r);
        EXPECT_TRUE(line.ends_with(row.tail)) << line;
    }
}

}  // namespace
}  // namespace zef
