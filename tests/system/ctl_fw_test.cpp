// zefctl's net, firmware and make-sfu commands run in-process against the simulator.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "fw_fixture.h"
#include "model/memory_map.h"
#include "files/sfu_file.h"
#include "zefctl/cli.h"

namespace zef::fwtest {

namespace {

class CtlFirmwareTest : public ::testing::Test {
protected:
    CtlFirmwareTest() {
        device = &sim.addDevice();
        zefsim::installBootloader(*device);
        for (auto add : {zefctl::AddNetworkCommands, zefctl::AddFirmwareCommands}) add(table);
    }
    ~CtlFirmwareTest() override { sim.stop(); }

    struct Result {
        int code;
        std::string out, err;
    };
    Result Run(std::vector<std::string> args) {
        args.insert(args.end(), {"--config", folder.file("")});
        std::ostringstream out, err;
        const int code = zefctl::RunCli(table, args, out, err);
        return {code, out.str(), err.str()};
    }

    // Block writes (command 21) the device received.
    std::size_t BlockWrites() const { return test::FramesWithCode(*device, 21).size(); }

    std::string WriteRaw(const std::string& name, const Bytes& bytes) {
        const std::string path = folder.file(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    TempFolder folder;
    zefsim::Simulator sim;
    zefsim::Device* device = nullptr;
    zefctl::SubCommandTable table;
};

TEST_F(CtlFirmwareTest, NetChecksKeysFirstThenAppliesLikeTheWindow) {
    const std::string port = std::to_string(sim.listenTcp(*device, "127.0.0.1", 0));
    sim.start();
    // What the device has now: kept for every key not given.
    device->setMemory(ds::kApEnable, {1, 127, 0, 0, 5, 255, 255, 0, 0, 127, 0, 0, 1, 3, 'O', 'l', 'd'});
    device->setMemory(ds::kApSecurity, {1, 9, 'k', 'e', 'e', 'p', '-', 't', 'h', 'i', 's'});
    device->setMemory(ds::kApChannel, {4});
    const std::string longText(33, 's');
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* says;  // in the error output; "" = nothing
        bool contacted;
    };
    const std::vector<Case> cases = {
        {{"ap", "ssid=x", "channel=14", "--yes"}, zefctl::kExitUsage, "bad channel '14'", false},
        {{"lan", "ssid=x", "--yes"}, zefctl::kExitUsage, "lan has no ssid", false},
        {{"wlan", "channel=3", "--yes"}, zefctl::kExitUsage, "wlan has no channel", false},
        {{"lan", "mode=auto", "--yes"}, zefctl::kExitUsage, "bad mode 'auto'", false},
        {{"ap", "ssid=" + longText, "--yes"}, zefctl::kExitUsage, "ssid has at most 32 characters", false},
        {{"ap", "colour=red", "--yes"}, zefctl::kExitUsage, "expected KEY=VALUE", false},
        {{"mesh", "--yes"}, zefctl::kExitUsage, "unknown page 'mesh'", false},
        {{"ap", "channel=6"}, zefctl::kExitFailed, "(refused; --yes answers Yes)", true},
        {{"lan", "ip=127.0.0", "gateway=x", "--yes"},
         zefctl::kExitFailed,
         "Please insert a correct IP Address",
         true},
        {{"lan", "gateway=127.0.0.256", "--yes"},
         zefctl::kExitFailed,
         "Please insert a correct Gateway",
         true},
        {{"ap", "security=wpa2", "key=1234567", "--yes"},
         zefctl::kExitFailed,
         "Key has to be min 8 digits",
         true},
        {{"ap", "ssid=", "--yes"}, zefctl::kExitFailed, "Please insert a SSID", true},
        {{"ap", "channel=6", "--yes"}, zefctl::kExitOk, "", true},
        {{"lan", "mode=static", "ip=127.0.0.9", "mask=255.0.0.0", "gateway=127.0.0.1", "--yes"},
         zefctl::kExitOk,
         "",
         true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"net", "127.0.0.1", "--port", port};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(c.args.front() + " " + c.args.at(1));
        device->clearLog();
        const Result r = Run(args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(!device->frames().empty(), c.contacted);
        EXPECT_EQ(BlockWrites() > 0, c.code == zefctl::kExitOk);
    }
    // channel=6 changed only the channel; the SSID and the key stayed the device's.
    EXPECT_EQ(device->memory(ds::kApEnable, 17),
              (Bytes{1, 127, 0, 0, 5, 255, 255, 0, 0, 127, 0, 0, 1, 3, 'O', 'l', 'd'}));
    EXPECT_EQ(device->memory(ds::kApSecurity, 11),
              (Bytes{1, 9, 'k', 'e', 'e', 'p', '-', 't', 'h', 'i', 's'}));
    EXPECT_EQ(device->memory(ds::kApChannel, 1), Bytes{6});
    EXPECT_EQ(device->memory(ds::kLanMode, 13), (Bytes{1, 127, 0, 0, 9, 255, 0, 0, 0, 127, 0, 0, 1}));
}

TEST_F(CtlFirmwareTest, MakeSfuWritesACheckedFile) {
    const Bytes image = TestImage(3000, 21);
    const std::string raw = WriteRaw("raw.bin", image);
    const std::string out = folder.file("out.sfu");
    Result r = Run({"make-sfu", raw, out, "--version", "4.0.12"});
    ASSERT_EQ(r.code, 0) << r.err;
    const SfuParse made = ReadSfuFile(out);
    ASSERT_EQ(made.error, SfuError::None);
    EXPECT_EQ(made.file->header, (SfuHeader{kModelCodeZef4260, 4, 0, 12, 3000, Crc32(image)}));
    EXPECT_EQ(made.file->image, image);
    EXPECT_NE(r.out.find("firmware 4.0.12, 3000 bytes"), std::string::npos) << r.out;

    struct Case {
        std::vector<std::string> args;
        int code;
    };
    for (const Case& c : {Case{{"make-sfu", raw, out, "--version", "4.0"}, zefctl::kExitUsage},
                          Case{{"make-sfu", raw, out, "--version", "4.0.256"}, zefctl::kExitUsage},
                          Case{{"make-sfu", raw}, zefctl::kExitUsage},
                          Case{{"make-sfu", folder.file("none.bin"), out}, zefctl::kExitFailed},
                          Case{{"make-sfu", WriteRaw("empty.bin", {}), out}, zefctl::kExitFailed}}) {
        EXPECT_EQ(Run(c.args).code, c.code) << c.args.back();
        EXPECT_EQ(ReadSfuFile(out).file->header.patch, 12);  // the earlier file is untouched
    }
}

TEST_F(CtlFirmwareTest, FirmwareLoadsOverTheSerialLineWithAProgressBar) {
    const std::string tty = folder.file("ttyZEF");
    sim.openSerial(*device, tty);
    sim.start();
    const Bytes image = TestImage(1500, 8);
    const std::string raw = WriteRaw("raw.bin", image);
    const std::string sfu = folder.file("fw.sfu");
    ASSERT_EQ(Run({"make-sfu", raw, sfu, "--version", "5.1.0"}).code, 0);

    EXPECT_EQ(Run({"firmware", sfu}).code, zefctl::kExitUsage);  // no --serial
    const Result bad = Run({"firmware", "--serial", tty, raw});
    EXPECT_EQ(bad.code, zefctl::kExitFailed);
    EXPECT_NE(bad.err.find("Wrong firmware file!"), std::string::npos) << bad.err;
    EXPECT_TRUE(device->frames().empty());

    const Result r = Run({"firmware", "--serial", tty, sfu});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("[##############################]  100%  Status: Firmware loaded"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("firmware 5.1.0 loaded"), std::string::npos) << r.out;
    EXPECT_EQ(device->memory(1, 3), (Bytes{5, 1, 0}));
    EXPECT_EQ(zefsim::bootloaderOf(*device)->state().image, image);
}

}  // namespace
}  // namespace zef::fwtest
