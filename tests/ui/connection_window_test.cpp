// Connecting, disconnecting and polling through the windows, against the
// simulator over loopback TCP.
#include <QLabel>
#include <QTableWidget>

#include "ui_fixture.h"

namespace zef::test {
namespace {

TEST_F(UiTest, AnnouncementAnsweredYesConnectsAndShowsOnline) {
    zefsim::Device& device = AddSimDevice("Stage Left");
    StartEditor();
    ASSERT_NE(session->announcePort(), 0);
    sim.announceTo(device, "127.0.0.1", session->announcePort());
    dialogs.answers = {Answer::Yes};
    ModalDriver driver(ConnectOrClose);
    sim.announceNow(device);
    ASSERT_TRUE(WaitFor([&] { return session->model().entry(1).online; }, 10000));
    ASSERT_FALSE(dialogs.calls.empty());
    EXPECT_EQ(dialogs.calls[0].kind, "ask");
    EXPECT_EQ(dialogs.calls[0].title, "LAN Device Discovery");
    EXPECT_EQ(dialogs.calls[0].text.rfind("Found Stage Left@127.0.0.1 (UDID:", 0), 0u) << dialogs.calls[0].text;
    EXPECT_EQ(driver.seen, std::vector<std::string>{"FrmConnect"});
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColStatus), "On-line");
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColName), "Stage Left");
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColInterface), "LAN");
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColIp), "127.0.0.1");
    // Connected in read mode: identify, then the firmware bytes, then memory reads.
    EXPECT_GE(CountCommand(device, 0), 1);
    EXPECT_GE(CountCommand(device, 20), 2);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(UiTest, DisconnectAnsweredNoChangesNothingAndYesDisconnects) {
    zefsim::Device& device = AddSimDevice("Stage Left");
    StartEditor();
    ListAndConnect(1, hosts[0]);
    device.clearLog();
    dialogs.answers = {Answer::No};
    list->ClickStatus(1);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].title, "Disconnect");
    EXPECT_EQ(dialogs.calls[0].text, "Disconnect Device: Stage Left,\r\nare you sure?");
    EXPECT_TRUE(session->model().entry(1).online);
    EXPECT_TRUE(session->transport().tcp().IsConnected(1));
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColStatus), "On-line");
    EXPECT_TRUE(device.frames().empty());

    dialogs.answers = {Answer::Yes};
    list->ClickStatus(1);
    EXPECT_FALSE(session->model().entry(1).online);
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColStatus), "Off-line");
    ASSERT_TRUE(WaitFor([&] { return CountCommand(device, 15) == 1; }, 2000));
}

TEST_F(UiTest, DeviceThatStopsAnsweringIsReportedOnceAndComesBackByItself) {
    zefsim::Device& device = AddSimDevice("Stage Left");
    StartEditor();
    ListAndConnect(1, hosts[0]);
    ChannelEditorWindow& editor = ShowEditorWithoutTimers(1);
    main->StatusTick();
    EXPECT_TRUE(session->model().entry(1).online);
    EXPECT_EQ(CountCommand(device, 22), 1);

    // The list and the editor's header say the same at the same moment.
    device.setSilent(true);
    main->StatusTick();
    EXPECT_FALSE(session->model().entry(1).online);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].title, "Communication problem");
    EXPECT_EQ(dialogs.messages()[0].text, "IP:" + hosts[0] + " disconnected");
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::Exclamation);
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColStatus), "Offline (editing)") << "its editor is open";
    EXPECT_EQ(editor.onlineLabel()->text(), "Off-line");

    // Answering again, it is back without the user doing anything, and the
    // message about it is withdrawn.
    device.setSilent(false);
    main->StatusTick();
    EXPECT_TRUE(session->model().entry(1).online);
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColStatus), "On-line");
    EXPECT_EQ(editor.onlineLabel()->text(), "On-line");
    EXPECT_EQ(dialogs.messages().size(), 1u);
    ASSERT_FALSE(dialogs.calls.empty());
    EXPECT_EQ(dialogs.calls.back().kind, "withdraw");
    EXPECT_EQ(dialogs.calls.back().text, "IP:" + hosts[0] + " disconnected");
    device.clearLog();
    main->StatusTick();
    EXPECT_EQ(CountCommand(device, 22), 1) << "polled again";
}

TEST_F(UiTest, TheStatusTicksGoOnWhileTheLostMessageIsOpen) {
    // The message stays open (a nested event loop) until it is withdrawn:
    // the main window's own ticks must bring the device back meanwhile.
    zefsim::Device& device = AddSimDevice("Stage Left");
    StartEditor(FastLinkSettings(), MainTimings{50, 100, 60000});
    ListAndConnect(1, hosts[0]);
    bool withdrawn = false;
    bool openedOffLine = false;
    dialogs.whileMessageOpen = [&] {
        openedOffLine = !session->model().entry(1).online;
        device.setSilent(false);
        withdrawn = WaitFor([&] { return !dialogs.calls.empty() && dialogs.calls.back().kind == "withdraw"; }, 5000);
    };
    // Past the first tick, which sets the timer's period (and so restarts it).
    main->StartTimers();
    ASSERT_TRUE(WaitFor([&] { return main->statusTicks() >= 2; }, 5000));
    device.setSilent(true);
    ASSERT_TRUE(WaitFor([&] { return !dialogs.messages().empty(); }, 10000));
    EXPECT_TRUE(openedOffLine);
    EXPECT_TRUE(withdrawn) << "the message stayed open with the device back";
    EXPECT_TRUE(session->model().entry(1).online);
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColStatus), "On-line");
}

TEST_F(UiTest, PollShowsStandbyAndAlertFromTheDevice) {
    zefsim::Device& device = AddSimDevice("Stage Left");
    StartEditor();
    ListAndConnect(1, hosts[0]);
    struct Case {
        std::uint8_t standby;
        bool alert;
        const char* text;
    };
    for (const Case& c : {Case{1, false, "Standby=ON"}, Case{0, true, "Standby=OFF"}, Case{0, false, "Standby=OFF"}}) {
        device.setMemory(206, {c.standby});
        device.setAlert(c.alert);
        main->StatusTick();
        list->RefreshAll();
        EXPECT_EQ(list->cellText(1, DeviceListWindow::kColStandby), c.text);
        EXPECT_EQ(session->model().device(1).alert, c.alert);
    }
}

TEST_F(UiTest, WindowKeepsTickingDuringASlowExchange) {
    zefsim::Device& device = AddSimDevice("Stage Left");
    LinkSettings link = FastLinkSettings();
    link.replies.other = 4000;
    StartEditor(link, MainTimings{20, 600000, 50});
    ListAndConnect(1, hosts[0]);
    main->StartTimers();
    ASSERT_TRUE(WaitFor([&] { return main->blinkTicks() > 0; }, 2000));
    device.setReplyDelayMs(2000);
    const int before = main->blinkTicks();
    EXPECT_EQ(session->exchange().SendCommandFrame(1, 1, CommandParams{2, 0, 0, 0, 0, 0, 0, 10}), kOk);
    const int during = main->blinkTicks() - before;
    // 2 s at 50 ms a tick is 40 ticks; a window frozen by the exchange would see none.
    EXPECT_GE(during, 10);
    EXPECT_TRUE(session->model().entry(1).online);
}

}  // namespace
}  // namespace zef::test
