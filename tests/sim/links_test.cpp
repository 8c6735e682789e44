// The transports: TCP connection handling and frame assembly, the paced serial line (on a
// pseudo-terminal and inside the process), UDP announcements, many devices in one process.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli.h"
#include "serial_line.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;

class SimTcp : public SimFixture {};

TEST_F(SimTcp, LoneZerosBetweenFramesAreCountedAndIgnored) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(link.exchange(frame(22), 24));
        link.send({0x00});
    }
    link.send({0x00, 0x00});
    EXPECT_EQ(ask(25).size(), 13u);
    EXPECT_TRUE(link.drain(100ms).empty());
    EXPECT_EQ(dev.trailingZeros(), 5u);
    const auto frames = dev.frames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0], frame(22));
    EXPECT_EQ(frames[3], frame(25));
    dev.clearLog();
    EXPECT_EQ(dev.trailingZeros(), 0u);
    EXPECT_TRUE(dev.frames().empty());
}

TEST_F(SimTcp, ResynchronisesOnTheNextFrameStart) {
    struct Case {
        const char* name;
        Bytes noise;
    };
    Bytes badEnd = frame(1, {0, 0, 0, 0, 0, 0, 0, 1});
    badEnd.back() = 0x00;  // 13 bytes without F7 at the end
    Bytes truncated = frame(1, {0, 0, 0, 0, 0, 0, 0, 1});
    truncated.resize(6);
    const Case cases[] = {
        {"stray bytes", {0x12, 0x34, 0xF7, 0x55}},
        {"F0 without 21", {0xF0, 0x22, 0x01}},
        {"frame without end byte", badEnd},
        {"frame cut short", truncated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dev.clearLog();
        Bytes stream = c.noise;
        const Bytes good = frame(22);
        stream.insert(stream.end(), good.begin(), good.end());
        link.send(stream);
        const Bytes reply = link.drain();
        ASSERT_EQ(reply.size(), 24u);
        EXPECT_EQ(reply[3], 22);
        ASSERT_EQ(dev.frames().size(), 1u);
        EXPECT_EQ(dev.frames()[0], good);
        EXPECT_EQ(dev.trailingZeros(), 0u);
        EXPECT_GT(dev.discardedBytes(), 0u);
    }
}

TEST_F(SimTcp, APartialFrameIsForgottenAfterSilence) {
    Bytes start = frame(21, {0x00, 0xF0, 60});  // announces a 68-byte block write
    start.resize(7);
    link.send(start);
    std::this_thread::sleep_for(700ms);
    EXPECT_EQ(link.exchange(frame(22), 24).value_or(Bytes{}).size(), 24u);
}

TEST_F(SimTcp, ASecondConnectionReplacesTheFirst) {
    const Stream second = connectTcp("127.0.0.1", port);
    EXPECT_TRUE(link.closedByPeer());
    EXPECT_EQ(second.exchange(frame(22), 24).value_or(Bytes{}).size(), 24u);
}

TEST(SimDevices, ManyDevicesHaveDistinctIdsNamesAndEndpoints) {
    zefsim::Simulator sim;
    std::vector<std::uint16_t> ports;
    for (int i = 0; i < 3; ++i) {
        zefsim::DeviceConfig c;
        c.name = "Amp " + std::to_string(i);
        zefsim::Device& d = sim.addDevice(c);
        ports.push_back(sim.listenTcp(d, "127.0.0." + std::to_string(2 + i), 0));
    }
    std::vector<Bytes> uids;
    for (int i = 0; i < 3; ++i) {
        const Stream s = connectTcp("127.0.0." + std::to_string(2 + i), ports[i]);
        const auto id = s.exchange(frame(0, {}, 0), 30);
        ASSERT_TRUE(id.has_value());
        EXPECT_EQ(std::string(id->begin() + 13, id->begin() + 29),
                  "Amp " + std::to_string(i) + "           ");
        uids.emplace_back(id->begin() + 6, id->begin() + 12);
        EXPECT_NE(uids.back(), Bytes(6, 0));
    }
    EXPECT_NE(uids[0], uids[1]);
    EXPECT_NE(uids[1], uids[2]);
    EXPECT_NE(uids[0], uids[2]);
    EXPECT_EQ(sim.endpoints(sim.device(1)).tcp,
              std::vector<std::string>{"127.0.0.3:" + std::to_string(ports[1])});
}

TEST(SimDevices, ListeningOnABusyPortThrows) {
    zefsim::Simulator sim;
    zefsim::Device& d = sim.addDevice();
    const std::uint16_t port = sim.listenTcp(d, "127.0.0.1", 0);
    EXPECT_THROW(sim.listenTcp(sim.addDevice(), "127.0.0.1", port), std::runtime_error);
    EXPECT_THROW(sim.listenTcp(d, "not-an-address", 0), std::runtime_error);
}

// A device answers whoever reaches it: outside 127.x.x.x only when asked for.
TEST(SimDevices, ListeningOutsideLoopbackNeedsAllowRemote) {
    zefsim::Simulator sim;
    zefsim::Device& d = sim.addDevice();
    for (const char* host : {"0.0.0.0", "192.168.1.20", "10.0.0.1"}) {
        EXPECT_THROW(sim.listenTcp(d, host, 0), std::runtime_error) << host;
        const std::vector<std::string> args = {"--tcp", std::string(host) + ":1001"};
        EXPECT_THROW(zefsim::parseOptions(args), std::runtime_error) << host;
        std::vector<std::string> allowed = args;
        allowed.push_back("--allow-remote");
        EXPECT_TRUE(zefsim::parseOptions(allowed).allowRemote) << host;
    }
    EXPECT_TRUE(sim.endpoints(d).tcp.empty());
    EXPECT_FALSE(zefsim::parseOptions({"--tcp", "127.0.0.9:0"}).allowRemote);
}

class SimSerial : public ::testing::Test {
protected:
    // One file name per test; a parameterised test's name has a '/' in it.
    std::string link = [] {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        return "/tmp/zefsim-test-" + std::to_string(getpid()) + "-" + name;
    }();
    zefsim::Simulator sim;
    zefsim::Device& dev = sim.addDevice();
};

enum class LineKind { Pty, InProcess };

// The computer's end of the device's serial link: the pseudo-terminal, or the line inside the
// process, both read with the same bounded waits.
class LineEnd {
public:
    LineEnd(zefsim::Simulator& sim, zefsim::Device& dev, const std::string& path, LineKind kind) {
        if (kind == LineKind::Pty) {
            const std::string slave = sim.openSerial(dev, path);
            EXPECT_EQ(std::filesystem::read_symlink(path).string(), slave);
            pty_ = openTerminal(path);
        } else {
            sim.openSerialLine(dev, path);
            line_ = sim.serialLine(path);
            EXPECT_NE(line_, nullptr);
        }
    }
    void send(const Bytes& bytes) const {
        if (line_)
            line_->write(bytes);
        else
            pty_.send(bytes);
    }
    std::optional<Bytes> receive(std::size_t n) const {
        if (!line_) return pty_.receive(n);
        const auto deadline = Clock::now() + 2000ms;
        while (line_->available() < n) {
            if (Clock::now() >= deadline) return std::nullopt;
            std::this_thread::sleep_for(100us);
        }
        return line_->take(n);
    }
    std::optional<Bytes> exchange(const Bytes& request, std::size_t n) const {
        send(request);
        return receive(n);
    }

private:
    Stream pty_;
    std::shared_ptr<zefsim::SerialLine> line_;
};

class SimSerialLine : public SimSerial, public ::testing::WithParamInterface<LineKind> {};

TEST_P(SimSerialLine, BytesArePacedAt9600BaudInBothDirections) {
    const LineEnd s(sim, dev, link, GetParam());
    constexpr auto byteTime = std::chrono::microseconds(1041);

    const auto t0 = Clock::now();
    s.send(frame(25));
    const auto first = s.receive(1);
    const auto t1 = Clock::now();
    const auto rest = s.receive(12);
    const auto t2 = Clock::now();
    ASSERT_TRUE(first && rest);
    EXPECT_EQ((*first)[0], 0xF0);
    EXPECT_EQ(rest->back(), 0xF7);
    // The request needs 13 byte times to arrive, the first reply byte one more to leave,
    // and the whole reply 13.
    EXPECT_GE(t1 - t0, 14 * byteTime);
    EXPECT_GE(t2 - t0, 26 * byteTime);

    // A 30-byte identify reply takes at least 43 byte times in all.
    const auto t3 = Clock::now();
    const auto id = s.exchange(frame(0, {}, 0), 30);
    ASSERT_TRUE(id.has_value());
    EXPECT_GE(Clock::now() - t3, 43 * byteTime);
    EXPECT_EQ((*id)[5], 0);  // interface byte: USB
    EXPECT_EQ(dev.trailingZeros(), 0u);
}

TEST_P(SimSerialLine, BootLoaderModeHandsTheLineToTheInstalledProtocol) {
    struct Inverter : zefsim::ByteProtocol {
        void receive(std::uint8_t byte, zefsim::Clock::time_point at, std::vector<Outgoing>& out) override {
            out.push_back({{static_cast<std::uint8_t>(byte ^ 0xFF)}, at});
        }
    };
    dev.setBootloaderProtocol([](zefsim::Device&) { return std::make_unique<Inverter>(); });
    const LineEnd s(sim, dev, link, GetParam());
    EXPECT_EQ(s.exchange(frame(22), 24).value_or(Bytes{}).size(), 24u);
    dev.setBootloader(true);
    EXPECT_EQ(s.exchange({0x01, 0x02, 0xF0}, 3), (Bytes{0xFE, 0xFD, 0x0F}));
    // The network side keeps the command protocol.
    const Stream tcp = connectTcp("127.0.0.1", sim.listenTcp(dev, "127.0.0.1", 0));
    EXPECT_EQ(tcp.exchange(frame(0, {}, 0), 30).value_or(Bytes(30, 0))[12], 255);
    dev.setBootloader(false);
    EXPECT_EQ(s.exchange(frame(22), 24).value_or(Bytes{}).size(), 24u);
}

INSTANTIATE_TEST_SUITE_P(Lines, SimSerialLine, ::testing::Values(LineKind::Pty, LineKind::InProcess),
                         [](const auto& info) { return info.param == LineKind::Pty ? "Pty" : "InProcess"; });

TEST_F(SimSerial, InProcessLinesAreFoundByNameAndAReopenedNameServesTheNewDevice) {
    EXPECT_EQ(sim.serialLine("ttyNone"), nullptr);
    sim.openSerialLine(dev, "ttyA");
    zefsim::Device& other = sim.addDevice();
    sim.openSerialLine(other, "ttyA");
    const auto line = sim.serialLine("ttyA");
    ASSERT_NE(line, nullptr);
    line->write(frame(0, {}, 0));
    const auto deadline = Clock::now() + 2000ms;
    while (line->available() < 30 && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
    const Bytes reply = line->take(30);
    ASSERT_EQ(reply.size(), 30u);
    const auto uid = other.uid();
    EXPECT_TRUE(std::equal(uid.begin(), uid.end(), reply.begin() + 6));
    EXPECT_TRUE(dev.frames().empty());
    EXPECT_EQ(sim.endpoints(other).serial, std::vector<std::string>{"in-process -> ttyA"});
}

TEST_F(SimSerial, SymlinkIsReplacedAndRemovedButOtherFilesAreRefused) {
    ASSERT_EQ(symlink("/nonexistent", link.c_str()), 0);
    {
        zefsim::Simulator other;
        const std::string slave = other.openSerial(other.addDevice(), link);
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), slave);
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    { std::ofstream(link) << "x"; }
    EXPECT_THROW(sim.openSerial(dev, link), std::runtime_error);
    std::filesystem::remove(link);
}

TEST(SimAnnounce, DatagramCarriesMarkerNetworkTypeUidNameAndChecksum) {
    zefsim::Simulator sim;
    zefsim::DeviceConfig c;
    c.name = "Hall";
    c.uid = {0x00, 0x11, 0x22, 0x33, 0x44, 0xFF};
    c.network = 1;
    c.typeCode = 3;
    zefsim::Device& d = sim.addDevice(c);
    sim.listenTcp(d, "127.0.0.5", 0);
    UdpReceiver udp;
    sim.announceTo(d, "127.0.0.1", udp.port());
    sim.announceNow(d);
    const auto got = udp.receive();
    ASSERT_TRUE(got.has_value());
    const Bytes& b = got->bytes;
    ASSERT_EQ(b.size(), 26u);
    EXPECT_EQ(got->sender, "127.0.0.5");  // the address to connect to
    EXPECT_EQ(b[0], 0x21);
    EXPECT_EQ(b[1], 1);
    EXPECT_EQ(b[2], 3);
    EXPECT_EQ(Bytes(b.begin() + 3, b.begin() + 9), (Bytes{0x00, 0x11, 0x22, 0x33, 0x44, 0xFF}));
    EXPECT_EQ(std::string(b.begin() + 9, b.begin() + 25), "Hall            ");
    unsigned sum = 0;
    for (std::size_t i = 0; i < 25; ++i) sum += b[i];
    EXPECT_EQ(b[25], sum % 256);

    // Periodic announcements.
    sim.setAnnounceIntervalMs(50);
    int received = 0;
    for (int i = 0; i < 3; ++i) received += udp.receive(1000ms).has_value() ? 1 : 0;
    EXPECT_EQ(received, 3);
}

TEST(SimAnnounce, OnlyLoopbackDestinationsAreAccepted) {
    zefsim::Simulator sim;
    zefsim::Device& d = sim.addDevice();
    for (const char* host : {"198.51.100.7", "203.0.113.9", "192.0.2.1", "0.0.0.0", "bogus"}) {
        EXPECT_THROW(sim.announceTo(d, host, 30303), std::runtime_error) << host;
    }
    EXPECT_TRUE(sim.endpoints(d).announce.empty());
    EXPECT_NO_THROW(sim.announceTo(d, "localhost", 30303));
    EXPECT_EQ(sim.endpoints(d).announce, "127.0.0.1:30303");
}

}  // namespace
}  // namespace simtest
