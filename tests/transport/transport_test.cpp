// The Qt transport on its own: serial port numbering, the address scan and
// the announcement listener, against the simulator on loopback addresses.

#include "transport/qt_transport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <fstream>
#include <functional>

#include "simulator.h"
#include "temp_folder.h"
#include "transport/local_wait.h"

namespace zef::test {
namespace {

// Waits for a condition no signal announces, testing it every 5 ms.
bool WaitFor(int timeoutMs, const std::function<bool()>& done) {
    QTimer tick;
    tick.start(5);
    LocalWait wait;
    wait.WakeOn(&tick, &QTimer::timeout);
    return wait.Run(timeoutMs, done);
}

TEST(SerialPortMap, RegisteredPathsFirstThenUsbDevicesInNaturalOrder) {
    TempFolder dev;
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM1", "ttyUSB0", "ttyS0", "console", "ttyACM"})
        std::ofstream(dev.file(name)) << "";
    SerialPortMap map(dev.path().string(), true);
    map.Register("/tmp/b");
    map.Register("/tmp/a");
    map.Register("/tmp/b");
    map.Register(dev.file("ttyUSB2"));
    const std::vector<std::string> expected = {"/tmp/b",
                                               "/tmp/a",
                                               dev.file("ttyUSB2"),
                                               dev.file("ttyACM"),
                                               dev.file("ttyACM1"),
                                               dev.file("ttyUSB0"),
                                               dev.file("ttyUSB10")};
    EXPECT_EQ(map.Ports(), expected);

    struct Case {
        int number;
        std::optional<std::string> path;
    };
    for (const Case& c : {Case{0, std::nullopt}, Case{1, "/tmp/b"}, Case{3, dev.file("ttyUSB2")},
                          Case{7, dev.file("ttyUSB10")}, Case{8, std::nullopt}, Case{-1, std::nullopt}}) {
        EXPECT_EQ(map.PathOf(c.number), c.path) << "port " << c.number;
    }

    map.Unregister("/tmp/b");
    EXPECT_EQ(map.PathOf(1), "/tmp/a");
    EXPECT_EQ(SerialPortMap(dev.path().string(), false).Ports(), std::vector<std::string>{});
    EXPECT_EQ(SerialPortMap::DisplayName(7), "COM7");
}

TEST(SerialPortMap, NoMoreThan64Ports) {
    SerialPortMap map("/nonexistent", true);
    for (int i = 1; i <= 70; ++i) map.Register("/tmp/port" + std::to_string(i));
    EXPECT_EQ(map.Ports().size(), 64u);
    EXPECT_EQ(map.PathOf(64), "/tmp/port64");
    EXPECT_EQ(map.PathOf(65), std::nullopt);
}

TEST(QtTransport, ScanReportsTheAddressesThatAnswer) {
    zefsim::Simulator sim;
    const std::uint16_t port = sim.listenTcp(sim.addDevice(), "127.0.0.1", 0);
    sim.start();
    QtTransport transport{SerialPortMap("/dev", false)};
    auto client = transport.NewTcpClient();
    ASSERT_EQ(client->Init(33), kTransportOk);
    std::vector<std::vector<std::string>> responses;
    client->SetScanResponseHandler([&](const std::vector<std::string>& a) { responses.push_back(a); });

    const std::vector<std::string> list = {"127.0.0.3", "127.0.0.1", "not an address", "127.0.0.2"};
    const auto probed = client->Scan(list, port, 500, true);
    EXPECT_EQ(probed, (std::vector<std::string>{"127.0.0.3", "127.0.0.1", "127.0.0.2"}));
    ASSERT_EQ(responses.size(), 1u);
    EXPECT_EQ(responses[0], std::vector<std::string>{"127.0.0.1"});

    // Without waiting the answer comes from the event loop, once.
    client->Scan({"127.0.0.1"}, port, 500, false);
    EXPECT_EQ(responses.size(), 1u);
    EXPECT_TRUE(WaitFor(2000, [&] { return responses.size() == 2; }));
    LocalWait::Pause(600);
    ASSERT_EQ(responses.size(), 2u);
    EXPECT_EQ(responses[1], std::vector<std::string>{"127.0.0.1"});
}

TEST(QtTransport, TcpSlotsRefuseWhatTheyCannotDo) {
    QtTransport transport{SerialPortMap("/dev", false)};
    TcpClient& tcp = transport.tcp();
    Bytes reply(13);
    EXPECT_NE(tcp.Send(0, {1, 2, 3}), kTransportOk) << "not connected";
    EXPECT_NE(tcp.Receive(0, reply, 10), kTransportOk);
    EXPECT_NE(tcp.Connect(33, "127.0.0.1", 1, 100), kTransportOk) << "slot out of range";
    EXPECT_NE(tcp.Connect(-1, "127.0.0.1", 1, 100), kTransportOk);
    EXPECT_NE(tcp.Connect(0, "localhost", 1, 100), kTransportOk) << "names are not looked up";
    EXPECT_FALSE(tcp.IsConnected(40));
    tcp.Disconnect(40);
    const auto local = transport.GetLocalAddresses();
    ASSERT_FALSE(local.empty());
    EXPECT_EQ(local.back(), "127.0.0.1");
}

TEST(QtTransport, AnnouncementsArriveWithTheirSender) {
    zefsim::Simulator sim;
    zefsim::DeviceConfig config;
    config.name = "Balcony";
    zefsim::Device& d = sim.addDevice(config);
    sim.listenTcp(d, "127.0.0.1", 0);
    QtTransport transport{SerialPortMap("/dev", false)};
    auto listener = transport.NewAnnouncementListener();
    struct Heard {
        std::string ip;
        Bytes datagram;
        std::uint8_t kind;
    };
    std::vector<Heard> heard;
    listener->SetHandler([&](const std::string& ip, const Bytes& datagram, std::uint8_t kind) {
        heard.push_back({ip, datagram, kind});
    });
    ASSERT_EQ(listener->Listen("127.0.0.1", 0), kTransportOk);
    ASSERT_NE(listener->LocalPort(), 0);
    sim.announceTo(d, "127.0.0.1", listener->LocalPort());
    sim.start();
    sim.announceNow(d);
    ASSERT_TRUE(WaitFor(2000, [&] { return !heard.empty(); }));
    const auto expected = d.announcement();
    EXPECT_EQ(heard[0].ip, "127.0.0.1");
    EXPECT_EQ(heard[0].datagram, Bytes(expected.begin(), expected.end()));
    EXPECT_EQ(heard[0].kind, 0);
    listener->Stop();
    EXPECT_FALSE(listener->IsListening());
}

}  // namespace
}  // namespace zef::test
