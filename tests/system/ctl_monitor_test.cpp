// zefctl monitor and --log against simulated amplifiers.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>

#include "ctl_fixture.h"

namespace zef::test {
namespace {

QJsonObject Object(const std::string& line) {
    QJsonParseError error;
    const QJsonDocument d = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    return d.object();
}

// Two rounds over two devices: the second in standby with output 1's
// protection lamp lit and a known input level. Every figure is exact: the
// start identifies each device with two frames (30-byte replies, no trailing
// byte), each round polls it once (13 out + the 0x00, 24 in).
TEST_F(CtlTest, MonitorJsonPrintsOneObjectPerRoundWithTheFigures) {
    Start({Config("Left Stack", 1), Config("Right Stack", 2)});
    std::array<std::uint8_t, 18> status{};
    status[0] = 30;    // input L: (30 - 42) + 12.2 dB
    status[17] = 0x04;  // byte 21 bit 2: protection of output 1
    dev(1).setStatusBytes(status);
    dev(1).setMemory(206, {1});

    const CtlResult r = Run({"--json", "monitor", "127.0.0.2", "127.0.0.3", "--count", "2", "--interval", "50"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    for (int round = 1; round <= 2; ++round) {
        const QJsonObject o = Object(lines[static_cast<std::size_t>(round - 1)]);
        EXPECT_EQ(o["round"].toInt(), round);
        const QJsonArray devices = o["devices"].toArray();
        ASSERT_EQ(devices.size(), 2);
        for (int d = 0; d < 2; ++d) {
            const QJsonObject dev = devices[d].toObject();
            const QJsonObject link = dev["link"].toObject();
            EXPECT_EQ(dev["host"].toString(), d == 0 ? "127.0.0.2" : "127.0.0.3");
            EXPECT_TRUE(dev["online"].toBool());
            EXPECT_EQ(link["exchanges"].toInt(), 1 + round);
            EXPECT_EQ(link["bytesOut"].toInt(), 2 * 13 + round * 14);
            EXPECT_EQ(link["bytesIn"].toInt(), 2 * 30 + round * 24);
            EXPECT_EQ(link["retries"].toInt(), 0);
            EXPECT_EQ(link["timeouts"].toInt(), 0);
            EXPECT_GT(link["rttMedianMs"].toDouble(), 0.0);
        }
        const QJsonObject left = devices[0].toObject();
        const QJsonObject right = devices[1].toObject();
        EXPECT_EQ(left["name"].toString(), "Left Stack");
        EXPECT_FALSE(left["standby"].toBool());
        EXPECT_FALSE(left["protect"].toArray()[0].toBool());
        EXPECT_TRUE(right["standby"].toBool());
        EXPECT_TRUE(right["protect"].toArray()[0].toBool());
        EXPECT_FALSE(right["protect"].toArray()[1].toBool());
        EXPECT_NEAR(right["levelsDb"].toObject()["inL"].toDouble(), 0.2, 1e-9);
    }
}

// Not a terminal: plain lines, one per device and round; a dropped reply shows
// as a retry and a time-out of that device only.
TEST_F(CtlTest, MonitorPlainLinesCountAFaultOnTheDeviceItHit) {
    Start({Config("Steady", 1), Config("Shaky", 2)});
    dev(1).armFault(zefsim::Device::ArmedFault::Drop, 2);  // two identifies, then the first poll
    const CtlResult r = Run({"monitor", "127.0.0.2", "127.0.0.3", "--count", "1", "--timeout", "20"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_NE(lines[0].find("127.0.0.2  on-line"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("retries 0  time-outs 0"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("127.0.0.3  on-line"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("retries 1  time-outs 1"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("reconnects 1"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("no reply to status"), std::string::npos) << lines[1];
}

// --log writes each frame as it crosses the link, named from the command table.
TEST_F(CtlTest, LogWritesTheTrafficOfACommand) {
    Start({Config("Logged", 1)});
    const std::string log = folder.file("traffic.log");
    const CtlResult r = Run({"--log", log, "get", "127.0.0.2", "out1.gain"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_NE(lines[0].find("slot 1 -> identify (0)"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("slot 1 <- identify (0) 30 B ok"), std::string::npos) << lines[1];
    EXPECT_NE(lines[4].find("-> read-memory (20) p 00 01 03 00 00 00 00 00 13 B sent"), std::string::npos)
        << lines[4];
    EXPECT_NE(lines.back().find("<- close (15)"), std::string::npos) << lines.back();
}

}  // namespace
}  // namespace zef::test
