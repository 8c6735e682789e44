// The zefctl program against simulated amplifiers.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>
#include <thread>

#include "ctl_fixture.h"
#include "dsp/fir_coefficients.h"
#include "model/defaults.h"
#include "device/memory_transfer.h"
#include "model/memory_map.h"
#include "files/preset_file.h"
#include "files/project_file.h"
#include "model/parameters.h"
#include "transport/qt_transport.h"

namespace zef::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

QJsonDocument Json(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text));
}

std::array<std::uint8_t, kPresetSize> DevicePresetOf(const PresetImage& preset) {
    std::array<std::uint8_t, kPresetSize> out{};
    EncodePresetToDevice(preset, out);
    return out;
}

TEST_F(CtlTest, SetSendsExactlyTheOneFrame) {
    Start({Config("Set Me", 1)});
    const CtlResult r = Run({"set", "127.0.0.2", "out1.gain", "-3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "out1.gain = -3 dB\n");
    const Bytes expected = {0xF0, 0x21, 0x01, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0x72, 0xF7};
    EXPECT_EQ(FramesWithCode(0, 1), std::vector<Bytes>{expected});
    // Identified twice (the replies agree), the device read, the command
    // followed, then the read-back of the preset block holding the gain
    // (PI 493 at 733: the block at 708), and the session was closed.
    const auto frames = dev(0).frames();
    ASSERT_GE(frames.size(), 6u);
    EXPECT_EQ(frames[0][3], 0);
    EXPECT_EQ(frames[1][3], 0);
    EXPECT_EQ(frames[2], (Bytes{0xF0, 0x21, 0x01, 20, 0, 1, 3, 0, 0, 0, 0, 0, 0xF7}));
    EXPECT_EQ(frames.end()[-3], expected);
    EXPECT_EQ(frames.end()[-2], (Bytes{0xF0, 0x21, 0x01, 20, 0x02, 0xC4, 78, 0, 0, 0, 0, 0, 0xF7}));
    EXPECT_EQ(frames.back()[3], 15);
    // Every exchange but the identifies ends with a lone zero byte; the last
    // one may still be on its way when the program has exited.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (dev(0).trailingZeros() < frames.size() - 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(dev(0).trailingZeros(), frames.size() - 2);
    EXPECT_EQ(dev(0).memory(240 + pi::OutputGain(0), 1)[0], 0x72);
}

TEST_F(CtlTest, SetKeepsTheDevicesOtherBytes) {
    Start({Config("Others", 1)});
    auto preset = dev(0).memory(240, kPresetSize);
    preset[pi::kDelayBase] = 0;
    preset[pi::kDelayBase + 1] = 7;  // out1 delay 7 ms
    preset[pi::kOutputMute] = 2;     // out2 muted
    dev(0).setMemory(240, preset);
    const CtlResult r = Run({"set", "127.0.0.2", "out1.mute", "on"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The mute mask is built from both outputs: out2's mute came from the device.
    EXPECT_EQ(dev(0).memory(240 + pi::kOutputMute, 1)[0], 3);
    EXPECT_EQ(FramesWithCode(0, 3),
              (std::vector<Bytes>{{0xF0, 0x21, 0x01, 3, 2, 0, 0, 0, 0, 0, 0, 1, 0xF7}}));
    const CtlResult get = Run({"--json", "get", "127.0.0.2", "out1.delay"});
    ASSERT_EQ(get.exitCode, 0) << get.err;
    EXPECT_EQ(Json(get.out).object()["value"].toDouble(), 7.0);
}

TEST_F(CtlTest, ExitStatusOnErrors) {
    Start({Config("Errors", 1)});
    const struct {
        const char* what;
        std::vector<std::string> args;
        int exitCode;
    } cases[] = {
        {"nobody at that address", {"set", "127.0.0.99", "out1.gain", "-3"}, 1},
        {"not an address", {"set", "127.0.0.300", "out1.gain", "-3"}, 2},
        {"bad parameter name", {"set", "127.0.0.2", "out1.gian", "-3"}, 2},
        {"out of range", {"set", "127.0.0.2", "out1.gain", "13"}, 2},
        {"not a number", {"set", "127.0.0.2", "out1.gain", "loud"}, 2},
        {"missing value", {"set", "127.0.0.2", "out1.gain"}, 2},
        {"unknown command", {"frobnicate"}, 2},
        {"unknown option", {"--verbose", "params"}, 2},
        {"question refused", {"set", "127.0.0.2", "device.bridge", "on"}, 1},
        {"empty preset slot", {"--yes", "preset", "recall", "127.0.0.2", "3"}, 1},
        {"bad preset slot", {"--yes", "preset", "recall", "127.0.0.2", "4"}, 2},
        {"missing file", {"load", "127.0.0.2", "/nonexistent/x.zef"}, 1},
    };
    for (const auto& c : cases) {
        dev(0).clearLog();
        const CtlResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << ": " << r.err;
        const auto lines = Lines(r.err);
        ASSERT_EQ(lines.size(), 1u) << c.what << ": " << r.err;
        EXPECT_EQ(lines[0].rfind("zefctl: ", 0), 0u) << c.what;
        EXPECT_TRUE(r.out.empty()) << c.what;
        EXPECT_TRUE(FramesWithCode(0, 1).empty() && FramesWithCode(0, 18).empty()) << c.what;
    }
}

TEST_F(CtlTest, ParamsListsTheWholeTable) {
    const CtlResult r = RunZefctl({"params"}, folder.path());
    ASSERT_EQ(r.exitCode, 0);
    const auto lines = Lines(r.out);
    EXPECT_EQ(lines.size(), zef::AllParameters().size());
    for (const auto& line : lines) {
        const std::string name = line.substr(0, line.find(' '));
        EXPECT_TRUE(zef::FindParameter(name).has_value()) << line;
    }
    const CtlResult json = RunZefctl({"--json", "params"}, folder.path());
    const QJsonArray array = Json(json.out).array();
    ASSERT_EQ(static_cast<std::size_t>(array.size()), lines.size());
    for (const auto& v : array) {
        if (v.toObject()["name"].toString() != "out1.eq.5.gain") continue;
        EXPECT_EQ(v.toObject()["min"].toDouble(), -15);
        EXPECT_EQ(v.toObject()["max"].toDouble(), 15);
        EXPECT_EQ(v.toObject()["unit"].toString(), "dB");
    }
}

TEST_F(CtlTest, SearchAndIdentify) {
    Start({Config("Alpha", 0xA1), Config("Beta", 0xB2, 1), Config("Gamma", 0xC3)});
    const CtlResult r = Run({"--json", "search", "--range", "127.0.0.2-127.0.0.40"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QJsonArray found = Json(r.out).array();
    ASSERT_EQ(found.size(), 3);
    const char* names[] = {"Alpha", "Beta", "Gamma"};
    const char* uids[] = {"0A0B0C0D0EA1", "0A0B0C0D0EB2", "0A0B0C0D0EC3"};
    const char* networks[] = {"LAN", "WLAN", "LAN"};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject o = found[i].toObject();
        EXPECT_EQ(o["name"].toString(), names[i]);
        EXPECT_EQ(o["uniqueId"].toString(), uids[i]);
        EXPECT_EQ(o["network"].toString(), networks[i]);
        EXPECT_EQ(o["ip"].toString(), QString("127.0.0.%1").arg(i + 2));
    }
    const CtlResult text = Run({"search", "--range", "127.0.0.2-127.0.0.3"});
    EXPECT_EQ(Lines(text.out).size(), 2u);
    EXPECT_EQ(Run({"search", "--range", "127.0.0.2-127.0.1.3"}).exitCode, 2);

    const CtlResult id = Run({"--json", "identify", "127.0.0.3"});
    ASSERT_EQ(id.exitCode, 0) << id.err;
    EXPECT_EQ(Json(id.out).object()["name"].toString(), "Beta");
    EXPECT_EQ(Json(id.out).object()["uniqueId"].toString(), "0A0B0C0D0EB2");
    EXPECT_EQ(Run({"identify", "127.0.0.9"}).exitCode, 1);
}

TEST_F(CtlTest, IdentifyOverTheSerialPort) {
    zefsim::Simulator sim;
    zefsim::Device& d = sim.addDevice(Config("Serial One", 0x55, 0));
    const std::string path = folder.file("ttyZEF");
    sim.openSerial(d, path);
    sim.start();
    const CtlResult r = RunZefctl({"--json", "identify", "--serial", path}, folder.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Json(r.out).object()["name"].toString(), "Serial One");
    EXPECT_EQ(Json(r.out).object()["interface"].toString(), "USB");

    d.clearLog();
    const CtlResult found = RunZefctl({"search", "--usb", "--serial", path}, folder.path());
    ASSERT_EQ(found.exitCode, 0) << found.err;
    ASSERT_EQ(Lines(found.out).size(), 1u);
    EXPECT_NE(found.out.find("Serial One"), std::string::npos);
    EXPECT_NE(found.out.find("0A0B0C0D0E55"), std::string::npos);
    ASSERT_EQ(d.frames().size(), 3u);  // two identifies that agree, then 15
    EXPECT_EQ(d.frames()[2][3], 15);
}

TEST_F(CtlTest, DumpWritesTheDeviceIntoAProject) {
    Start({Config("Dump Me", 0x44)});
    std::vector<std::uint8_t> preset(kPresetSize);
    for (std::size_t i = 16; i < preset.size(); ++i) preset[i] = static_cast<std::uint8_t>(i * 3);
    dev(0).setMemory(240, preset);
    const std::string file = folder.file("dump.prp");
    const CtlResult r = Run({"dump", "127.0.0.2", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const ProjectReadResult project = ReadProjectFile(file);
    ASSERT_TRUE(project.status.ok);
    ASSERT_TRUE(project.image.blocks[0].has_value());
    EXPECT_EQ(project.image.entries[0].name, "Dump Me");
    EXPECT_EQ(project.image.entries[0].uniqueId, "0A0B0C0D0E44");
    const auto device = DevicePresetOf(project.image.blocks[0]->preset);
    EXPECT_TRUE(std::equal(device.begin(), device.end(), preset.begin()));
    for (std::size_t i = 1; i < project.image.entries.size(); ++i)
        EXPECT_FALSE(project.image.entries[i].inList);
}

TEST_F(CtlTest, LoadWritesPresetFilesAndProjects) {
    Start({Config("Target", 0x45), Config("Source", 0x46)});
    auto model = std::make_unique<DeviceModel>();
    ResetToDefaults(*model);
    // Legal values other than the defaults: a load refuses anything else.
    for (int b = 0; b < 30; ++b) {
        model->preset[pi::OutputBand(0, b)] = static_cast<std::uint8_t>(b % 8);             // type
        model->preset[pi::OutputBand(1, b) + 4] = static_cast<std::uint8_t>((2 * b) % 61);  // gain code
    }
    for (std::size_t t = 0; t < kFirTapCount; ++t)
        model->firTaps[1][t] = static_cast<std::uint32_t>(t * 40503 & 0xFFFFFF);
    const std::string zef = folder.file("p.zef");
    {
        const auto bytes = EncodePresetFile(*model);
        std::ofstream(zef, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    const CtlResult r = Run({"load", "127.0.0.2", zef});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto expected = DevicePresetOf(model->preset);
    EXPECT_EQ(dev(0).memory(240, kPresetSize), Bytes(expected.begin(), expected.end()));
    const FirImage image = FirImageFromTaps(model->firTaps[1]);
    EXPECT_EQ(dev(0).memory(4096 + 1152, 1152), Bytes(image.begin(), image.end()));
    const auto frames = dev(0).frames();
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), [](const Bytes& f) { return f[3] == 25; }))
        << "activate loaded settings";

    // A project from the second device, loaded into the first.
    const std::string prp = folder.file("p.prp");
    ASSERT_EQ(Run({"dump", "127.0.0.3", prp}).exitCode, 0);
    ASSERT_EQ(Run({"load", "127.0.0.2", prp}).exitCode, 0);
    EXPECT_EQ(dev(0).memory(240, kPresetSize), dev(1).memory(240, kPresetSize));
    EXPECT_EQ(dev(0).memory(205, 13), dev(1).memory(205, 13));
    EXPECT_NE(dev(0).memory(5, 16), dev(1).memory(5, 16)) << "the device keeps its own name";

    std::ofstream(folder.file("bad.zef")) << "not a preset";
    EXPECT_EQ(Run({"load", "127.0.0.2", folder.file("bad.zef")}).exitCode, 1);
}

TEST_F(CtlTest, PresetStoreAndRecall) {
    Start({Config("Presets", 0x47)});
    const CtlResult refused = Run({"preset", "store", "127.0.0.2", "2", "Evening"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(dev(0).presetSlot(1).empty());

    const CtlResult stored = Run({"--yes", "preset", "store", "127.0.0.2", "2", "Evening"});
    ASSERT_EQ(stored.exitCode, 0) << stored.err;
    const auto slot = dev(0).presetSlot(1);
    ASSERT_EQ(slot.size(), kPresetSize);
    EXPECT_EQ(std::string(slot.begin(), slot.begin() + 16), "Evening         ");

    const CtlResult recalled = Run({"--yes", "preset", "recall", "127.0.0.2", "2"});
    ASSERT_EQ(recalled.exitCode, 0) << recalled.err;
    EXPECT_EQ(FramesWithCode(0, 24).back()[4], 1);
}

TEST_F(CtlTest, FirImportAndStandby) {
    Start({Config("Fir", 0x48)});
    const std::string file = folder.file("short.txt");
    std::ofstream(file) << "1.0\r\n-0.5\r\n0.25\r\n";
    const CtlResult r = Run({"fir", "import", "127.0.0.2", "2", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Bytes fir = dev(0).memory(4096 + 1152, 9);
    EXPECT_EQ(fir, (Bytes{0x20, 0, 0, 0xF0, 0, 0, 0x08, 0, 0}));
    EXPECT_EQ(FramesWithCode(0, 29).size(), 1u);
    EXPECT_EQ(FramesWithCode(0, 29)[0][4], 3);

    for (const auto& [word, value] :
         std::vector<std::pair<std::string, int>>{{"on", 1}, {"off", 0}, {"on", 1}}) {
        ASSERT_EQ(Run({"standby", "127.0.0.2", word}).exitCode, 0);
        EXPECT_EQ(dev(0).memory(206, 1)[0], value) << word;
    }
}

TEST_F(CtlTest, ResponseOfAPresetAndOfTheDevice) {
    Start({Config("Curve", 0x49)});
    auto model = std::make_unique<DeviceModel>();
    ResetToDefaults(*model);
    // Output 1: band 17 (1000 Hz) +6 dB, everything else flat.
    const std::size_t band = pi::OutputBand(0, 16);
    model->preset[band + 4] = 42;  // (6 + 15) * 2
    const std::string zef = folder.file("curve.zef");
    {
        const auto bytes = EncodePresetFile(*model);
        std::ofstream(zef, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    const CtlResult file = RunZefctl({"response", "--preset", zef, "out1", "--csv"}, folder.path());
    ASSERT_EQ(file.exitCode, 0) << file.err;
    const auto lines = Lines(file.out);
    ASSERT_EQ(lines.size(), 6827u);
    EXPECT_EQ(lines[0], "freq_hz,db");
    const std::regex row(R"(^\d+\.\d{3},-?\d+\.\d{6}$)");
    double atKHz = 0, atPeakDistance = 1e9, far = 0;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        ASSERT_TRUE(std::regex_match(lines[k], row)) << lines[k];
        double f = 0, db = 0;
        std::sscanf(lines[k].c_str(), "%lf,%lf", &f, &db);
        EXPECT_NEAR(f, k * 48000.0 / 16384.0, 0.001);
        if (std::abs(f - 1000) < atPeakDistance) {
            atPeakDistance = std::abs(f - 1000);
            atKHz = db;
        }
        if (k == 30) far = db;  // 88 Hz
    }
    EXPECT_NEAR(atKHz, 6.0, 0.05);
    EXPECT_NEAR(far, 0.0, 0.1);
    // Output 2 is flat; the device gives the same curve once the file is loaded.
    const CtlResult flat = RunZefctl({"response", "--preset", zef, "out2"}, folder.path());
    for (const auto& line : Lines(flat.out))
        EXPECT_NEAR(std::stod(line.substr(line.find(',') + 1)), 0.0, 1e-9);
    ASSERT_EQ(Run({"load", "127.0.0.2", zef}).exitCode, 0);
    const CtlResult device = Run({"response", "127.0.0.2", "out1", "--csv"});
    ASSERT_EQ(device.exitCode, 0) << device.err;
    EXPECT_EQ(device.out, file.out);
}

TEST_F(CtlTest, ListenPrintsAnnouncements) {
    Start({Config("Announcer", 0x4A, 1)});
    // A free UDP port: bind, note it, release.
    auto probe = QtTransport().NewAnnouncementListener();
    ASSERT_EQ(probe->Listen("127.0.0.1", 0), kTransportOk);
    const std::uint16_t port = probe->LocalPort();
    probe->Stop();
    net.sim().announceTo(dev(0), "127.0.0.1", port);
    net.sim().setAnnounceIntervalMs(100);
    const CtlResult r =
        RunZefctl({"--json", "listen", "--port", std::to_string(port), "--seconds", "1"}, folder.path());
    net.sim().setAnnounceIntervalMs(0);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_FALSE(lines.empty());
    const QJsonObject first = Json(lines[0]).object();
    EXPECT_EQ(first["name"].toString(), "Announcer");
    EXPECT_EQ(first["ip"].toString(), "127.0.0.2");
    EXPECT_EQ(first["network"].toString(), "WLAN");
    EXPECT_EQ(first["uniqueId"].toString(), "0A0B0C0D0E4A");
}

}  // namespace
}  // namespace zef::test

namespace zef::test {
namespace {

TEST_F(CtlTest, HelpAndSearchesThatFindNothing) {
    for (const char* help : {"--help", "-h", "help"}) {
        const CtlResult r = RunZefctl({help}, folder.path());
        EXPECT_EQ(r.exitCode, 0) << help;
        EXPECT_EQ(r.out.rfind("usage: zefctl", 0), 0u) << help;
    }
    EXPECT_EQ(RunZefctl({"set", "--help"}, folder.path()).exitCode, 0);
    // Nobody in the range: the user is told so, and it is no error.
    const CtlResult none = RunZefctl({"--port", "1", "search", "--range", "127.0.0.150-127.0.0.152"}, folder.path());
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "no device found in 127.0.0.150-127.0.0.152\n");
    // A device that is not there is named with its port.
    const CtlResult missing = RunZefctl({"--port", "1", "get", "127.0.0.151", "out1.gain"}, folder.path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("127.0.0.151:1"), std::string::npos) << missing.err;
}

TEST_F(CtlTest, LinkedOutputsTakeSetsAndFirImportsTogether) {
    Start({Config("Linked", 0x4A)});
    ASSERT_EQ(Run({"set", "127.0.0.2", "device.link.outputs", "on"}).exitCode, 0);
    dev(0).clearLog();
    ASSERT_EQ(Run({"set", "127.0.0.2", "out1.gain", "-7.5"}).exitCode, 0);
    const auto gains = FramesWithCode(0, 1);
    ASSERT_EQ(gains.size(), 2u);
    EXPECT_EQ(gains[0][4], 2);
    EXPECT_EQ(gains[1][4], 3);
    EXPECT_EQ(dev(0).memory(240 + 493, 2), (Bytes{105, 105}));  // -7.5 dB on both outputs

    const std::string file = folder.file("short.txt");
    std::ofstream(file) << "0.5\r\n0.25\r\n";
    const CtlResult fir = Run({"fir", "import", "127.0.0.2", "1", file});
    ASSERT_EQ(fir.exitCode, 0) << fir.err;
    EXPECT_NE(fir.out.find("out2 (linked)"), std::string::npos) << fir.out;
    for (std::uint32_t base : {4096u, 4096u + 1152u})
        EXPECT_EQ(dev(0).memory(base, 6), (Bytes{0x10, 0, 0, 0x08, 0, 0})) << base;
    EXPECT_EQ(FramesWithCode(0, 29).size(), 2u);
}

TEST_F(CtlTest, PresetSaveWritesTheRunningProgramToAFile) {
    Start({Config("Saver", 0x4B)});
    ASSERT_EQ(Run({"set", "127.0.0.2", "out2.hp.freq", "120"}).exitCode, 0);
    const std::string path = folder.file("saved.zef");
    const CtlResult r = Run({"preset", "save", "127.0.0.2", path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const PresetFileResult file = LoadPresetFile(path);
    ASSERT_TRUE(file.ok());
    std::array<std::uint8_t, kPresetSize> deviceOrder{};
    EncodePresetToDevice(file.data.preset, deviceOrder);
    EXPECT_EQ(Bytes(deviceOrder.begin(), deviceOrder.end()), dev(0).memory(240, kPresetSize));
}

}  // namespace
}  // namespace zef::test

namespace zef::test {
namespace {

TEST(Zefedit, HelpAndBadOptionsNeedNoDisplay) {
    // Without any display (no DISPLAY, no Qt platform) the command line is
    // still answered: --help is the usage, a wrong option exits 2.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    for (const auto& [args, code] : std::vector<std::pair<QStringList, int>>{{{"--help"}, 0}, {{"--frobnicate"}, 2}}) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(ZEFEDIT_PATH, args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << args.join(" ").toStdString();
        EXPECT_EQ(p.exitCode(), code) << args.join(" ").toStdString();
        const QString text = QString::fromUtf8(code == 0 ? p.readAllStandardOutput() : p.readAllStandardError());
        EXPECT_TRUE(text.contains("--data")) << text.toStdString();
    }
}

}  // namespace
}  // namespace zef::test
