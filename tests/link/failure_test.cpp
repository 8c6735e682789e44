// Exchanges that fail for good: the slot goes off-line, the user is told
// (unless quiet), the link is closed, and the flags end where they began.

#include <QTimer>

#include "link_fixture.h"

namespace zef::test {
namespace {

class TcpFailure : public LinkTest {
protected:
    void SetUp() override { ConnectTcp(); }

    void ExpectClosedDown(bool quiet) {
        EXPECT_FALSE(entry().online);
        EXPECT_EQ(indicatorRefreshes, std::vector<DeviceSlot>{kSlot});
        EXPECT_TRUE(link.linkIdle);
        EXPECT_FALSE(link.linkRecovery);
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
    const Status s = quiet ? rxtx->SendCommandFrameQuiet(kSlot, 1, p) : rxtx->SendCommandFrame(kSlot, 1, p);
    EXPECT_EQ(s, kFailed);
    EXPECT_EQ(presenter.shown, 1);
    EXPECT_EQ(presenter.closed, 1);
    EXPECT_EQ(link.replayResult, 0);
    ExpectClosedDown(quiet);
}

INSTANTIATE_TEST_SUITE_P(Link, SilentDevice, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "quiet" : "loud"; });

TEST_F(TcpFailure, TwoFailedSendsCloseDownWithoutTheReconnectWindow) {
    transport.tcp().Disconnect(kSlot);
    EXPECT_EQ(rxtx->SendCommandFrame(kSlot, 1, {}), kFailed);
    EXPECT_EQ(presenter.shown, 0);
    ExpectClosedDown(false);
    EXPECT_TRUE(device->frames().empty());
}

TEST_F(TcpFailure, NonGenuineIdentifyAnswerIsAFailureWithoutClosingDown) {
    device->garbageNextReply();
    const Status s = rxtx->SendCommandFrame(kSlot, 0, {});
    EXPECT_EQ(s, link.replyBuffer[4] == 0x21 ? kOk : kFailed);
    EXPECT_EQ(link.deviceAddress[kSlot], link.replyBuffer[2]);
    EXPECT_TRUE(entry().online);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(transport.tcp().IsConnected(kSlot));
}

#ifdef NDEBUG
// A release build refuses an exchange started from a timer while another
// one waits for its reply, and leaves the running one alone.
TEST_F(TcpFailure, NestedExchangeIsRefused) {
    device->setReplyDelayMs(150);
    Status nested = kOk;
    QTimer::singleShot(50, [&] { nested = rxtx->SendCommandFrame(kSlot, 3, {}); });
    EXPECT_EQ(rxtx->SendCommandFrame(kSlot, 1, {}), kOk);
    EXPECT_EQ(nested, kFailed);
    EXPECT_EQ(device->frames().size(), 1u);
    EXPECT_TRUE(entry().online);
    EXPECT_TRUE(dialogs.calls.empty());
}
#else
TEST(LinkDeathTest, NestedExchangeAbortsADebugBuild) {
    Model model;
    LinkState link;
    QtTransport transport{SerialPortMap("/dev", false)};
    RecordingDialogs dialogs;
    NullReconnectPresenter presenter;
    ModRxTx rxtx(model, link, transport, dialogs, presenter);
    model.entry(kSlot).online = true;
    link.linkIdle = false;
    EXPECT_DEATH(rxtx.SendCommandFrame(kSlot, 1, {}), "another one was running");
}
#endif

}  // namespace
}  // namespace zef::test
