// The exchange over the serial port: a pseudo-terminal paced at 9600 baud
// with the simulated amplifier behind it, registered as serial port 1, and
// the same cases again over the simulator's in-process line.

#include <fstream>

#include "file_bytes.h"
#include "files/init_config.h"
#include "link_fixture.h"

namespace zef::test {
namespace {

class UsbExchange : public LinkTest, public ::testing::WithParamInterface<SerialKind> {
protected:
    UsbExchange() : LinkTest(GetParam()) {}
    void SetUp() override { ConnectUsb(); }
};

TEST_P(UsbExchange, ReadMemoryOf120BytesOverTheSerialLine) {
    std::vector<std::uint8_t> memory(120);
    for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<std::uint8_t>(255 - i);
    device->setMemory(240, memory);
    const ExchangeResult read = exchange->Transact(kSlot, ReadMemoryRequest(240, 120), Reporting::Tell);
    ASSERT_TRUE(read.replied());
    ASSERT_EQ(read.reply().size(), 125u);
    const auto data = DecodeMemory(read.reply(), 120);
    ASSERT_TRUE(data.has_value());
    EXPECT_TRUE(std::equal(memory.begin(), memory.end(), data->begin()));
    // The serial line carries no trailing 0x00.
    const ExchangeResult status = exchange->Transact(kSlot, {22, {}, {}}, Reporting::Tell);
    ASSERT_TRUE(status.replied());
    EXPECT_EQ(device->frames().size(), 2u);
    EXPECT_EQ(device->trailingZeros(), 0u);
    EXPECT_TRUE(DecodeStatus(status.reply()).has_value());
}

TEST_P(UsbExchange, FailedReceiveSendsTheWholeFrameAgain) {
    // After a lost reply the line is resynchronised by an identify before the
    // frame goes out again; when that identify is lost too the exchange fails.
    const std::vector<std::uint8_t> frame{0xF0, 0x21, 0x11, 1, 3, 0, 0, 0, 0, 0, 0, 0x21, 0xF7};
    const std::vector<std::uint8_t> identify{0xF0, 0x21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7};
    struct Case {
        const char* what;
        int dropped;
        Status status;
        std::vector<std::vector<std::uint8_t>> frames;
    };
    const std::vector<Case> cases = {
        {"one reply lost", 1, kOk, {frame, identify, frame}},
        {"two replies lost", 2, kFailed, {frame, identify}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        device->clearLog();
        dialogs.calls.clear();
        entry().online = true;
        device->dropReplies(c.dropped);
        const CommandParams p{3, 0, 0, 0, 0, 0, 0, 0x21};
        EXPECT_EQ(exchange->SendCommandFrame(kSlot, 1, p), c.status);
        EXPECT_EQ(device->frames(), c.frames);
        EXPECT_EQ(presenter.shown, 0) << "the serial line has no reconnect window";
        EXPECT_FALSE(link.exchanging());
        EXPECT_FALSE(link.recovering());
        EXPECT_EQ(entry().online, c.status == kOk);
        EXPECT_EQ(transport.serial().IsOpen(), c.status == kOk);
        EXPECT_EQ(dialogs.messages().size(), c.status == kOk ? 0u : 1u);
    }
}

TEST_P(UsbExchange, UnopenablePortFailsWithoutMessage) {
    transport.serialPorts().Register(folder.file("no-such-tty"));
    transport.serialPorts().Register(folder.file("plain-file"));
    std::ofstream(folder.file("plain-file")) << "not a terminal";
    struct Case {
        const char* what;
        std::int16_t number;
    };
    for (const Case& c : {Case{"number 0", 0}, Case{"unmapped number", 9}, Case{"number 65", 65},
                          Case{"missing device file", 2}, Case{"not a terminal", 3}}) {
        SCOPED_TRACE(c.what);
        transport.serial().Close();
        link.serialPortNumber = c.number;
        EXPECT_EQ(exchange->SendCommandFrame(kSlot, 1, {}), kFailed);
        EXPECT_FALSE(exchange->IdentifyDevice(kSlot));
        EXPECT_TRUE(entry().online);
        EXPECT_FALSE(link.exchanging());
        EXPECT_FALSE(transport.serial().IsOpen());
    }
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(device->frames().empty());
}

TEST_P(UsbExchange, FindSerialDeviceScansThePortsAndWritesInitCfg) {
    // Ports 1..5: the device's pty moves behind a silent device, a missing
    // file and a plain file; an older init.cfg keeps its IP range.
    zefsim::Device& mute = sim.addDevice();
    mute.setSilent(true);
    const std::string mutePty = folder.file("ttyMute");
    OpenSimSerial(sim, mute, mutePty, GetParam());
    SerialPortMap& ports = transport.serialPorts();
    ports.Unregister(ptyLink);
    ports.Register(folder.file("missing"));
    ports.Register(mutePty);
    std::ofstream(folder.file("plain")) << "x";
    ports.Register(folder.file("plain"));
    ports.Register(ptyLink);
    InitConfig old;
    old.serialPortNumber = 9;
    old.rangeStart = {127, 0, 0, 2};
    old.rangeEnd = {127, 0, 0, 40};
    ASSERT_TRUE(WriteInitConfig(folder.path().string(), old));

    link.deviceAddress[kSlot] = 0;
    transport.serial().Close();
    const std::optional<IdentifyReply> found = exchange->FindSerialDevice(kSlot);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(link.serialPortNumber, 4);
    EXPECT_TRUE(transport.serial().IsOpen());
    EXPECT_EQ(link.deviceAddress[kSlot], 0x11);
    EXPECT_EQ(std::string(found->name.begin(), found->name.end()), "Stage Left      ");
    const std::vector<std::uint8_t> expected{4, 0, 0, 0, 0, 0, 0,   0, 0, 0, 0, 0, 127, 0,
                                             0, 0, 0, 0, 2, 0, 127, 0, 0, 0, 0, 0, 40,  0};
    EXPECT_EQ(ReadFileBytes(folder.file("init.cfg")), expected);
    // The port stays open for the next exchange.
    EXPECT_EQ(exchange->SendCommandFrame(kSlot, 22, {}), kOk);

    // Without a slot nothing is learned; the same port is found.
    link.deviceAddress[kSlot] = 0x77;
    ASSERT_TRUE(exchange->FindSerialDevice());
    EXPECT_EQ(link.serialPortNumber, 4);
    EXPECT_EQ(link.deviceAddress[kSlot], 0x77);
    EXPECT_TRUE(exchange->IdentifySerialDevice());
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_P(UsbExchange, FindSerialDeviceWithoutAnswerLeavesInitCfgAlone) {
    device->setSilent(true);
    EXPECT_FALSE(exchange->FindSerialDevice(kSlot));
    EXPECT_FALSE(transport.serial().IsOpen());
    EXPECT_FALSE(std::filesystem::exists(folder.file("init.cfg")));
    EXPECT_FALSE(exchange->IdentifySerialDevice()) << "no port is open";
    EXPECT_TRUE(dialogs.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Lines, UsbExchange, ::testing::Values(SerialKind::Pty, SerialKind::InProcess),
                         [](const auto& info) { return SerialKindName(info.param); });

}  // namespace
}  // namespace zef::test
