#pragma once
// Window tests against an in-process simulator: a session with scripted
// dialogs, the main window with the device list, and simulated amplifiers on
// 127.0.0.1 (each on its own port, the session's device port set to match
// the first one).

#include <gtest/gtest.h>

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/editor_session.h"
#include "recording_dialogs.h"
#include "sim_link.h"
#include "simulator.h"
#include "temp_folder.h"
#include "ui/channel_editor.h"
#include "ui/device_list_window.h"
#include "ui/main_window.h"
#include "ui/param_controls.h"

namespace zef::test {

// Answers the modal windows that appear while a test runs: each new modal
// window (other than the reconnect window) is handed to `handler` once.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QWidget*)> handler);
    ~ModalDriver();
    // Object names of the modal windows seen, in order.
    std::vector<std::string> seen;

private:
    std::function<void(QWidget*)> handler_;
    QTimer timer_;
    QWidget* last_ = nullptr;
};

// Clicks "Connect" in the connect dialog (read mode) and closes anything else.
void ConnectOrClose(QWidget* modal);

// Runs the event loop until `done` holds or `maxMs` passed.
bool WaitFor(const std::function<bool()>& done, int maxMs);

class UiTest : public ::testing::Test {
protected:
    UiTest();
    ~UiTest() override;

    // Makes a simulated device listening on 127.0.0.1; the first one's port
    // becomes the session's device port (every device of a test shares it
    // through its own loopback address otherwise), so use one device per
    // address: 127.0.0.1, then 127.0.0.2 ...
    zefsim::Device& AddSimDevice(const std::string& name);
    // Builds the session, starts it and opens the main window with the list.
    void StartEditor(LinkSettings link = FastLinkSettings(), MainTimings timings = {60000, 60000, 60000});
    // Puts the device at `ip` in the list (slot `slot`) and connects it
    // through the connect dialog, reading its settings.
    void ListAndConnect(DeviceSlot slot, const std::string& ip);
    // The same, without asserting the outcome; whether the slot is on-line.
    bool ListAndClickConnect(DeviceSlot slot, const std::string& ip);
    // The channel editor of `slot`, shown, with its status poll and update
    // timers stopped so that only what the test does reaches the device.
    ChannelEditorWindow& ShowEditorWithoutTimers(DeviceSlot slot);
    // One simulated amplifier "Amp" in slot 1, connected and read, its editor
    // shown without timers at 1000 x 700; the device's log and the dialogs'
    // calls are cleared, so a test sees only what it does.
    ChannelEditorWindow& OpenQuietEditor(zefsim::Device*& device);
    // The editor's number control of parameter `name` (a test failure when
    // the parameter has no number control).
    static NumberControl& NumberOf(const ChannelEditorWindow& editor, const std::string& name);
    // Frames of `device` with command code `command`.
    static int CountCommand(const zefsim::Device& device, std::uint8_t command);

    TempFolder folder;
    zefsim::Simulator sim;
    std::vector<zefsim::Device*> devices;
    std::vector<std::string> hosts;
    std::uint16_t devicePort = 0;
    RecordingDialogs dialogs;
    EditorOptions options;
    std::unique_ptr<EditorSession> session;
    std::unique_ptr<MainWindow> main;
    DeviceListWindow* list = nullptr;
};

}  // namespace zef::test
