// Replies that come after their time-out, and the overall deadline.

#include <gtest/gtest.h>

#include "device/memory_transfer.h"
#include "fault_fixture.h"
#include "protocol/commands.h"

namespace zef::test {
namespace {

std::vector<std::uint8_t> Read(FaultFixture& f, std::uint16_t address, std::size_t count, Status& status) {
    std::vector<std::uint8_t> out(count, 0xEE);
    status = ReadMemoryBlock(*f.exchange, kSlot, address, out);
    return out;
}

// A read that failed for good leaves its late replies on the serial line;
// the next read (same command, same length, other address) still gets its
// own bytes, also after the port was closed and opened again.
TEST(LateReply, SerialLineStaysUnsynchronisedAcrossAFailedExchange) {
    FaultFixture f(LinkKind2::Usb);
    f.device->setReplyDelayMs(2500);  // every reply after the 2000 ms memory time-out
    Status status = kOk;
    Read(f, 0, 120, status);
    EXPECT_EQ(status, kFailed);
    EXPECT_FALSE(f.model.entry(kSlot).online);
    EXPECT_TRUE(f.exchange->serialUnsynchronised());

    f.device->setReplyDelayMs(0);
    f.model.entry(kSlot).online = true;
    const std::vector<std::uint8_t> second = Read(f, 120, 120, status);
    ASSERT_EQ(status, kOk);
    EXPECT_EQ(second, f.device->memory(120, 120));
    EXPECT_FALSE(f.exchange->serialUnsynchronised());
}

// A device answering a read later than the time-out: every block still
// lands at its own address (the whole read equals the device).
TEST(LateReply, TcpReadOfEqualBlocksKeepsEveryBlockInPlace) {
    FaultFixture f(LinkKind2::Tcp);
    std::vector<std::uint8_t> pattern(240);
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<std::uint8_t>(i);
    f.device->setMemory(0, pattern);
    f.device->armFault(zefsim::Device::ArmedFault::Late, 0, 2500);
    Status status = kOk;
    EXPECT_EQ(Read(f, 0, 120, status), std::vector<std::uint8_t>(pattern.begin(), pattern.begin() + 120));
    ASSERT_EQ(status, kOk);
    EXPECT_EQ(Read(f, 120, 120, status), std::vector<std::uint8_t>(pattern.begin() + 120, pattern.end()));
    ASSERT_EQ(status, kOk);
}

// Past the deadline nothing waits: the failed receive is not replayed.
TEST(Deadline, EndsTheExchangeInsteadOfTheReconnectWork) {
    for (const LinkKind2 kind : {LinkKind2::Tcp, LinkKind2::Usb}) {
        FaultFixture f(kind);
        int reconnects = 0;
        const Subscription s = f.exchange->reconnecting.Connect([&](bool on) { reconnects += on ? 1 : 0; });
        f.device->setSilent(true);
        f.exchange->SetDeadline(DeviceExchange::Clock::now() + std::chrono::milliseconds(300));
        Status status = kOk;
        Read(f, 0, 120, status);
        EXPECT_EQ(status, kFailed);
        EXPECT_TRUE(f.exchange->DeadlinePassed());
        EXPECT_EQ(f.device->frames().size(), 1u) << "sent once, never replayed";
        EXPECT_EQ(reconnects, 0);
        EXPECT_EQ(f.exchange->Budget(1000), 0);
    }
}

}  // namespace
}  // namespace zef::test
