// zefd as a program: its options, a configuration it refuses line by line,
// and a whole run against simulated amplifiers — serving, then saying
// goodbye to the devices when it is told to stop — over the network and over
// a serial line.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QProcess>
#include <QTcpServer>
#include <filesystem>
#include <fstream>
#include <regex>

#include "protocol/commands.h"
#include "remote/tokens.h"
#include "remote_client.h"
#include "sim_link.h"
#include "sim_network.h"
#include "sim_serial_port.h"
#include "temp_folder.h"

namespace zef::test {
namespace {

struct Outcome {
    int code = -1;
    std::string out, err;
};

// A loopback port free now, for a zefd to listen on (a port derived from the
// process id may be another process's ephemeral port).
std::uint16_t FreeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
    return probe.serverPort();
}

Outcome Zefd(const QStringList& args) {
    QProcess p;
    p.start(ZEFD_PATH, args);
    Outcome r;
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(2000);
        return r;
    }
    r.code = p.exitCode();
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

TEST(Zefd, AnswersItsOptions) {
    const Outcome version = Zefd({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("zefd ", 0), 0u) << version.out;
    const Outcome help = Zefd({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("--config FILE"), std::string::npos);
    const Outcome wrong = Zefd({"--serve"});
    EXPECT_EQ(wrong.code, 2);
    EXPECT_NE(wrong.err.find("usage: zefd"), std::string::npos);
}

TEST(Zefd, NewTokensComeWithTheLineThatKeepsTheirHash) {
    for (const char* access : {"read", "write"}) {
        const Outcome r = Zefd({"--new-token", access});
        ASSERT_EQ(r.code, 0);
        std::smatch m;
        ASSERT_TRUE(std::regex_search(r.out, m, std::regex(R"(token: +(\S+)\nconfiguration line: token ([0-9a-f]{64}) (\w+))")))
            << r.out;
        EXPECT_EQ(m[2].str(), remote::HashHex(remote::HashToken(m[1].str())));
        EXPECT_EQ(m[3].str(), access);
    }
    EXPECT_EQ(Zefd({"--new-token", "admin"}).code, 2);
}

TEST(Zefd, RefusesABadConfigurationLineByLine) {
    TempFolder folder;
    std::ofstream(folder.file("bad.conf")) << "device 127.0.0.2\nlisten 0.0.0.0:8320\nspeed 9\n";
    const Outcome r = Zefd({"--config", QString::fromStdString(folder.file("bad.conf"))});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("bad.conf: line 3: unknown setting 'speed'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("needs at least one token"), std::string::npos) << r.err;
    EXPECT_EQ(Zefd({"--config", QString::fromStdString(folder.file("missing.conf"))}).code, 1);
}

TEST(Zefd, ServesSimulatedAmplifiersUntilStopped) {
    TempFolder folder;
    SimNetwork net;
    net.Start({{"127.0.0.2", Config("Stage Left", 1)}, {"127.0.0.3", Config("Stage Right", 2)}});
    const int port = FreeLoopbackPort();
    ASSERT_NE(port, 0);
    const std::string token = remote::NewToken();
    std::ofstream(folder.file("zefd.conf")) << "device 127.0.0.2\ndevice 127.0.0.3\ndevice-port " << net.port()
                                            << "\nlisten 127.0.0.1:" << port << "\ntoken "
                                            << remote::HashHex(remote::HashToken(token)) << " write\ndata "
                                            << folder.path().string() << "\n";
    QProcess zefd;
    zefd.start(ZEFD_PATH, {"--config", QString::fromStdString(folder.file("zefd.conf"))});
    HttpAnswer devices;
    // zefd answers while it still connects its devices: wait until both are on-line.
    ASSERT_TRUE(RunUntil([&] {
        devices = Request(static_cast<std::uint16_t>(port), "GET", "/api/v1/devices", "", token);
        const QJsonArray held = devices.json()["devices"].toArray();
        return devices.status == 200 && held.size() == 2 && held[0].toObject()["online"].toBool() &&
               held[1].toObject()["online"].toBool();
    }, 20000)) << zefd.readAllStandardOutput().toStdString() << zefd.readAllStandardError().toStdString();
    const QJsonArray list = devices.json()["devices"].toArray();
    ASSERT_EQ(list.size(), 2);
    EXPECT_TRUE(list[0].toObject()["online"].toBool());
    EXPECT_EQ(list[1].toObject()["name"].toString(), "Stage Right");
    EXPECT_EQ(Request(static_cast<std::uint16_t>(port), "GET", "/api/v1/devices").status, 401);
    const HttpAnswer set = Request(static_cast<std::uint16_t>(port), "PUT", "/api/v1/devices/2/parameters/out2.mute",
                                   R"({"value":true})", token);
    EXPECT_EQ(set.status, 200) << set.body.toStdString();
    EXPECT_EQ(FramesWithCode(net.device(1), cmd::kMute).size(), 1u);

    zefd.terminate();
    ASSERT_TRUE(zefd.waitForFinished(10000));
    EXPECT_EQ(zefd.exitCode(), 0);
    EXPECT_NE(zefd.readAllStandardOutput().toStdString().find("zefd: stopped"), std::string::npos);
    for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(FramesWithCode(net.device(i), cmd::kClose).size(), 1u) << i;
}

// zefctl asks the zefd of its remote.conf first: a device zefd holds is
// worked through zefd's link, so zefd keeps it and sees the edit.
TEST(Zefd, ZefctlWorksADeviceZefdHoldsThroughZefd) {
    TempFolder folder;
    SimNetwork net;
    net.Start({{"127.0.0.2", Config("Stage Left", 1)}});
    const int port = FreeLoopbackPort();
    ASSERT_NE(port, 0);
    const auto p = static_cast<std::uint16_t>(port);
    const std::string token = remote::NewToken();
    std::ofstream(folder.file("zefd.conf")) << "device 127.0.0.2\ndevice-port " << net.port() << "\nlisten 127.0.0.1:"
                                            << port << "\ntoken " << remote::HashHex(remote::HashToken(token))
                                            << " write\nrate 1000\ndata " << folder.path().string() << "\n";
    QProcess zefd;
    zefd.start(ZEFD_PATH, {"--config", QString::fromStdString(folder.file("zefd.conf"))});
    ASSERT_TRUE(RunUntil([&] { return Request(p, "GET", "/api/v1/devices/1", "", token).json()["online"].toBool(); },
                         20000))
        << zefd.readAllStandardOutput().toStdString() << zefd.readAllStandardError().toStdString();
    const std::string ctl = (folder.path() / "ctl").string();
    std::filesystem::create_directories(ctl);
    std::ofstream(ctl + "/remote.conf") << "zefd 127.0.0.1:" << port << " " << token << "\n";
    net.device(0).clearLog();

    QProcess zefctl;
    zefctl.start(ZEFCTL_PATH, {"--config", QString::fromStdString(ctl), "--port", QString::number(net.port()), "set",
                               "127.0.0.2", "out1.gain", "-3"});
    ASSERT_TRUE(RunUntil([&] { return zefctl.state() == QProcess::NotRunning; }, 30000));
    const std::string err = zefctl.readAllStandardError().toStdString();
    EXPECT_EQ(zefctl.exitCode(), 0) << err;
    EXPECT_EQ(zefctl.readAllStandardOutput().toStdString(), "out1.gain = -3 dB\n");
    EXPECT_NE(err.find("127.0.0.2 is held by zefd at 127.0.0.1:" + std::to_string(port) + ": working through it"),
              std::string::npos)
        << err;
    // One gain frame (output 1 = channel 2, -3 dB = code 114), and zefctl's goodbye never reached the device.
    const auto gains = FramesWithCode(net.device(0), cmd::kGain);
    ASSERT_EQ(gains.size(), 1u);
    EXPECT_EQ(gains[0], (std::vector<std::uint8_t>{0xF0, 0x21, 0x01, cmd::kGain, 2, 0, 0, 0, 0, 0, 0, 114, 0xF7}));
    EXPECT_TRUE(FramesWithCode(net.device(0), cmd::kClose).empty());
    EXPECT_TRUE(RunUntil(
        [&] {
            return Request(p, "GET", "/api/v1/devices/1/parameters/out1.gain", "", token).json()["value"].toDouble() ==
                   -3;
        },
        5000))
        << "zefd reads the device back after the edit";
    const HttpAnswer after = Request(p, "GET", "/api/v1/devices/1", "", token);
    EXPECT_TRUE(after.json()["online"].toBool()) << "zefd still holds it: " << after.body.toStdString();

    zefd.terminate();
    ASSERT_TRUE(zefd.waitForFinished(10000));
}

TEST(Zefd, HoldsTheAmplifierOnItsSerialLine) {
    TempFolder folder;
    zefsim::Simulator sim;
    zefsim::Device& desk = sim.addDevice(Config("Desk", 7));
    const std::string line = folder.file("ttyZEF");
    OpenSimSerial(sim, desk, line, SerialKind::Pty);
    sim.start();
    const int port = FreeLoopbackPort();
    ASSERT_NE(port, 0);
    std::ofstream(folder.file("zefd.conf")) << "device serial:" << line << "\nlisten 127.0.0.1:" << port
                                            << "\ndata " << folder.path().string() << "\n";
    QProcess zefd;
    zefd.start(ZEFD_PATH, {"--config", QString::fromStdString(folder.file("zefd.conf"))});
    const auto p = static_cast<std::uint16_t>(port);
    // Reading the whole device takes seconds at 9600 baud.
    ASSERT_TRUE(RunUntil([&] { return Request(p, "GET", "/api/v1/devices/1").json()["online"].toBool(); }, 60000))
        << zefd.readAllStandardOutput().toStdString() << zefd.readAllStandardError().toStdString();
    const QJsonObject state = Request(p, "GET", "/api/v1/devices/1").json();
    EXPECT_EQ(state["address"].toString(), "usb");
    EXPECT_EQ(state["uniqueId"].toString().toStdString(), UidText(7));
    desk.clearLog();

    const HttpAnswer set = Request(p, "PUT", "/api/v1/devices/1/parameters/out1.gain", R"({"value":-10})");
    EXPECT_EQ(set.status, 200) << set.body.toStdString();
    // Gain of output 1 (channel 2) at code 100 (-10 dB), to the simulated device's address 01.
    const auto gains = FramesWithCode(desk, cmd::kGain);
    ASSERT_EQ(gains.size(), 1u);
    EXPECT_EQ(gains[0], (std::vector<std::uint8_t>{0xF0, 0x21, 0x01, cmd::kGain, 2, 0, 0, 0, 0, 0, 0, 100, 0xF7}));
    EXPECT_EQ(Request(p, "GET", "/api/v1/devices/1/parameters/out1.gain").json()["value"].toDouble(), -10);

    // Let go, the serial port is free for another controller; taken back, it answers again.
    EXPECT_EQ(Request(p, "POST", "/api/v1/devices/1/release").status, 200);
    EXPECT_EQ(FramesWithCode(desk, cmd::kClose).size(), 1u);
    EXPECT_EQ(Request(p, "PUT", "/api/v1/devices/1/standby", R"({"standby":true})").errorCode(), "released");

    zefd.terminate();
    ASSERT_TRUE(zefd.waitForFinished(10000));
    EXPECT_EQ(zefd.exitCode(), 0);
}

}  // namespace
}  // namespace zef::test
