// A USB serial port the system refuses for lack of permission: the Qt serial
// port reports the refusal distinctly, and the editor's connect and USB
// search say so and how to get access instead of "Device not found".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "app/connect_actions.h"
#include "app/search.h"
#include "app/serial_access.h"
#include "device/connection.h"
#include "device/device_reader.h"
#include "recording_dialogs.h"
#include "temp_folder.h"
#include "transport/qt_transport.h"

namespace zef::test {
namespace {

// A serial port whose numbers all fail to open: those in `denied` for lack
// of permission, the others as if nothing were there.
class RefusingSerialPort final : public SerialPort {
public:
    std::set<int> denied;
    int Open(int number, int) override {
        return denied.count(number) ? kTransportPermissionDenied : kTransportFailed;
    }
    void Close() override {}
    bool IsOpen() const override { return false; }
    void Write(const Bytes&) override {}
    int Read(Bytes&, int) override { return kTransportFailed; }
};

// The real transport with the refusing serial port in place of its own.
class RefusingTransport final : public Transport {
public:
    TcpClient& tcp() override { return inner_.tcp(); }
    SerialPort& serial() override { return port; }
    SerialPortMap& serialPorts() override { return ports; }
    std::unique_ptr<TcpClient> NewTcpClient() override { return inner_.NewTcpClient(); }
    std::unique_ptr<AnnouncementListener> NewAnnouncementListener() override {
        return inner_.NewAnnouncementListener();
    }
    std::vector<std::string> GetLocalAddresses() override { return {"127.0.0.1"}; }
    void Pause(int) override {}

    RefusingSerialPort port;
    SerialPortMap ports = SerialPortMap::RegisteredOnly();

private:
    QtTransport inner_{SerialPortMap::RegisteredOnly()};
};

LinkSettings SettingsIn(const TempFolder& folder) {
    LinkSettings s;
    s.configFolder = folder.path().string();
    return s;
}

class SerialPermission : public ::testing::Test {
protected:
    SerialPermission() {
        transport.ports.Register("/dev/ttyUSB0");
        transport.ports.Register("/dev/ttyUSB1");
        DeviceEntry& e = model.entry(1);
        e.inList = true;
        e.interface = kInterfaceUsb;
        e.network = kNetworkUsb;
    }
    std::vector<RecordingDialogs::Call> Messages() const { return dialogs.messages(); }

    TempFolder folder;
    Model model;
    LinkState link;
    RefusingTransport transport;
    DeviceExchange exchange{model, link, transport, SettingsIn(folder)};
    DeviceList list{model};
    RefreshEvents refresh;
    DeviceReader reader{model, exchange, refresh};
    Connection connection{list, exchange, reader, ConnectSettings{true, 200}};
    RecordingDialogs dialogs;
    ParameterWriter writer{model, exchange};
    ConnectActions connect{connection, dialogs, writer};
};

struct Case {
    std::set<int> denied;
    std::string path;  // the device file the message names; "" = no permission message
};
const Case kCases[] = {
    {{}, ""},                  // nothing there: not found, as before
    {{2}, "/dev/ttyUSB1"},     // the second adapter is refused
    {{1, 2}, "/dev/ttyUSB0"},  // the first refused port is named
    {{40}, "COM40"},           // a number without a device file (cannot happen on Linux)
};

void ExpectPermissionMessage(const std::vector<RecordingDialogs::Call>& messages, const Case& c,
                             const char* notFound) {
    ASSERT_EQ(messages.size(), 1u);
    if (c.path.empty()) {
        EXPECT_EQ(messages[0].text, notFound);
        return;
    }
    EXPECT_EQ(messages[0].title, kSerialPermissionTitle);
    EXPECT_EQ(messages[0].text, SerialPermissionText(c.path));
    EXPECT_NE(messages[0].text.find(c.path + "."), std::string::npos);
    EXPECT_NE(messages[0].text.find("dialout"), std::string::npos);
    EXPECT_NE(messages[0].text.find("log in again"), std::string::npos);
    EXPECT_EQ(messages[0].icon, Icon::Exclamation);
}

TEST(SerialPermissionAdvice, EachPlatformGetsItsOwnRemedy) {
    struct Case {
        Platform platform;
        const char* port;
        std::vector<const char*> says;
        std::vector<const char*> never;
    };
    const Case cases[] = {
        {Platform::Linux, "/dev/ttyUSB0", {"dialout", "log in again"}, {"driver"}},
        {Platform::Mac, "/dev/cu.usbserial-A1", {"driver", "Privacy"}, {"dialout", "adduser", "in use"}},
        {Platform::Windows, "COM7", {"in use", "driver"}, {"dialout", "adduser", "log in"}},
    };
    for (const Case& c : cases) {
        const std::string text = SerialPermissionText(c.port, c.platform);
        SCOPED_TRACE(text);
        EXPECT_EQ(text.rfind(std::string(kSerialPermissionText) + c.port + ".", 0), 0u);
        for (const char* word : c.says) EXPECT_NE(text.find(word), std::string::npos) << word;
        for (const char* word : c.never) EXPECT_EQ(text.find(word), std::string::npos) << word;
    }
}

TEST_F(SerialPermission, ConnectingOneUsbDeviceSaysWhyNotFound) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.path);
        dialogs.calls.clear();
        transport.port.denied = c.denied;
        EXPECT_FALSE(connect.ConnectOne(1, ConnectMode::Read));
        ExpectPermissionMessage(Messages(), c, kDeviceNotFoundText);
        EXPECT_EQ(exchange.serialAccessDenied(), c.path);
    }
}

TEST_F(SerialPermission, ConnectingAllSaysWhyNoneWasFound) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.path);
        dialogs.calls.clear();
        transport.port.denied = c.denied;
        EXPECT_EQ(connect.ConnectAll(ConnectMode::Read), 0);
        ExpectPermissionMessage(Messages(), c, kDevicesNotFoundText);
    }
}

TEST_F(SerialPermission, UsbSearchSaysWhyNothingWasFound) {
    model.entry(1).inList = false;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.path);
        dialogs.calls.clear();
        transport.port.denied = c.denied;
        DeviceSearch search(list, exchange, dialogs, SearchSettings{.loopbackIsNetwork = true});
        EXPECT_FALSE(search.StartUsb());
        if (c.path.empty()) {
            EXPECT_TRUE(Messages().empty());  // nothing found is no error of its own
        } else {
            ExpectPermissionMessage(Messages(), c, "");
        }
    }
}

TEST_F(SerialPermission, AnOpenThatIsAllowedAgainForgetsTheRefusal) {
    transport.port.denied = {1};
    connect.ConnectOne(1, ConnectMode::Read);
    ASSERT_EQ(exchange.serialAccessDenied(), "/dev/ttyUSB0");
    transport.port.denied = {};
    dialogs.calls.clear();
    connect.ConnectOne(1, ConnectMode::Read);
    EXPECT_EQ(exchange.serialAccessDenied(), "");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, kDeviceNotFoundText);
}

// ---- The Qt serial port on a real terminal device ----

// Opens port 1 = `path` with the Qt transport; its result code.
int OpenWithQt(const std::string& path) {
    QtTransport t{SerialPortMap::RegisteredOnly()};
    t.serialPorts().Register(path);
    const int result = t.serial().Open(1, kSerialBaudRate);
    t.serial().Close();
    return result;
}

// OpenWithQt(path) as the unprivileged user "nobody", in a child process.
int OpenWithQtAsNobody(const std::string& path) {
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
        const int r = OpenWithQt(path);
        _exit(r == kTransportPermissionDenied ? 0 : r == kTransportOk ? 1 : 2);
    }
    int status = 0;
    for (int i = 0; i < 400; ++i) {  // 20 s at most
        if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return -1;
}

TEST(QtSerialPort, ARefusedTerminalIsPermissionDeniedAndAMissingOneIsNot) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string terminal = ptsname(master);
    // Readable and writable by its owner only.
    ASSERT_EQ(chmod(terminal.c_str(), 0600), 0);
    EXPECT_EQ(OpenWithQt(terminal), kTransportOk);
    EXPECT_EQ(OpenWithQt("/dev/zef-no-such-port"), kTransportFailed);
    if (geteuid() == 0) {
        const int r = OpenWithQtAsNobody(terminal);
        if (r == 100) GTEST_SKIP() << "cannot become nobody";
        EXPECT_EQ(r, 0) << "1: opened, 2: failed without a permission error, -1: crashed or hung";
    } else {
        ASSERT_EQ(chmod(terminal.c_str(), 0), 0);
        EXPECT_EQ(OpenWithQt(terminal), kTransportPermissionDenied);
    }
    close(master);
}

}  // namespace
}  // namespace zef::test
