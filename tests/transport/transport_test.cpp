// The Qt transport on its own: serial port numbering, the address scan and
// the announcement listener, against the simulator on loopback addresses.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <functional>

#include "simulator.h"
#include "transport/local_wait.h"
#include "transport/qt_transport.h"

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

SerialPortDescription Usb(std::string path, std::uint16_t vendor, std::uint16_t product) {
    return {std::move(path), vendor, product};
}

TEST(SerialPorts, RegisteredPathsAsGivenThenAmplifierBridgesInNaturalOrder) {
    using Paths = std::vector<std::string>;
    const SerialPortDescription ftdi = Usb("/dev/ttyUSB10", 0x0403, 0x6001);
    const SerialPortDescription cp210x = Usb("/dev/ttyUSB2", 0x10C4, 0xEA60);
    const SerialPortDescription ch340 = Usb("/dev/ttyACM1", 0x1A86, 0x7523);
    const SerialPortDescription pl2303 = Usb("/dev/ttyUSB0", 0x067B, 0x2303);
    const SerialPortDescription ft231x = Usb("/dev/ttyACM", 0x0403, 0x6015);
    struct Case {
        const char* what;
        Paths registered;
        std::vector<SerialPortDescription> system;
        Paths expected;
    };
    const Case cases[] = {
        {"nothing anywhere", {}, {}, {}},
        {"every bridge, natural order",
         {},
         {ftdi, cp210x, ch340, pl2303, ft231x},
         {"/dev/ttyACM", "/dev/ttyACM1", "/dev/ttyUSB0", "/dev/ttyUSB2", "/dev/ttyUSB10"}},
        {"other adapters and built-in ports are not amplifiers",
         {},
         {Usb("/dev/ttyUSB0", 0x0403, 0x6010),
          Usb("/dev/ttyACM0", 0x2341, 0x0043),
          {"/dev/ttyS0", {}, {}},
          {"/dev/ttyUSB3", 0x0403, std::nullopt},
          cp210x},
         {"/dev/ttyUSB2"}},
        {"registered first, in registration order, once",
         {"/tmp/b", "/tmp/a", "/dev/ttyUSB2"},
         {ftdi, cp210x},
         {"/tmp/b", "/tmp/a", "/dev/ttyUSB2", "/dev/ttyUSB10"}},
        {"a Windows port name is used as given, never renumbered",
         {"COM7"},
         {Usb("COM10", 0x0403, 0x6001), Usb("COM9", 0x10C4, 0xEA60), Usb("COM7", 0x0403, 0x6001),
          Usb("COM1", 0x0403, 0x6010)},
         {"COM7", "COM9", "COM10"}},
        {"COM ports above 64 are reachable", {"COM200"}, {}, {"COM200"}},
        {"macOS: the call-out device of each adapter, not its dial-in twin",
         {"/dev/cu.usbserial-B2"},
         {Usb("/dev/tty.usbserial-A1", 0x0403, 0x6001), Usb("/dev/cu.usbserial-A1", 0x0403, 0x6001),
          Usb("/dev/cu.SLAB_USBtoUART", 0x10C4, 0xEA60), Usb("/dev/tty.SLAB_USBtoUART", 0x10C4, 0xEA60),
          Usb("/dev/cu.usbserial-B2", 0x0403, 0x6001)},
         {"/dev/cu.usbserial-B2", "/dev/cu.SLAB_USBtoUART", "/dev/cu.usbserial-A1"}},
        {"a pseudo-terminal given explicitly", {"/dev/pts/7"}, {pl2303}, {"/dev/pts/7", "/dev/ttyUSB0"}},
    };
    for (const Case& c : cases) EXPECT_EQ(ChooseSerialPorts(c.registered, c.system), c.expected) << c.what;
}

TEST(SerialPortMap, NumbersFollowTheListMadeAtEachLookup) {
    std::vector<SerialPortDescription> plugged = {Usb("/dev/ttyUSB2", 0x0403, 0x6001)};
    SerialPortMap map([&plugged] { return plugged; });
    map.Register("/tmp/b");
    map.Register("/tmp/a");
    map.Register("/tmp/b");
    struct Case {
        int number;
        std::optional<std::string> path;
    };
    for (const Case& c : {Case{0, std::nullopt}, Case{1, "/tmp/b"}, Case{2, "/tmp/a"},
                          Case{3, "/dev/ttyUSB2"}, Case{4, std::nullopt}, Case{-1, std::nullopt}})
        EXPECT_EQ(map.PathOf(c.number), c.path) << "port " << c.number;
    plugged.push_back(Usb("/dev/ttyUSB1", 0x1A86, 0x7523));
    EXPECT_EQ(map.PathOf(3), "/dev/ttyUSB1");  // plugged in later: found at the next lookup
    map.Unregister("/tmp/b");
    EXPECT_EQ(map.PathOf(1), "/tmp/a");
    EXPECT_EQ(SerialPortMap::RegisteredOnly().Ports(), std::vector<std::string>{});
    EXPECT_EQ(SerialPortMap::DisplayName(7), "COM7");
}

TEST(SerialPortMap, NoMoreThan64Ports) {
    SerialPortMap map = SerialPortMap::RegisteredOnly();
    for (int i = 1; i <= 70; ++i) map.Register("/tmp/port" + std::to_string(i));
    EXPECT_EQ(map.Ports().size(), 64u);
    EXPECT_EQ(map.PathOf(64), "/tmp/port64");
    EXPECT_EQ(map.PathOf(65), std::nullopt);
}

TEST(QtTransport, ScanReportsTheAddressesThatAnswer) {
    zefsim::Simulator sim;
    const std::uint16_t port = sim.listenTcp(sim.addDevice(), "127.0.0.1", 0);
    sim.start();
    QtTransport transport{SerialPortMap::RegisteredOnly()};
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
    QtTransport transport{SerialPortMap::RegisteredOnly()};
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
    QtTransport transport{SerialPortMap::RegisteredOnly()};
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
