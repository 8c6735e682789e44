// The windows opened for one device: network settings, firmware, version.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/firmware_window.h"
#include "ui/setup_window.h"
#include "ui/version_window.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

TEST_F(UiTest, SetupPagesShowTheImageAndApplyWritesTheLanBlock) {
    zefsim::Device& device = AddSimDevice("Stage Left");
    StartEditor();
    ListAndConnect(1, hosts[0]);
    NetworkSetupWindow setup(session->model(), session->exchange(), session->dialogs(), 1);
    const NetworkSetupWindow::PageControls& lan = setup.page(NetworkSetupWindow::kPageLan);
    lan.octets[0][0]->setText("127");
    lan.octets[0][3]->setText("77");
    lan.octets[1][0]->setText("255");
    device.clearLog();

    dialogs.answers = {Answer::No};
    EXPECT_EQ(setup.ClickApply(NetworkSetupWindow::kPageLan), ApplyResult::Declined);
    EXPECT_TRUE(device.frames().empty());

    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(setup.ClickApply(NetworkSetupWindow::kPageLan), ApplyResult::Written);
    ASSERT_TRUE(WaitFor([&] { return CountCommand(device, 21) == 1; }, 2000));
    const auto memory = device.memory(29, 13);
    EXPECT_EQ(memory[1], 127);  // address 30..33
    EXPECT_EQ(memory[4], 77);
    EXPECT_EQ(memory[5], 255);  // mask 34

    // Off-line: nothing is asked and nothing is sent.
    session->model().entry(1).online = false;
    device.clearLog();
    dialogs.calls.clear();
    EXPECT_EQ(setup.ClickApply(NetworkSetupWindow::kPageLan), ApplyResult::Offline);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(device.frames().empty());
}

TEST_F(UiTest, FirmwareWindowRefusesToStartWithoutAFile) {
    StartEditor();
    DeviceEntry& e = session->model().entry(2);
    e = ClearedEntry(2);
    e.inList = true;
    e.interface = kInterfaceUsb;
    e.name = "Delay Tower";
    e.uniqueId = "025A45460003";
    for (auto kind : {FwUpdateWindow::Kind::BootLoader, FwUpdateWindow::Kind::Update}) {
        dialogs.calls.clear();
        FwUpdateWindow window(FirmwareToolsOf(*session), 2, kind);
        EXPECT_EQ(window.fileLabel()->text(), "Search .sfu file");
        EXPECT_EQ(window.statusLabel()->text(), "Status:");
        EXPECT_EQ(window.percentLabel()->text(), "");
        window.ClickStart();
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_EQ(dialogs.messages()[0].title, "Search File");
        EXPECT_EQ(dialogs.messages()[0].text, "please insert a .sfu file");
        EXPECT_FALSE(session->transport().serial().IsOpen());
        EXPECT_EQ(window.objectName(), kind == FwUpdateWindow::Kind::BootLoader ? "frmFwBootLoader" : "FwUpdateDemo");
    }
}

TEST_F(UiTest, VersionWindowShowsSoftwareAndDeviceFirmware) {
    zefsim::Device& device = AddSimDevice("Stage Left");
    device.setFirmware(2, 3, 4);
    StartEditor();
    ListAndConnect(1, hosts[0]);
    VersionWindow version(session->model(), 1);
    EXPECT_EQ(version.softwareText(), "1.1.4");
    // As the settings image shows it: bytes 3, 2, 1.
    EXPECT_EQ(version.firmwareText(), "2.3.4");  // major.minor.patch as the device reports it
}

}  // namespace
}  // namespace zef::test
