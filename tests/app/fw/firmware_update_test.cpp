// The firmware update window's logic with the real loader against the simulated amplifier's
// boot loader on a 9600-baud pseudo-terminal: good updates, every failure the device can
// produce, damaged files and an update cut off half-way; the loader's port names.

#include "app/firmware_update.h"

#include <gtest/gtest.h>

#include <fstream>

#include "fw_fixture.h"
#include "device/memory_transfer.h"
#include "files/sfu_file.h"
#include "zefsim/cli.h"

namespace zef::fwtest {
namespace {

struct RecordingView final : FirmwareUpdateView {
    void ShowDevice(const std::string& n, const std::string& u) override {
        name = n;
        uid = u;
    }
    void ShowFile(const std::string& label) override { file = label; }
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    void ShowProgress(std::optional<int> percent) override { progress.push_back(percent); }
    void CloseWindow() override { ++closed; }

    std::string name, uid, file;
    std::vector<std::string> statuses;
    std::vector<std::optional<int>> progress;
    int closed = 0;
};

class FirmwareTest : public SimLink {
protected:
    void SetUp() override {
        ConnectUsb();
        entry().name = "Rack 3";
        entry().uniqueId = "025A45460001";
        offlineRows = update.wentOffline.Connect([this](DeviceSlot slot) { presenterRefreshes.push_back(slot); });
        update.Load();
    }

    std::string WriteFirmware(const std::string& name, const Bytes& image, std::uint8_t minor,
                              std::uint16_t model = kModelCodeZef4260) {
        const std::string path = folder.file(name);
        EXPECT_TRUE(WriteFileAtomically(path, BuildSfu({model, 3, minor, 1, 0, 0}, image)));
        return path;
    }

    std::string Control(const std::string& line) { return zefsim::runControl(sim, line).output; }

    Bytes Version() const { return device->memory(1, 3); }

    void ForgetCalls() {
        dialogs.calls.clear();
        view = RecordingView{};
    }

    RecordingView view;
    std::vector<DeviceSlot> presenterRefreshes;
    Subscription offlineRows;
    SerialFwLoader loader{std::make_unique<QtSerialPort>(transport.serialPorts()), FastLoader()};
    FirmwareUpdate update{model, *exchange, transport.serial(), dialogs, loader, view, kSlot};
};

TEST_F(FirmwareTest, GoodFileReplacesTheFirmwareAndTheDeviceLeavesItsBootLoader) {
    EXPECT_EQ(view.name, "Rack 3");
    EXPECT_EQ(view.uid, "025A45460001");
    EXPECT_EQ(view.statuses, std::vector<std::string>{"Status:"});
    EXPECT_EQ(view.progress, std::vector<std::optional<int>>{std::nullopt});
    EXPECT_EQ(view.file, "Search .sfu file");
    const Bytes image = TestImage(2500, 1);
    update.SetFile(WriteFirmware("good.sfu", image, 4));
    ASSERT_EQ(update.Start(), 0);

    // Released from the normal link first: command 15, off-line, indicator, port closed.
    const auto frames = device->frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], (Bytes{0xF0, 0x21, kDeviceAddress, 15, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7}));
    EXPECT_EQ(frames[1], (Bytes{0xF0, 0x21, 0x00, 90, 'B', 'O', 'O', 'T', 0, 0, 0, 0, 0xF7}));
    EXPECT_FALSE(entry().online);
    EXPECT_EQ(presenterRefreshes, std::vector<DeviceSlot>{kSlot});
    EXPECT_FALSE(transport.serial().IsOpen());

    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].title, "Firmware Update");
    EXPECT_EQ(dialogs.messages()[0].text, "Firmware successfully loaded!");
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::Exclamation);
    EXPECT_EQ(view.closed, 1);
    EXPECT_EQ(update.state(), FirmwareUpdate::State::Done);
    for (const std::string& s : view.statuses) EXPECT_EQ(s.rfind("Status:", 0), 0u) << s;
    EXPECT_NE(std::find(view.statuses.begin(), view.statuses.end(), "Status: Writing"), view.statuses.end());
    std::vector<int> percents;
    for (const auto& p : view.progress)
        if (p) percents.push_back(*p);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    for (int p : {40, 81, 100})
        EXPECT_NE(std::find(percents.begin(), percents.end(), p), percents.end()) << p;

    EXPECT_FALSE(device->bootloader());
    EXPECT_EQ(boot->state().image, image);
    // The device, on-line again through the ordinary protocol, reports the new version.
    const auto id = exchange->IdentifyDevice(kSlot);
    ASSERT_TRUE(id.has_value());
    EXPECT_FALSE(id->bootLoader);
    entry().online = true;
    std::array<std::uint8_t, 3> version{};
    ASSERT_EQ(ReadMemoryBlock(*exchange, kSlot, 1, version), kOk);
    EXPECT_EQ(Bytes(version.begin(), version.end()), (Bytes{3, 4, 1}));
}

TEST_F(FirmwareTest, EveryDeviceFailureReachesItsMessageAndTheNextAttemptSucceeds) {
    struct Case {
        const char* fault;  // control command of the simulator
        const char* clear;
        int code;
    };
    const std::vector<Case> cases = {
        {"bootfault 1 wrong-file", "bootfault 1 none", 1},
        {"bootfault 1 protected", "bootfault 1 none", 2},
        {"bootfault 1 erase", "bootfault 1 none", 3},
        {"bootfault 1 write 1", "bootfault 1 none", 4},
        {"bootfault 1 mute", "bootfault 1 none", 5},
        {"silent 1 on", "silent 1 off", 5},
        {"bootfault 1 interrupt 1", "bootfault 1 none", 6},
        {"bootfault 1 checksum 3", "bootfault 1 none", 7},
        {"bootfault 1 noise 3", "bootfault 1 none", 7},
        {"bootfault 1 unavailable", "bootfault 1 none", 8},
        {"bootfault 1 checksum 2", "bootfault 1 none", 0},
        {"bootfault 1 noise 2", "bootfault 1 none", 0},
    };
    std::uint8_t minor = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        ForgetCalls();
        const Bytes image = TestImage(1100, minor);
        const std::string path = WriteFirmware("fw" + std::to_string(minor) + ".sfu", image, minor);
        update.SetFile(path);
        ASSERT_EQ(Control(c.fault), "ok\n");
        EXPECT_EQ(update.Start(), c.code);
        if (c.code != 0) {
            ASSERT_EQ(dialogs.messages().size(), 1u);
            EXPECT_EQ(dialogs.messages()[0].title, "Firmware Update");
            // A refused file is named, with the reason.
            EXPECT_EQ(dialogs.messages()[0].text,
                      FwFailureText(c.code) + (c.code == 1 ? "\r\n" + path + ": the device refused its header" : ""));
            EXPECT_EQ(dialogs.messages()[0].icon, Icon::Exclamation);
            ASSERT_FALSE(view.statuses.empty());
            EXPECT_EQ(view.statuses.back(), "Status:");
            EXPECT_EQ(view.progress.back(), std::nullopt);
            EXPECT_EQ(view.closed, 0);
            EXPECT_EQ(update.state(), FirmwareUpdate::State::FileChosen);
            EXPECT_NE(Version(), (Bytes{3, minor, 1}));
            // Ready for another attempt once the device behaves.
            ASSERT_EQ(Control(c.clear), "ok\n");
            ForgetCalls();
            EXPECT_EQ(update.Start(), 0);
        }
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_EQ(dialogs.messages()[0].text, "Firmware successfully loaded!");
        EXPECT_EQ(Version(), (Bytes{3, minor, 1}));
        EXPECT_FALSE(device->bootloader());
        EXPECT_EQ(boot->state().image, image);
        ++minor;
    }
}

TEST_F(FirmwareTest, DamagedFilesAreRefusedBeforeAnythingIsSent) {
    entry().online = false;  // nothing to release: whatever arrives comes from the loader
    const Bytes good = BuildSfu({}, TestImage(1500, 2));
    struct Case {
        const char* name;
        Bytes bytes;
        const char* problem;
    };
    const auto edited = [&](auto edit) {
        Bytes b = good;
        edit(b);
        return b;
    };
    const std::vector<Case> cases = {
        {"empty", {}, "the file is shorter than a firmware header"},
        {"truncated", Bytes(good.begin(), good.end() - 1), "the firmware file is incomplete"},
        {"header only", Bytes(good.begin(), good.begin() + kSfuHeaderSize), "the firmware file is incomplete"},
        {"image byte flipped", edited([](Bytes& b) { b[700] ^= 0x20; }), "the firmware image is damaged"},
        {"version byte flipped", edited([](Bytes& b) { b[9] ^= 0x01; }), "the firmware header is damaged"},
        {"not a firmware file", TestImage(900, 4), "not a firmware file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForgetCalls();
        const std::string path = folder.file("bad.sfu");
        ASSERT_TRUE(WriteFileAtomically(path, c.bytes));
        update.SetFile(path);
        EXPECT_EQ(update.Start(), 1);
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_EQ(dialogs.messages()[0].text, "Wrong firmware file!\r\n" + path + ": " + c.problem);
        EXPECT_TRUE(device->frames().empty());
        EXPECT_EQ(device->discardedBytes(), 0u);
        EXPECT_EQ(boot->state().bytesReceived, 0u);
    }
    ForgetCalls();
    update.SetFile(folder.file("missing.sfu"));
    EXPECT_EQ(update.Start(), 1);
    EXPECT_EQ(dialogs.messages().at(0).text, "Wrong firmware file!\r\n" + folder.file("missing.sfu") + ": no such file");
    EXPECT_TRUE(device->frames().empty());

    // A sound file made for another model is refused once the device has said what it is,
    // before anything is erased.
    ForgetCalls();
    const std::string other = WriteFirmware("other.sfu", TestImage(1500, 3), 0, 4261);
    update.SetFile(other);
    EXPECT_EQ(update.Start(), 1);
    EXPECT_EQ(dialogs.messages().at(0).text,
              "Wrong firmware file!\r\n" + other + ": made for model 4261, the device is model 4260");
    EXPECT_TRUE(boot->state().runnable);
    EXPECT_EQ(boot->state().expectedLength, 0u);
    EXPECT_EQ(boot->state().requests, 1u);  // HELLO only
}

TEST_F(FirmwareTest, UpdateCutOffHalfWayLeavesTheBootLoaderAndASecondOneSucceeds) {
    const Bytes image = TestImage(3000, 9);
    update.SetFile(WriteFirmware("cut.sfu", image, 7));
    ASSERT_EQ(Control("bootfault 1 interrupt 1"), "ok\n");
    EXPECT_EQ(update.Start(), kFwTimeout);
    EXPECT_EQ(dialogs.messages().at(0).text, "Command timeout expired. Please try again.");

    EXPECT_TRUE(device->bootloader());
    const auto cut = boot->state();
    EXPECT_FALSE(cut.runnable);
    EXPECT_EQ(cut.expectedLength, 3000u);
    EXPECT_EQ(cut.written, 1024u);
    // The ordinary protocol still finds it, as a device in its boot loader.
    const auto id = exchange->IdentifyDevice(kSlot);
    ASSERT_TRUE(id.has_value());
    EXPECT_TRUE(id->bootLoader);

    ForgetCalls();
    ASSERT_EQ(update.Start(), 0);
    EXPECT_EQ(dialogs.messages().at(0).text, "Firmware successfully loaded!");
    EXPECT_FALSE(device->bootloader());
    EXPECT_EQ(Version(), (Bytes{3, 7, 1}));
    EXPECT_EQ(boot->state().image, image);
}

TEST_F(FirmwareTest, StartWithoutAFileAndStrayEventsChangeNothing) {
    EXPECT_EQ(update.Start(), std::nullopt);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].title, "Search File");
    EXPECT_EQ(dialogs.messages()[0].text, "please insert a .sfu file");
    EXPECT_EQ(dialogs.messages()[0].icon, Icon::Exclamation);
    EXPECT_TRUE(entry().online);
    EXPECT_TRUE(transport.serial().IsOpen());
    EXPECT_TRUE(device->frames().empty());
    EXPECT_EQ(update.state(), FirmwareUpdate::State::Idle);

    ForgetCalls();
    update.OnProgress(0, " Writing", 42);
    EXPECT_EQ(view.statuses, std::vector<std::string>{"Status: Writing"});
    EXPECT_EQ(view.progress, std::vector<std::optional<int>>{42});
    for (int code : {9, 10, -1, 255}) update.OnProgress(code, "ignored", 77);
    EXPECT_EQ(view.statuses.size(), 1u);
    EXPECT_EQ(view.progress.size(), 1u);
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(FirmwareTest, APortWithoutADeviceCannotBeConnected) {
    entry().online = false;
    link.serialPortNumber = 7;  // no device file has that number
    update.SetFile(WriteFirmware("any.sfu", TestImage(500, 5), 1));
    EXPECT_EQ(update.Start(), kFwNoDevice);
    EXPECT_EQ(dialogs.messages().at(0).text, "Can't connect device");
    EXPECT_EQ(boot->state().bytesReceived, 0u);
}

TEST(BootloaderControl, CommandsAreCheckedBeforeTheyAct) {
    zefsim::Simulator sim;
    zefsim::Device& d = sim.addDevice();
    sim.addDevice();  // without a boot loader
    zefsim::installBootloader(d);
    EXPECT_EQ(zefsim::installBootloader(d), zefsim::bootloaderOf(d));
    struct Case {
        const char* line;
        const char* output;  // exact, or the start of an error
    };
    for (const Case& c : {Case{"bootfault 1 write 2", "ok\n"}, Case{"bootfault 1 none", "ok\n"},
                          Case{"bootstatus 1", "normal firmware, flash runnable, installed image 0 bytes"},
                          Case{"bootfault 1 write", "error: bootfault DEVICE write takes a count N"},
                          Case{"bootfault 1 mute 3", "error: mute takes no count"},
                          Case{"bootfault 1 melt", "error: unknown boot-loader fault"},
                          Case{"bootfault 3 none", "error: no device 3"},
                          Case{"bootfault 2 none", "error: device 2 has no boot loader"},
                          Case{"bootfault 1", "error: bootfault takes a DEVICE and a KIND"}}) {
        const std::string out = zefsim::runControl(sim, c.line).output;
        EXPECT_EQ(out.rfind(c.output, 0), 0u) << c.line << " -> " << out;
    }
    EXPECT_NE(zefsim::runControl(sim, "help").output.find("bootfault DEVICE interrupt N"), std::string::npos);
}

TEST(FwLoaderPort, OnlyComOneToSixtyFourNamesAPort) {
    struct Case {
        const char* name;
        std::optional<int> number;
    };
    for (const Case& c : {Case{"COM1", 1}, Case{"COM64", 64}, Case{"COM9", 9}, Case{"COM65", std::nullopt},
                          Case{"COM0", std::nullopt}, Case{"COM01", std::nullopt}, Case{"com1", std::nullopt},
                          Case{"COM", std::nullopt}, Case{"COM1x", std::nullopt}, Case{"COM-1", std::nullopt},
                          Case{"/dev/ttyUSB0", std::nullopt}})
        EXPECT_EQ(SerialFwLoader::PortNumber(c.name), c.number) << c.name;
}

}  // namespace
}  // namespace zef::fwtest
