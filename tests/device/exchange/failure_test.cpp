// Exchanges that fail for good: the slot goes off-line, the user is told
// (unless quiet), the link is closed, and the flags end where they began.

#include <QTimer>

#include "recording_dialogs.h"
#include "link_fixture.h"

namespace zef::test {
namespace {

class TcpFailure : public LinkTest {
protected:
    void SetUp() override { ConnectTcp(); }

    void ExpectClosedDown(bool quiet) {
        EXPECT_FALSE(entry().online);
        EXPECT_EQ(indicatorRefreshes, std::vector<DeviceSlot>{kSlot});
        EXPECT_FALSE(link.exchanging());
        EXPECT_FALSE(link.recovering());
        EXPECT_FALSE(transport.tcp().IsConnected(kSlot));
        const auto messages = dialogs.messages();
        if (quiet) {
            EXPECT_TRUE(messages.empty());
            return;
        }
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].title, "Communication Error");
        EXPECT_EQ(messages[0].text, "Connection will be closed.\r\nCommand Timeout Expired.");
        EXPECT_EQ(messages[0].icon, Icon::Exclamation);
        // While the user reads it the slot is already off-line and the link
        // still busy and recovering, so no timer starts an exchange.
        EXPECT_FALSE(dialogs.onlineAtMessage);
        EXPECT_TRUE(dialogs.recoveryAtMessage);
        EXPECT_FALSE(dialogs.idleAtMessage);
    }
};

class SilentDevice : public TcpFailure, public ::testing::WithParamInterface<bool> {};

TEST_P(SilentDevice, EndsOfflineAfterTheReconnectWindow) {
    const bool quiet = GetParam();
    device->setSilent(true);
    const CommandParams p{2, 0, 0, 0, 0, 0, 0, 1};
    const Status s = quiet ? exchange->SendCommandFrameQuiet(kSlot, 1, p) : exchange->SendCommandFrame(kSlot, 1, p);
    EXPECT_EQ(s, kFailed);
    EXPECT_EQ(presenter.shown, 1);
    EXPECT_EQ(presenter.closed, 1);
    ExpectClosedDown(quiet);
}

INSTANTIATE_TEST_SUITE_P(Link, SilentDevice, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "quiet" : "loud"; });

TEST_F(TcpFailure, TwoFailedSendsCloseDownWithoutTheReconnectWindow) {
    transport.tcp().Disconnect(kSlot);
    EXPECT_EQ(exchange->SendCommandFrame(kSlot, 1, {}), kFailed);
    EXPECT_EQ(presenter.shown, 0);
    ExpectClosedDown(false);
    EXPECT_TRUE(device->frames().empty());
}

TEST_F(TcpFailure, GarbledReplyIsNoReplyAndIsRecovered) {
    // Noise of the right length is not taken for the answer: the frame is
    // replayed and the replay's genuine reply is the result.
    for (const std::uint8_t command : {std::uint8_t{0}, std::uint8_t{1}, std::uint8_t{20}}) {
        SCOPED_TRACE(int{command});
        device->clearLog();
        device->garbageNextReply();
        const Request request = command == 20 ? ReadMemoryRequest(0, 120) : Request{command, {2}, {}};
        const ExchangeResult r = exchange->Transact(kSlot, request, Reporting::Tell);
        ASSERT_TRUE(r.replied());
        EXPECT_EQ(CheckReply(request, r.reply()), ReplyFault::None);
        EXPECT_EQ(device->frames().size(), 2u) << "sent, then replayed";
        EXPECT_EQ(link.deviceAddress[kSlot], 0x11);
        EXPECT_TRUE(entry().online);
    }
    EXPECT_TRUE(dialogs.calls.empty());
}

#ifdef NDEBUG
// A release build refuses an exchange started from a timer while another
// one waits for its reply, and leaves the running one alone.
TEST_F(TcpFailure, NestedExchangeIsRefused) {
    device->setReplyDelayMs(150);
    Status nested = kOk;
    QTimer::singleShot(50, [&] { nested = exchange->SendCommandFrame(kSlot, 3, {}); });
    EXPECT_EQ(exchange->SendCommandFrame(kSlot, 1, {}), kOk);
    EXPECT_EQ(nested, kFailed);
    EXPECT_EQ(device->frames().size(), 1u);
    EXPECT_TRUE(entry().online);
    EXPECT_TRUE(dialogs.calls.empty());
}
#else
TEST(LinkDeathTest, NestedExchangeAbortsADebugBuild) {
    Model model;
    LinkState link;
    QtTransport transport{SerialPortMap::RegisteredOnly()};
    DeviceExchange exchange(model, link, transport);
    model.entry(kSlot).online = true;
    const LinkState::Exchanging running(link);
    EXPECT_DEATH(exchange.SendCommandFrame(kSlot, 1, {}), "one device exchange at a time");
}
#endif

}  // namespace
}  // namespace zef::test
