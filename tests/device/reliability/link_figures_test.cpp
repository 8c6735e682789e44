// The link's figures and traffic log against a simulated amplifier whose
// faults are armed frame by frame: every retry, time-out, reconnect, garbled
// and late reply the fault causes is counted exactly once, and the log shows
// the frames in the order they crossed the link.

#include <gtest/gtest.h>

#include "device/link_monitor.h"
#include "fault_fixture.h"
#include "protocol/commands.h"

namespace zef::test {
namespace {

using Fault = zefsim::Device::ArmedFault;

struct Expected {
    std::uint64_t retries, timeouts, garbled, late, reconnects, bytesOut, bytesIn;
};

struct Case {
    std::string name;
    LinkKind2 link;
    std::optional<Fault> fault;
    int lateMs;
    Expected figures;
    // The log of the poll: direction and status of each record, in order.
    std::vector<std::pair<Direction, FrameStatus>> log;
};

constexpr std::uint64_t kFrame = kFrameSize;                   // a request: 13 bytes
constexpr std::uint64_t kStatus = kStatusReplySize;            // 24
constexpr std::uint64_t kIdentify = kIdentifyReplySize;        // 30
constexpr auto Out = Direction::Out;
constexpr auto In = Direction::In;

std::vector<Case> Cases() {
    using S = FrameStatus;
    // TCP: a failed receive drops the connection, pauses (600 ms here, so a
    // reply 450 ms late arrives before the drop), connects anew and replays.
    // Every TCP exchange ends with one 0x00.
    // USB: a failed receive resynchronises the line with an identify and
    // sends the frame again; a late reply turns up during the resync.
    return {
        {"TcpClean", LinkKind2::Tcp, std::nullopt, 0, {0, 0, 0, 0, 0, kFrame + 1, kStatus}, {{Out, S::Sent}, {In, S::Ok}}},
        {"TcpDropped", LinkKind2::Tcp, Fault::Drop, 0, {1, 1, 0, 0, 1, 2 * kFrame + 1, kStatus},
         {{Out, S::Sent}, {In, S::TimedOut}, {Out, S::Sent}, {In, S::Ok}}},
        {"TcpGarbage", LinkKind2::Tcp, Fault::Garbage, 0, {1, 0, 1, 0, 1, 2 * kFrame + 1, 2 * kStatus},
         {{Out, S::Sent}, {In, S::Garbled}, {Out, S::Sent}, {In, S::Ok}}},
        {"TcpShort", LinkKind2::Tcp, Fault::Short, 0, {1, 1, 0, 0, 1, 2 * kFrame + 1, kStatus / 2 + kStatus},
         {{Out, S::Sent}, {In, S::TimedOut}, {Out, S::Sent}, {In, S::Ok}}},
        {"TcpLate", LinkKind2::Tcp, Fault::Late, 450, {1, 1, 0, 1, 1, 2 * kFrame + 1, 2 * kStatus},
         {{Out, S::Sent}, {In, S::TimedOut}, {In, S::Late}, {Out, S::Sent}, {In, S::Ok}}},
        {"UsbClean", LinkKind2::Usb, std::nullopt, 0, {0, 0, 0, 0, 0, kFrame, kStatus}, {{Out, S::Sent}, {In, S::Ok}}},
        {"UsbDropped", LinkKind2::Usb, Fault::Drop, 0, {1, 1, 0, 0, 0, 3 * kFrame, kIdentify + kStatus},
         {{Out, S::Sent}, {In, S::TimedOut}, {Out, S::Sent}, {In, S::Ok}, {Out, S::Sent}, {In, S::Ok}}},
        {"UsbGarbage", LinkKind2::Usb, Fault::Garbage, 0, {1, 0, 1, 0, 0, 3 * kFrame, 2 * kStatus + kIdentify},
         {{Out, S::Sent}, {In, S::Garbled}, {Out, S::Sent}, {In, S::Ok}, {Out, S::Sent}, {In, S::Ok}}},
        {"UsbLate", LinkKind2::Usb, Fault::Late, 450, {1, 1, 0, 1, 0, 3 * kFrame, 2 * kStatus + kIdentify},
         {{Out, S::Sent}, {In, S::TimedOut}, {Out, S::Sent}, {In, S::Late}, {In, S::Ok}, {Out, S::Sent}, {In, S::Ok}}},
    };
}

class LinkFigures : public ::testing::TestWithParam<Case> {};

TEST_P(LinkFigures, CountEachFaultOnce) {
    const Case& c = GetParam();
    FaultFixture f(c.link);
    f.exchange->settings().reconnectFirstTickMs = 600;
    f.exchange->monitor().Clear(kSlot);
    if (c.fault) f.device->armFault(*c.fault, 0, c.lateMs);

    const ExchangeResult r = f.exchange->Transact(kSlot, Request{cmd::kStatusPoll, {}, {}}, Reporting::Quiet);
    ASSERT_TRUE(r.replied());

    const zef::LinkFigures got = f.exchange->monitor().Figures(kSlot);
    const Expected& e = c.figures;
    EXPECT_EQ(got.exchanges, 1u);
    EXPECT_EQ(got.retries, e.retries);
    EXPECT_EQ(got.timeouts, e.timeouts);
    EXPECT_EQ(got.garbled, e.garbled);
    EXPECT_EQ(got.late, e.late);
    EXPECT_EQ(got.reconnects, e.reconnects);
    EXPECT_EQ(got.bytesOut, e.bytesOut);
    EXPECT_EQ(got.bytesIn, e.bytesIn);
    ASSERT_TRUE(got.medianMs.has_value());
    EXPECT_GT(*got.medianMs, 0.0);
    EXPECT_EQ(got.lastError.empty(), !c.fault.has_value()) << got.lastError;

    const std::vector<TrafficRecord> log = f.exchange->monitor().Traffic(kSlot);
    ASSERT_EQ(log.size(), c.log.size());
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].direction, c.log[i].first) << "record " << i;
        EXPECT_EQ(log[i].status, c.log[i].second) << "record " << i;
    }
    EXPECT_EQ(log.back().command, cmd::kStatusPoll);
}

INSTANTIATE_TEST_SUITE_P(Faults, LinkFigures, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

// A device that stays silent: both receives time out, the reconnect work
// connects twice, and the exchange fails with the cause as the last error.
TEST(LinkFiguresFailure, SilentDeviceCountsBothAttemptsAndTellsWhy) {
    FaultFixture f(LinkKind2::Tcp);
    f.exchange->monitor().Clear(kSlot);
    f.device->setSilent(true);
    const ExchangeResult r = f.exchange->Transact(kSlot, Request{cmd::kStatusPoll, {}, {}}, Reporting::Quiet);
    EXPECT_TRUE(r.failed());
    const zef::LinkFigures got = f.exchange->monitor().Figures(kSlot);
    EXPECT_EQ(got.exchanges, 1u);
    EXPECT_EQ(got.timeouts, 3u);  // the first receive and both replays
    EXPECT_EQ(got.retries, 2u);
    EXPECT_EQ(got.reconnects, 2u);
    EXPECT_FALSE(got.medianMs.has_value());
    EXPECT_NE(got.lastError.find("off-line"), std::string::npos) << got.lastError;
    EXPECT_NE(got.lastError.find("status"), std::string::npos) << got.lastError;
    EXPECT_TRUE(got.lastErrorTime.has_value());
}

// The log of a memory read names the command and its parameters.
TEST(TrafficLog, NamesTheCommandAndItsParameters) {
    FaultFixture f(LinkKind2::Tcp);
    f.exchange->monitor().Clear(kSlot);
    ASSERT_TRUE(f.exchange->Transact(kSlot, ReadMemoryRequest(0x0120, 16), Reporting::Quiet).replied());
    const std::vector<TrafficRecord> log = f.exchange->monitor().Traffic(kSlot);
    ASSERT_EQ(log.size(), 2u);
    const std::string out = FormatTrafficRecord(log[0]);
    const std::string in = FormatTrafficRecord(log[1]);
    EXPECT_NE(out.find("-> read-memory (20) p 01 20 10 00 00 00 00 00 13 B sent"), std::string::npos) << out;
    EXPECT_NE(in.find("<- read-memory (20) 21 B ok"), std::string::npos) << in;
}

}  // namespace
}  // namespace zef::test
