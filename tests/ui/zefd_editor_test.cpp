// The editor and a zefd on the same amplifier: connecting a device that zefd
// holds asks the user, then works through zefd (an edit reaches the device
// and zefd's stream clients), or has zefd let it go and connects directly,
// or does not connect.
#include <QJsonArray>
#include <QLineEdit>
#include <fstream>

#include "app/remote_control.h"
#include "app/zefd_guard.h"
#include "protocol/commands.h"
#include "remote/device_host.h"
#include "remote/remote_service.h"
#include "remote_client.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

class ZefdEditorTest : public UiTest {
protected:
    // The device "Stage Left" on 127.0.0.1, held by a zefd on a free port
    // that the editor is told to ask.
    void Start() {
        device = &AddSimDevice("Stage Left");
        StartEditor();
        LinkSettings link = FastLinkSettings(folder.path().string());
        link.devicePort = devicePort;
        host = std::make_unique<remote::DeviceHost>(link, "");
        ASSERT_EQ(host->Hold({{hosts[0], ""}}), std::vector<DeviceSlot>{1});
        ASSERT_TRUE(host->model.entry(1).online);
        remote::ServiceSettings settings;
        settings.port = 0;
        service = std::make_unique<remote::RemoteService>(host->stack(), settings);
        std::string error;
        ASSERT_TRUE(service->Start(error)) << error;
        std::ofstream(folder.file(kRemoteConfigName)) << "zefd 127.0.0.1:" << service->port() << "\n";
        device->clearLog();
    }
    void TearDown() override {
        if (session) session->connection().DisconnectAll();
        service.reset();
        host.reset();
    }
    // The questions asked so far.
    std::vector<RecordingDialogs::Call> Questions() const {
        std::vector<RecordingDialogs::Call> asked;
        for (const auto& c : dialogs.calls)
            if (c.kind == "ask" && c.title == kHeldByZefdTitle) asked.push_back(c);
        return asked;
    }
    QJsonObject ZefdState() { return Request(service->port(), "GET", "/api/v1/devices/1").json(); }

    zefsim::Device* device = nullptr;
    std::unique_ptr<remote::DeviceHost> host;
    std::unique_ptr<remote::RemoteService> service;
};

TEST_F(ZefdEditorTest, WorkingThroughZefdTheEditsReachTheDeviceAndZefdsClients) {
    Start();
    dialogs.answers = {Answer::Yes};
    ASSERT_TRUE(ListAndClickConnect(1, hosts[0]));
    const auto asked = Questions();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].buttons, Buttons::YesNoCancel);
    EXPECT_NE(asked[0].text.find("zefd at 127.0.0.1:" + std::to_string(service->port()) + " holds Stage Left"),
              std::string::npos)
        << asked[0].text;
    ASSERT_TRUE(session->routes().route(1));
    EXPECT_EQ(session->model().entry(1).name, "Stage Left");
    EXPECT_TRUE(ZefdState()["online"].toBool());  // zefd stays the controller
    EXPECT_TRUE(FramesWithCode(*device, cmd::kClose).empty());

    StreamClient client(service->port());
    client.Send({{"subscribe", QJsonArray{"1"}}});
    ASSERT_TRUE(client.WaitFor(Event("device", "1")));
    ChannelEditorWindow& editor = ShowEditorWithoutTimers(1);
    device->clearLog();
    NumberControl& gain = NumberOf(editor, "out1.gain");
    gain.box()->setText("-10");
    gain.CommitText();
    EXPECT_EQ(FramesWithCode(*device, cmd::kGain),
              (std::vector<std::vector<std::uint8_t>>{{0xF0, 0x21, 0x11, cmd::kGain, 2, 0, 0, 0, 0, 0, 0, 100, 0xF7}}));
    EXPECT_EQ(device->memory(kPresetBaseAddress + 493, 1)[0], 100);
    const auto changed = client.WaitFor(Event("changed", "1"));
    ASSERT_TRUE(changed);
    EXPECT_EQ((*changed)["values"].toObject()["out1.gain"].toDouble(), -10);
}

TEST_F(ZefdEditorTest, LettingGoConnectsDirectlyAndZefdReportsTheDeviceReleased) {
    Start();
    dialogs.answers = {Answer::No};
    ASSERT_TRUE(ListAndClickConnect(1, hosts[0]));
    EXPECT_EQ(Questions().size(), 1u);
    EXPECT_FALSE(session->routes().route(1));
    const QJsonObject state = ZefdState();
    EXPECT_TRUE(state["released"].toBool());
    EXPECT_FALSE(state["online"].toBool());
    // zefd said goodbye before the editor identified the device on its own connection.
    const auto frames = device->frames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front()[3], cmd::kClose);
    EXPECT_EQ(FramesWithCode(*device, cmd::kClose).size(), 1u);
    EXPECT_FALSE(FramesWithCode(*device, cmd::kIdentify).empty());

    // Connected again later: zefd no longer holds it, nothing is asked.
    session->connection().Disconnect(1);
    ASSERT_TRUE(ListAndClickConnect(1, hosts[0]));
    EXPECT_EQ(Questions().size(), 1u);
}

TEST_F(ZefdEditorTest, CancellingConnectsNothingAndTellsNoFailure) {
    Start();
    dialogs.answers = {Answer::Cancel};
    EXPECT_FALSE(ListAndClickConnect(1, hosts[0]));
    EXPECT_EQ(Questions().size(), 1u);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_TRUE(device->frames().empty());
    EXPECT_TRUE(ZefdState()["online"].toBool());
}

}  // namespace
}  // namespace zef::test
