// The zefsim program's options and its control commands on standard input.

#include "cli.h"

#include <gtest/gtest.h>

#include "sim_client.h"

namespace simtest {
namespace {

using zefsim::parseOptions;

TEST(SimOptions, DeviceSettingsApplyToTheNextDeviceDefined) {
    const auto o =
        parseOptions({"--tcp", "127.0.0.2:1001", "--name", "Left", "--uid", "0a0B0c0D0e0F", "--firmware",
                      "1.9.9", "--bootloader", "--wlan", "--tcp", "127.0.0.3:1002", "--serial", "/tmp/x",
                      "--announce", "127.0.0.1:30303", "--announce-interval", "500"});
    ASSERT_EQ(o.devices.size(), 3u);
    EXPECT_EQ(o.devices[0].config.name, "ZEF-4.260 #1");
    EXPECT_EQ(o.devices[0].config.major, 2);
    EXPECT_EQ(o.devices[0].config.minor, 1);
    EXPECT_FALSE(o.devices[0].config.bootloader);
    EXPECT_EQ(o.devices[0].tcp, std::make_pair(std::string("127.0.0.2"), std::uint16_t{1001}));

    const auto& left = o.devices[1].config;
    EXPECT_EQ(left.name, "Left");
    EXPECT_EQ(left.uid, (std::array<std::uint8_t, 6>{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}));
    EXPECT_EQ((std::array<int, 3>{left.major, left.minor, left.patch}), (std::array<int, 3>{1, 9, 9}));
    EXPECT_TRUE(left.bootloader);
    EXPECT_EQ(left.network, 1);

    EXPECT_EQ(o.devices[2].config.name, "ZEF-4.260 #3");
    EXPECT_FALSE(o.devices[2].config.bootloader);
    EXPECT_EQ(o.devices[2].serial, std::optional<std::string>("/tmp/x"));
    EXPECT_EQ(o.announce->second, 30303);
    EXPECT_EQ(o.announceIntervalMs, 500);
}

TEST(SimOptions, MistakesAreRefusedWithAMessage) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--name", "x"},
        {"--tcp", "127.0.0.1:1001", "--uid", "12345"},
        {"--tcp", "127.0.0.1:1001", "--announce", "198.51.100.7:30303"},
        {"--tcp", "127.0.0.1:1001", "--announce", "203.0.113.9:30303"},
        {"--tcp", "127.0.0.1"},
        {"--tcp", "127.0.0.1:70000"},
        {"--tcp", "host.example:1001"},
        {"--firmware", "2.1", "--tcp", "127.0.0.1:1"},
        {"--firmware", "2.1.256", "--tcp", "127.0.0.1:1"},
        {"--name", "seventeen chars!!", "--tcp", "127.0.0.1:1"},
        {"--tcp"},
        {"--frobnicate"},
    };
    for (const auto& args : bad) {
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_THROW(parseOptions(args), std::runtime_error) << joined;
    }
    EXPECT_TRUE(parseOptions({"--help"}).help);
}

class SimControl : public ::testing::Test {
protected:
    zefsim::Simulator sim;
    zefsim::Device& first = sim.addDevice();
    zefsim::Device& second = sim.addDevice();
    std::string run(const std::string& line) { return zefsim::runControl(sim, line).output; }
};

TEST_F(SimControl, FrontPanelCommandsChangeMemoryAndMarkTheChange) {
    EXPECT_EQ(run("set 2 0x100 99"), "ok\n");
    EXPECT_EQ(second.memory(256, 1)[0], 99);
    EXPECT_EQ(second.changeMarks(), zefsim::kMarkChanged);
    EXPECT_EQ(first.changeMarks(), 0);

    EXPECT_EQ(run("fir 1 2"), "ok\n");
    EXPECT_EQ(first.changeMarks(), zefsim::kMarkFir2);

    EXPECT_EQ(run("recall 1 1"), "slot empty\n");
    first.setMemory(204, {0});
    const Bytes running = first.memory(240, 624);
    first.setMemory(256, {1});
    EXPECT_NE(first.memory(240, 624), running);
    // Store through the device's own command path, then recall from the "front panel".
    zefsim::Simulator& s = sim;
    const Stream link = connectTcp("127.0.0.1", s.listenTcp(first, "127.0.0.1", 0));
    first.setMemory(256, {120});
    ASSERT_TRUE(link.exchange(frame(23, {2}), 13));
    first.setMemory(256, {1});
    EXPECT_EQ(run("recall 1 3"), "ok\n");
    EXPECT_EQ(first.memory(256, 1)[0], 120);
    EXPECT_EQ(first.memory(204, 1)[0], 2);
}

TEST_F(SimControl, FaultCommandsReachTheDevice) {
    EXPECT_EQ(run("bootloader 1 on"), "ok\n");
    EXPECT_TRUE(first.bootloader());
    EXPECT_EQ(run("firmware 2 1.9.9"), "ok\n");
    EXPECT_EQ(second.memory(1, 3), (Bytes{1, 9, 9}));
    EXPECT_EQ(run("silent 1 on"), "ok\n");
    EXPECT_EQ(run("delay 1 20"), "ok\n");
    EXPECT_EQ(run("drop 1 2"), "ok\n");
    EXPECT_EQ(run("garbage 2"), "ok\n");
    EXPECT_EQ(run("short 2"), "ok\n");
    EXPECT_EQ(run("cut 2"), "ok\n");
    EXPECT_EQ(run("announce 2"), "ok\n");
    EXPECT_EQ(run("meters 2 on"), "ok\n");
    EXPECT_TRUE(zefsim::runControl(sim, "quit").quit);
}

TEST_F(SimControl, DumpListAndErrors) {
    const std::string dump = run("dump 1");
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 54);
    EXPECT_EQ(dump.substr(0, 21), "0000: 00 02 01 00 01 ");  // firmware 2.1.0, type code 1
    EXPECT_NE(dump.find("\n0350:"), std::string::npos);

    const std::string list = run("list");
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2);
    EXPECT_NE(list.find("1: \"ZEF-4.260\" uid 025A45460001 firmware 2.1.0 marks 0x00"), std::string::npos);
    EXPECT_NE(list.find("2: \"ZEF-4.260\" uid 025A45460002"), std::string::npos);

    for (const char* line : {"set 3 0 0", "set 1 0", "set 1 0 256", "set one 0 0", "fir 1 3",
                             "silent 1 maybe", "firmware 1 2.x.0", "frobnicate 1"}) {
        EXPECT_EQ(run(line).substr(0, 7), "error: ") << line;
    }
    EXPECT_EQ(run(""), "");
}

}  // namespace
}  // namespace simtest
