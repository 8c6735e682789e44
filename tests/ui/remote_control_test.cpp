// The remote-control service inside the editor: switched on from its window,
// an edit over HTTP shows in the open channel editor at once, an edit in the
// editor reaches a stream client, the interface lock refuses remote writes,
// and the window's checks and tokens.
#include <QCheckBox>
#include <QJsonArray>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <fstream>

#include "remote/tokens.h"
#include "remote_client.h"
#include "ui/remote_control_window.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

class RemoteEditorTest : public UiTest {
protected:
    void Open() {
        device = &AddSimDevice("Stage Left");
        StartEditor();
        ListAndConnect(1, hosts[0]);
        editor = &ShowEditorWithoutTimers(1);
        window = std::make_unique<RemoteControlWindow>(session->remoteControl(), main.get());
        port = static_cast<std::uint16_t>(23000 + QCoreApplication::applicationPid() % 20000);
        window->portBox()->setValue(port);
    }
    zefsim::Device* device = nullptr;
    ChannelEditorWindow* editor = nullptr;
    std::unique_ptr<RemoteControlWindow> window;
    std::uint16_t port = 0;
};

TEST_F(RemoteEditorTest, RemoteAndWindowEditsMeet) {
    Open();
    window->ClickSwitch();
    ASSERT_TRUE(session->remoteControl().running()) << window->statusLabel()->text().toStdString();
    EXPECT_TRUE(window->statusLabel()->text().startsWith("Serving HTTP and the stream on 127.0.0.1:"));
    EXPECT_FALSE(window->addressBox()->isEnabled());

    // Remote → the open editor, at once.
    ASSERT_EQ(Request(port, "PUT", "/api/v1/devices/1/parameters/out1.gain", R"({"value":-10})").status, 200);
    EXPECT_EQ(NumberOf(*editor, "out1.gain").box()->text(), "-10");
    EXPECT_EQ(device->memory(kPresetBaseAddress + 493, 1)[0], 100);

    // The editor → a stream client.
    StreamClient client(port);
    client.Send({{"subscribe", QJsonArray{"1"}}});
    ASSERT_TRUE(client.WaitFor(Event("device", "1")));
    NumberControl& gain = NumberOf(*editor, "out1.gain");
    gain.box()->setText("-6");
    gain.CommitText();
    const auto changed = client.WaitFor(Event("changed", "1"));
    ASSERT_TRUE(changed);
    EXPECT_EQ((*changed)["values"].toObject()["out1.gain"].toDouble(), -6);

    // The interface lock holds remote writes off.
    session->model().device(1).values.lock = 1;
    EXPECT_EQ(Request(port, "PUT", "/api/v1/devices/1/parameters/out1.gain", R"({"value":-20})").errorCode(), "locked");
    session->model().device(1).values.lock = 0;

    window->ClickSwitch();
    EXPECT_FALSE(session->remoteControl().running());
    EXPECT_EQ(window->statusLabel()->text(), "Off");
    EXPECT_EQ(Request(port, "GET", "/api/v1/devices").status, 0);  // nothing listens any more
}

TEST_F(RemoteEditorTest, AnotherAddressNeedsAToken) {
    Open();
    window->addressBox()->setText("0.0.0.0");
    window->ClickSwitch();
    EXPECT_FALSE(session->remoteControl().running());
    EXPECT_TRUE(window->statusLabel()->text().contains("needs at least one token"));

    window->ClickNewToken(remote::Access::Read);
    const std::string token = window->tokenBox()->text().toStdString();
    ASSERT_EQ(token.size(), 43u);
    const remote::RemoteConfig kept = session->remoteControl().Load();
    ASSERT_EQ(kept.tokens.size(), 1u);
    EXPECT_EQ(kept.tokens[0].hash, remote::HashToken(token));
    EXPECT_EQ(kept.tokens[0].access, remote::Access::Read);
    // The file never holds the token itself.
    std::ifstream file(folder.file(kRemoteConfigName));
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(text.find(token), std::string::npos);

    // Loopback with the read token: it reads, and may not write.
    window->addressBox()->setText("127.0.0.1");
    window->ClickSwitch();
    ASSERT_TRUE(session->remoteControl().running());
    EXPECT_EQ(Request(port, "GET", "/api/v1/devices").status, 401);
    EXPECT_EQ(Request(port, "GET", "/api/v1/devices", "", token).status, 200);
    EXPECT_EQ(Request(port, "PUT", "/api/v1/devices/1/parameters/out1.mute", R"({"value":true})", token).errorCode(),
              "read_only");
}

}  // namespace
}  // namespace zef::test
