// The main window's exit sequence and project buttons.
#include <QFile>
#include <QScreen>
#include <QTableWidget>

#include "recording_dialogs.h"
#include "app/main_actions.h"
#include "files/init_config.h"
#include "transport/qt_transport.h"
#include "files/project_file.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

TEST_F(UiTest, ExitAnsweredNoKeepsEveryConnection) {
    zefsim::Device& a = AddSimDevice("Stage Left");
    zefsim::Device& b = AddSimDevice("Stage Right");
    StartEditor();
    ListAndConnect(1, hosts[0]);
    ListAndConnect(2, hosts[1]);
    a.clearLog();
    b.clearLog();
    for (Answer answer : {Answer::No, Answer::Cancel}) {
        dialogs.answers = {answer};
        EXPECT_FALSE(main->close());
        EXPECT_TRUE(main->isVisible());
    }
    const auto& asks = dialogs.calls;
    ASSERT_EQ(asks.size(), 2u);
    EXPECT_EQ(asks[0].title, "Exit");
    EXPECT_EQ(SplitQuestion(asks[0].text).first, "               Are you sure ? ");
    EXPECT_FALSE(SplitQuestion(asks[0].text).second.empty());
    EXPECT_EQ(asks[0].buttons, Buttons::YesNo);
    for (DeviceSlot s : {1, 2}) {
        EXPECT_TRUE(session->model().entry(s).online) << s;
        EXPECT_TRUE(session->transport().tcp().IsConnected(s)) << s;
    }
    EXPECT_TRUE(a.frames().empty());
    EXPECT_TRUE(b.frames().empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(session->projectTempPath())));
}

TEST_F(UiTest, ExitAnsweredYesSaysGoodbyeAndTheNextStartReadsTheList) {
    zefsim::Device& a = AddSimDevice("Stage Left");
    zefsim::Device& b = AddSimDevice("Stage Right");
    StartEditor();
    ListAndConnect(1, hosts[0]);
    ListAndConnect(3, hosts[1]);
    a.clearLog();
    b.clearLog();
    dialogs.answers = {Answer::Yes};
    EXPECT_TRUE(main->close());
    for (zefsim::Device* d : {&a, &b}) {
        ASSERT_TRUE(WaitFor([&] { return CountCommand(*d, 15) == 1; }, 2000));
        const auto frames = d->frames();
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0], (std::vector<std::uint8_t>{0xF0, 0x21, frames[0][2], 15, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7}));
    }
    EXPECT_FALSE(session->transport().tcp().IsConnected(1));
    EXPECT_FALSE(session->transport().tcp().IsConnected(3));
    ASSERT_TRUE(QFile::exists(QString::fromStdString(session->projectTempPath())));

    // The next start of the editor in the same folder.
    main.reset();
    session.reset();
    RecordingDialogs next;
    EditorSession again(options, folder.path(), next, FastLinkSettings());
    ASSERT_TRUE(again.Start());
    EXPECT_TRUE(next.calls.empty());
    const struct {
        DeviceSlot slot;
        const char* name;
        std::string ip;
    } expected[] = {{1, "Stage Left", hosts[0]}, {3, "Stage Right", hosts[1]}};
    for (const auto& e : expected) {
        const DeviceEntry& entry = again.model().entry(e.slot);
        EXPECT_TRUE(entry.inList) << e.slot;
        EXPECT_EQ(entry.name, e.name);
        EXPECT_EQ(entry.ip, e.ip);
        EXPECT_FALSE(entry.online) << "nothing is connected at start";
    }
    EXPECT_FALSE(again.model().entry(2).inList);
}

TEST_F(UiTest, ProjectsKeepTheMainWindowsPosition) {
    StartEditor();
    // Small enough to stand anywhere on the test screen (it opens filling it).
    main->resize(400, 300);
    main->move(137, 91);
    const std::string path = folder.file("placed.prp");
    dialogs.files = {path};
    ASSERT_TRUE(MainActions(*session).SaveProjectFile());
    const ProjectReadResult saved = ReadProjectFile(path);
    ASSERT_TRUE(saved.status.ok);
    EXPECT_EQ(saved.image.windowValueA, main->x());
    EXPECT_EQ(saved.image.windowValueB, main->y());

    // Loading the project puts the window back where it was.
    main->move(400, 300);
    dialogs.files = {path};
    main->ClickLoadProject();
    EXPECT_EQ(main->pos(), QPoint(saved.image.windowValueA, saved.image.windowValueB));

    // A kept position that would put part of the window off the screen is
    // moved onto it.
    const QRect screen = main->screen()->availableGeometry();
    main->resize(screen.width() / 2, screen.height() / 2);
    main->move(screen.right() - 100, screen.bottom() - 50);
    dialogs.files = {path};
    ASSERT_TRUE(MainActions(*session).SaveProjectFile());
    main->move(screen.topLeft() + QPoint(60, 60));
    dialogs.files = {path};
    main->ClickLoadProject();
    EXPECT_TRUE(screen.contains(main->geometry())) << main->x() << "," << main->y();
    EXPECT_GT(main->x(), screen.x() + 60);
}

TEST_F(UiTest, ProjectButtonsAskOnlyWhileADeviceIsConnected) {
    zefsim::Device& a = AddSimDevice("Stage Left");
    StartEditor();
    // Nothing connected: no question, straight to the file dialog (cancelled here).
    main->ClickLoadProject();
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, "open");
    EXPECT_EQ(dialogs.calls[0].text, "file project (*.Prp)|*.prp\n" + folder.path().string() + "/Project");

    ListAndConnect(1, hosts[0]);
    a.clearLog();
    dialogs.calls.clear();
    dialogs.answers = {Answer::No};
    main->ClickNewProject();
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].title, "New project");
    EXPECT_EQ(dialogs.calls[0].text, "All settings not saved will be lost.\r\nDo you want to continue?");
    EXPECT_TRUE(session->model().entry(1).inList);
    EXPECT_TRUE(session->model().entry(1).online);

    dialogs.answers = {Answer::Yes};
    main->ClickNewProject();
    EXPECT_FALSE(session->model().entry(1).inList);
    EXPECT_EQ(list->table()->rowCount(), 0);
    ASSERT_TRUE(WaitFor([&] { return CountCommand(a, 15) == 1; }, 2000));
    EXPECT_FALSE(session->transport().tcp().IsConnected(1));
}

}  // namespace
}  // namespace zef::test

namespace zef::test {
namespace {

TEST_F(UiTest, AnAnnouncementPortInUseIsSaidAndTheEditorWorksOn) {
    // Another program holds the UDP port.
    QtTransport other(SerialPortMap::RegisteredOnly());
    auto holder = other.NewAnnouncementListener();
    ASSERT_EQ(holder->Listen("", 0), kTransportOk);
    options.announcePort = holder->LocalPort();
    StartEditor();
    EXPECT_NE(session->announcementProblem().find(std::to_string(options.announcePort)), std::string::npos);
    EXPECT_TRUE(dialogs.calls.empty()) << "no box: the status line says it";
    EXPECT_TRUE(list->isVisible());
}

TEST_F(UiTest, TheDeviceListTakesTheSerialPortFromInitCfg) {
    InitConfig config;
    config.serialPortNumber = 7;
    ASSERT_TRUE(WriteInitConfig(folder.path().string(), config));
    StartEditor();
    EXPECT_EQ(session->link().serialPortNumber, 7);
}

}  // namespace
}  // namespace zef::test
