// Connecting, disconnecting, polling, standby, opening and exit, against
// simulated amplifiers over loopback TCP.
#include "device/connection.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTcpSocket>
#include <algorithm>

#include "devices_fixture.h"
#include "app/announcements.h"
#include "app/connect_actions.h"
#include "app/link_presenter.h"
#include "model/commands.h"
#include "model/defaults.h"
#include "device/fir_store.h"
#include "device/memory_transfer.h"
#include "model/memory_map.h"
#include "transport/local_wait.h"

namespace zef::test {
namespace {

using Frames = std::vector<std::vector<std::uint8_t>>;

std::vector<std::uint8_t> Frame(std::uint8_t command, std::vector<std::uint8_t> p = {}) {
    std::vector<std::uint8_t> f = {0xF0, 0x21, 0x01, command, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7};
    for (std::size_t i = 0; i < p.size(); ++i) f[4 + i] = p[i];
    return f;
}
const std::vector<std::uint8_t> kIdentify = {0xF0, 0x21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7};
const std::vector<std::uint8_t> kReadFirmware = Frame(20, {0, 1, 3});

class ConnectionTest : public DevicesTest {
protected:
    // Devices on 127.0.0.2, .3, ... listed in slots 1, 2, ... (off-line).
    void StartListed(std::vector<zefsim::DeviceConfig> configs) {
        std::vector<std::pair<std::string, zefsim::DeviceConfig>> plan;
        for (std::size_t i = 0; i < configs.size(); ++i)
            plan.push_back({"127.0.0." + std::to_string(i + 2), configs[i]});
        StartNetwork(plan);
        for (std::size_t i = 0; i < configs.size(); ++i)
            ListNetworkEntry(static_cast<DeviceSlot>(i + 1), plan[i].first, "", kNetworkUnknown);
        reader = std::make_unique<DeviceReader>(model, *exchange, refresh);
        connection = std::make_unique<Connection>(list, *exchange, *reader, ConnectSettings{true, 500});
        writer = std::make_unique<ParameterWriter>(model, *exchange, NoResponseObserver(),
                                                   fir::MakeFirWriter(*exchange, model));
        connect = std::make_unique<ConnectActions>(*connection, dialogs, *writer);
        connect->view.firmwareWindow = [this](DeviceSlot s, FirmwareWindowKind) {
            firmwareWindows.push_back(s);
            recoveryInFirmwareWindow = link.recovering();
        };
        connect->view.showEditor = [this](DeviceSlot s) { editorsShown.push_back(s); };
        subscriptions.push_back(connection->caption.Connect([this](const std::string& c) { captions.push_back(c); }));
        subscriptions.push_back(connection->progress.Connect([this](int v, int m) { progress.push_back({v, m}); }));
    }
    zefsim::Device& dev(std::size_t i) { return net.device(i); }

    RefreshEvents refresh;
    std::unique_ptr<DeviceReader> reader;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<ParameterWriter> writer;
    std::unique_ptr<ConnectActions> connect;
    std::vector<Subscription> subscriptions;
    std::vector<std::string> captions;
    std::vector<std::pair<int, int>> progress;
    std::vector<DeviceSlot> firmwareWindows;
    std::vector<DeviceSlot> editorsShown;
    bool recoveryInFirmwareWindow = false;
};

TEST(ConnectionRules, FirmwareVersionNumber) {
    EXPECT_EQ(FirmwareVersion(1, 9, 9), 199);
    EXPECT_EQ(FirmwareVersion(2, 0, 0), 200);
    EXPECT_EQ(FirmwareVersion(1, 10, 0), 200);
    EXPECT_EQ(FirmwareVersion(3, 2, 1), 321);
}

TEST(ConnectionRules, DialogTexts) {
    DeviceEntry net;
    net.ip = "127.0.0.9";
    net.uniqueId = "0A0B0C0D0E09";
    DeviceEntry usb;
    usb.interface = kInterfaceUsb;
    EXPECT_EQ(ConnectDialogTitle(true, net), "Connect Device: IP 127.0.0.9");
    EXPECT_EQ(ConnectDialogTitle(true, usb), "Connect Device: USB");
    EXPECT_EQ(ConnectDialogTitle(false, net), "Connect All Device(s) in the List");
    EXPECT_EQ(ReadingCaption(net), "Reading from device: IP 127.0.0.9....");
    EXPECT_EQ(ReadingCaption(usb), "Reading from device: USB....");
    EXPECT_EQ(LoadingCaption(net), "Loading settings to device: IP 127.0.0.9....");
    EXPECT_EQ(LoadingCaption(usb), "Loading settings to device: USB....");
    EXPECT_EQ(DisconnectQuestion(net), "Disconnect Device: UniqueID=0A0B0C0D0E09,\r\nare you sure?");
    net.name = "Stage Left";
    EXPECT_EQ(DisconnectQuestion(net), "Disconnect Device: Stage Left,\r\nare you sure?");
    EXPECT_EQ(DisconnectedText(net), "IP:127.0.0.9 disconnected");
    EXPECT_EQ(DisconnectedText(usb), " Device disconnected");
}

TEST_F(ConnectionTest, FirmwareCheck) {
    const struct {
        std::uint8_t major, minor, patch;
        bool accepted;
    } cases[] = {{1, 9, 9, false}, {2, 0, 0, true}, {1, 10, 0, true}, {0, 19, 9, false}};
    std::vector<zefsim::DeviceConfig> configs;
    for (const auto& c : cases) {
        auto config = Config("Fw", static_cast<std::uint8_t>(configs.size() + 1));
        config.major = c.major;
        config.minor = c.minor;
        config.patch = c.patch;
        configs.push_back(config);
    }
    StartListed(configs);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const auto slot = static_cast<DeviceSlot>(i + 1);
        dialogs.calls.clear();
        EXPECT_EQ(connect->ConnectOne(slot, ConnectMode::Read), c.accepted) << i;
        EXPECT_EQ(model.entry(slot).online, c.accepted) << i;
        EXPECT_EQ(model.device(slot).firmwareOk, c.accepted) << i;
        const Frames frames = dev(i).frames();
        // Two identifies that agree, then the firmware read until two replies agree.
        ASSERT_GE(frames.size(), 4u);
        EXPECT_EQ(frames[0], kIdentify);
        EXPECT_EQ(frames[1], kIdentify);
        EXPECT_EQ(frames[2], kReadFirmware);
        EXPECT_EQ(frames[3], kReadFirmware);
        if (c.accepted) {
            EXPECT_TRUE(dialogs.calls.empty()) << i;
            EXPECT_GT(frames.size(), 20u);  // the whole device was read
        } else {
            EXPECT_EQ(frames.size(), 4u) << "an old device is neither read nor written";
            EXPECT_EQ(MessageTexts(),
                      (std::vector<std::string>{
                          "Firmware Update|Please update the firmware with then release >= v2.0.0",
                          "Connect|Device not found"}));
            EXPECT_EQ(dialogs.calls[0].icon, Icon::Information);
        }
    }
}

TEST_F(ConnectionTest, ReadModeFillsTheModelFromTheDevice) {
    StartListed({Config("Read Me", 0x21)});
    zefsim::Device& d = dev(0);
    std::vector<std::uint8_t> memory(864);
    for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<std::uint8_t>(i * 7 + 3);
    for (std::size_t i = 0; i < 3; ++i) memory[1 + i] = std::uint8_t{2};  // firmware 2.2.2
    const std::string name = "Read Me         ";
    std::copy(name.begin(), name.end(), memory.begin() + 5);
    d.setMemory(0, memory);
    std::vector<std::uint8_t> fir(1152);
    for (std::size_t i = 0; i < fir.size(); ++i) fir[i] = static_cast<std::uint8_t>(i * 13 + 1);
    d.setMemory(4096 + 1152, fir);

    EXPECT_TRUE(connect->ConnectOne(1, ConnectMode::Read));
    EXPECT_TRUE(connection->settingsRead());
    const DeviceModel& m = model.device(1);
    EXPECT_TRUE(std::equal(m.settings.bytes.begin(), m.settings.bytes.end(), memory.begin()));
    std::array<std::uint8_t, kPresetSize> devicePreset{};
    EncodePresetToDevice(m.preset, devicePreset);
    EXPECT_TRUE(std::equal(devicePreset.begin(), devicePreset.end(), memory.begin() + 240));
    FirImage image{};
    std::copy(fir.begin(), fir.end(), image.begin());
    EXPECT_EQ(m.firTaps[1], TapsFromFirImage(image));
    const DeviceEntry& e = model.entry(1);
    EXPECT_EQ(e.name, "Read Me");
    EXPECT_EQ(e.uniqueId, UidText(0x21));
    EXPECT_EQ(e.network, kNetworkLan);
    EXPECT_EQ(e.interface, kInterfaceTcp);
    EXPECT_EQ(e.ip, "127.0.0.2");
    EXPECT_EQ(captions, std::vector<std::string>{"Reading from device: IP 127.0.0.2...."});
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().first, progress.back().second);
    EXPECT_EQ(progress.front().first, 0);
    EXPECT_EQ(redrawn.back(), 1);
}

TEST_F(ConnectionTest, BootLoaderDeviceCountsAsFoundWithoutReading) {
    auto config = Config("Boot", 0x23);
    config.bootloader = true;
    StartListed({config});
    model.device(1).preset[pi::kInputGainBase] = 3;
    EXPECT_TRUE(connect->ConnectOne(1, ConnectMode::Read));
    EXPECT_EQ(model.entry(1).type, kTypeBootLoader);
    EXPECT_TRUE(model.entry(1).online);
    EXPECT_EQ(dev(0).frames(), (Frames{kIdentify, kIdentify}));
    EXPECT_EQ(model.device(1).preset, DefaultPreset());
    // Not polled.
    connection->EnablePolling(true);
    connection->StatusPollTick();
    EXPECT_EQ(dev(0).frames().size(), 2u);
    // Opening it on-line over the network leads nowhere; off-line it asks to connect first.
    EXPECT_EQ(connect->OpenDevice(1), OpenOutcome::NotConnected);
    model.entry(1).online = false;
    EXPECT_EQ(connect->OpenDevice(1), OpenOutcome::NotConnected);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Fw Update|Please connect the device"});
}

TEST_F(ConnectionTest, ConnectAllAndNotFound) {
    StartListed({Config("One", 1), Config("Two", 2)});
    ListNetworkEntry(3, "127.0.0.60", "", kNetworkUnknown);  // nobody there
    model.entry(2).editorOpen = true;
    EXPECT_EQ(connect->ConnectAll(ConnectMode::Read), 2);
    EXPECT_TRUE(model.entry(1).online && model.entry(2).online);
    EXPECT_FALSE(model.entry(3).online);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(editorsShown, std::vector<DeviceSlot>{2});

    // Every entry on-line or unreachable: nothing found.
    dev(0).clearLog();
    EXPECT_EQ(connect->ConnectAll(ConnectMode::Read), 0);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Connect|Device(s) not found"});
    EXPECT_TRUE(dev(0).frames().empty());

    dialogs.calls.clear();
    EXPECT_FALSE(connect->ConnectOne(3, ConnectMode::Read));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Connect|Device not found"});
    EXPECT_FALSE(model.entry(3).online);
}

TEST(ConnectionRules, TheBackOnLineQuestionCountsWhatWasChangedHere) {
    DeviceEntry e;
    e.uniqueId = "0A0B0C0D0E09";
    const Parameter gain = *FindParameter("out1.gain");
    const struct {
        std::size_t parameters;
        std::vector<int> firs;
        std::string what;
    } cases[] = {
        {1, {}, "1 setting was changed"},
        {3, {}, "3 settings were changed"},
        {1, {1}, "1 setting and 1 FIR were changed"},
        {2, {0, 1}, "2 settings and 2 FIRs were changed"},
    };
    for (const auto& c : cases) {
        StateDiff diff;
        diff.parameters.assign(c.parameters, ParameterValue{gain, -3});
        diff.firs = c.firs;
        EXPECT_EQ(EditsWhileAwayQuestion(e, diff).rfind("UniqueID=0A0B0C0D0E09 is back on-line. While it was away, " +
                                                            c.what + " here that the device does not hold.\n",
                                                        0),
                  0u)
            << EditsWhileAwayQuestion(e, diff);
    }
}

TEST_F(ConnectionTest, ALostDeviceIsToldOnceAndRejoinsWhenItAnswersAgain) {
    StartListed({Config("Alive", 1), Config("Dies", 2)});
    ASSERT_EQ(connect->ConnectAll(ConnectMode::Read), 2);
    connection->EnablePolling(true);
    dev(1).setSilent(true);
    const std::string disconnected = "Communication problem|IP:127.0.0.3 disconnected";

    connection->StatusPollTick();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{disconnected});
    EXPECT_EQ(dialogs.calls[0].icon, Icon::Exclamation);
    EXPECT_FALSE(model.entry(2).online);
    EXPECT_TRUE(connection->lost(2));
    EXPECT_EQ(MakeRowTexts(model.entry(2)).status, "Off-line");
    EXPECT_TRUE(model.entry(1).online);

    // Still silent: tried again, nothing said again, still off-line.
    dialogs.calls.clear();
    connection->StatusPollTick();
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_FALSE(model.entry(2).online);

    // It answers again, changed meanwhile on its front panel: on-line by
    // itself, read back, and the message about it withdrawn.
    dev(1).frontPanelWrite(ds::kStandby, 1);
    ASSERT_EQ(model.device(2).settings[ds::kStandby], 0);
    dev(1).setSilent(false);
    std::vector<DeviceSlot> rejoined;
    const Subscription back = connection->rejoined.Connect([&](DeviceSlot s) { rejoined.push_back(s); });
    redrawn.clear();
    connection->StatusPollTick();
    EXPECT_TRUE(model.entry(2).online);
    EXPECT_FALSE(connection->lost(2));
    EXPECT_EQ(rejoined, std::vector<DeviceSlot>{2});
    EXPECT_EQ(model.device(2).settings[ds::kStandby], 1) << "read back from the device";
    EXPECT_EQ(MakeRowTexts(model.entry(2)).status, "On-line");
    EXPECT_NE(std::find(redrawn.begin(), redrawn.end(), 2), redrawn.end());
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, "withdraw");
    EXPECT_EQ(dialogs.calls[0].title + "|" + dialogs.calls[0].text, disconnected);

    // A device the user disconnected is left alone.
    connection->Disconnect(1);
    dev(0).clearLog();
    connection->StatusPollTick();
    EXPECT_FALSE(model.entry(1).online);
    EXPECT_TRUE(dev(0).frames().empty());
}

// Settings changed here while a lost device was away are not dropped when it
// comes back by itself: the user is asked, Yes sends only the differences
// (read back), No keeps the device's; without edits nothing is asked.
class EditsWhileAwayTest : public ConnectionTest {
protected:
    void LoseEditAndComeBack(Answer answer) {
        const Parameter gain = *FindParameter("out1.gain");
        const Parameter delay = *FindParameter("out2.delay");
        StartListed({Config("Alive", 1), Config("Roams", 2)});
        ASSERT_EQ(connect->ConnectAll(ConnectMode::Read), 2);
        connection->EnablePolling(true);
        const double deviceGain = GetValue(model.device(2), gain);
        dev(1).setSilent(true);
        connection->StatusPollTick();
        ASSERT_TRUE(connection->lost(2));

        // Edited off-line while it is away; meanwhile its front panel changes standby.
        ASSERT_EQ(writer->Set(2, gain, -9.0), kOk);
        ASSERT_EQ(writer->Set(2, delay, 2.0), kOk);
        dev(1).frontPanelWrite(ds::kStandby, 1);
        dev(1).setSilent(false);
        dev(1).clearLog();
        dialogs.calls.clear();
        dialogs.answers = {answer};
        std::vector<DeviceSlot> sent;
        const Subscription refill = connect->stateSent.Connect([&](DeviceSlot s) { sent.push_back(s); });
        connection->StatusPollTick();

        ASSERT_TRUE(model.entry(2).online);
        ASSERT_EQ(dialogs.calls.size(), 2u);
        EXPECT_EQ(dialogs.calls[0].kind, "withdraw");
        EXPECT_EQ(dialogs.calls[1].kind, "ask");
        EXPECT_EQ(dialogs.calls[1].title, "Device back on-line");
        EXPECT_EQ(dialogs.calls[1].text.rfind("Roams is back on-line. While it was away, 2 settings were changed here "
                                              "that the device does not hold.\nYes sends those changes",
                                              0),
                  0u)
            << dialogs.calls[1].text;
        const auto deviceByte = [&](std::size_t offset) {
            return dev(1).memory(static_cast<std::uint32_t>(kPresetBaseAddress + offset), 1)[0];
        };
        if (answer == Answer::Yes) {
            EXPECT_DOUBLE_EQ(GetValue(model.device(2), gain), -9.0);
            EXPECT_DOUBLE_EQ(GetValue(model.device(2), delay), 2.0);
            EXPECT_EQ(deviceByte(pi::OutputGain(0)), 102) << "-9 dB: code 102";
            EXPECT_EQ(sent, std::vector<DeviceSlot>{2});
        } else {
            EXPECT_DOUBLE_EQ(GetValue(model.device(2), gain), deviceGain);
            EXPECT_NE(deviceByte(pi::OutputGain(0)), 102) << "-9 dB never reached the device";
            EXPECT_TRUE(sent.empty());
        }
        // The front panel's standby is the device's either way (not a setting edited here).
        EXPECT_EQ(model.device(2).settings[ds::kStandby], 1);
        EXPECT_EQ(dev(1).memory(ds::kStandby, 1)[0], 1);

        // Lost and back again without edits: nothing is asked.
        dev(1).setSilent(true);
        connection->StatusPollTick();
        dev(1).setSilent(false);
        dialogs.calls.clear();
        connection->StatusPollTick();
        EXPECT_TRUE(model.entry(2).online);
        for (const auto& call : dialogs.calls) EXPECT_NE(call.kind, "ask") << call.text;
    }
};

TEST_F(EditsWhileAwayTest, YesSendsTheEditsMadeHereWhenALostDeviceComesBack) { LoseEditAndComeBack(Answer::Yes); }
TEST_F(EditsWhileAwayTest, NoKeepsTheDevicesSettingsAndSendsNothing) { LoseEditAndComeBack(Answer::No); }

TEST_F(ConnectionTest, AnotherClientTakingTheConnectionIsToldAsThat) {
    // The simulator serves one connection per device and drops the old one
    // when another client connects, as such an amplifier does.
    StartListed({Config("Shared", 1)});
    ASSERT_TRUE(connect->ConnectOne(1, ConnectMode::Read));
    connection->EnablePolling(true);
    const std::string taken = std::string(kCommProblemTitle) + "|" + ConnectionTakenText(model.entry(1));
    const struct {
        const char* what;
        bool byPoll;  // else by a change the user made
    } cases[] = {{"status poll", true}, {"user's change", false}};
    for (const auto& c : cases) {
        QTcpSocket other;
        other.connectToHost(QHostAddress("127.0.0.2"), net.port());
        ASSERT_TRUE(other.waitForConnected(2000)) << c.what;
        // Until this client sees its connection closed.
        for (int i = 0; i < 200 && !transport.tcp().ClosedByPeer(1); ++i) LocalWait::Pause(10);
        ASSERT_TRUE(transport.tcp().ClosedByPeer(1)) << c.what;
        dialogs.calls.clear();
        // The row is redrawn off-line before the message tells why.
        bool offLineBeforeTheMessage = false;
        const Subscription row = list.rowChanged.Connect([&](DeviceSlot s) {
            if (s == 1 && !model.entry(1).online && dialogs.calls.empty()) offLineBeforeTheMessage = true;
        });
        if (c.byPoll) {
            connection->StatusPollTick();
        } else {
            EXPECT_TRUE(exchange->Transact(1, Request{cmd::kStatusPoll, {}, {}}, Reporting::Tell).failed());
        }
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{taken}) << c.what;
        EXPECT_TRUE(offLineBeforeTheMessage) << c.what;
        EXPECT_FALSE(model.entry(1).online) << c.what;
        EXPECT_TRUE(link.connectionTaken[SlotIndex(1)]) << c.what;
        // Not taken back: the other client keeps the device.
        dialogs.calls.clear();
        connection->StatusPollTick();
        LocalWait::Pause(50);
        EXPECT_EQ(other.state(), QAbstractSocket::ConnectedState) << c.what;
        EXPECT_FALSE(model.entry(1).online) << c.what;
        EXPECT_TRUE(dialogs.calls.empty()) << c.what;
        other.abort();
        // The user connects it again.
        ASSERT_TRUE(connect->ConnectOne(1, ConnectMode::Read)) << c.what;
        EXPECT_FALSE(link.connectionTaken[SlotIndex(1)]) << c.what;
    }
}

TEST_F(ConnectionTest, PollTakesStandbyAndAlertFromTheDevice) {
    StartListed({Config("Standby", 1)});
    ASSERT_TRUE(connect->ConnectOne(1, ConnectMode::Read));
    connection->EnablePolling(true);
    const struct {
        std::uint8_t deviceStandby;
        bool alert;
        std::int16_t localStandby;
        std::string row;
    } cases[] = {{1, false, 0, "Standby=ON"}, {0, true, 1, "Standby=OFF"}, {1, true, 1, "Standby=ON"}};
    for (const auto& c : cases) {
        dev(0).frontPanelWrite(206, c.deviceStandby);
        dev(0).setAlert(c.alert);
        model.entry(1).standby = c.localStandby;
        connection->StatusPollTick();
        EXPECT_EQ(model.entry(1).standby, c.deviceStandby);
        EXPECT_EQ(model.device(1).settings[ds::kStandby], c.deviceStandby);
        EXPECT_EQ(model.device(1).alert, c.alert);
        EXPECT_EQ(MakeRowTexts(model.entry(1)).standby, c.row);
    }
}

TEST_F(ConnectionTest, PollWaitsForTheLink) {
    StartListed({Config("Busy", 1)});
    ASSERT_TRUE(connect->ConnectOne(1, ConnectMode::Read));
    dev(0).clearLog();
    const struct {
        const char* what;
        bool enabled, idle, recovery;
        std::size_t frames;
    } cases[] = {{"list not loaded", false, true, false, 0},
                 {"exchange running", true, false, false, 0},
                 {"link recovery", true, true, true, 0},
                 {"free", true, true, false, 1}};
    for (const auto& c : cases) {
        dev(0).clearLog();
        connection->EnablePolling(c.enabled);
        std::optional<LinkState::Exchanging> exchanging;
        std::optional<LinkState::Recovering> recovering;
        if (!c.idle) exchanging.emplace(link);
        if (c.recovery) recovering.emplace(link);
        connection->StatusPollTick();
        EXPECT_EQ(dev(0).frames().size(), c.frames) << c.what;
    }
}

TEST_F(ConnectionTest, DisconnectAsksAndTheAnnouncementDoesNotAskAgain) {
    StartListed({Config("Leaving", 0x31)});
    ASSERT_TRUE(connect->ConnectOne(1, ConnectMode::Read));
    dev(0).clearLog();
    dialogs.answers = {Answer::No};
    EXPECT_FALSE(connect->DisconnectOne(1));
    EXPECT_TRUE(model.entry(1).online);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Disconnect|Disconnect Device: Leaving,\r\nare you sure?"});

    dialogs.answers = {Answer::Yes};
    EXPECT_TRUE(connect->DisconnectOne(1));
    EXPECT_FALSE(model.entry(1).online);
    EXPECT_FALSE(transport.tcp().IsConnected(1));
    EXPECT_EQ(dev(0).frames(), Frames{Frame(15)});
    EXPECT_TRUE(list.offered().Contains({UidText(0x31), "LAN"}));

    dialogs.calls.clear();
    AnnouncementHandler handler(list, link, dialogs);
    const auto datagram = dev(0).announcement();
    handler.Handle("127.0.0.2", std::vector<std::uint8_t>(datagram.begin(), datagram.end()), 0);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{}) << "neither asked nor told unreachable";
}

TEST_F(ConnectionTest, OnlyADeviceAConnectCouldNotReachIsToldUnreachable) {
    // Each way a listed device ends off-line, then its announcement (kind 0).
    enum class Way { Declined, Disconnected, Dropped, NotReached, NotReachedThenConnected };
    const struct {
        const char* what;
        Way way;
        bool unreachable;
    } cases[] = {{"declined", Way::Declined, false},
                 {"disconnected", Way::Disconnected, false},
                 {"dropped by the poll", Way::Dropped, false},
                 {"a connect could not reach it", Way::NotReached, true},
                 {"reached on a later connect", Way::NotReachedThenConnected, false}};
    StartListed({Config("Here", 0x41)});
    connection->EnablePolling(true);
    const auto datagram = dev(0).announcement();
    const std::vector<std::uint8_t> bytes(datagram.begin(), datagram.end());
    for (const auto& c : cases) {
        list.offered().Clear();
        list.unreachable().Clear();
        dev(0).setSilent(false);
        if (c.way != Way::Declined) {
            ASSERT_TRUE(connect->ConnectOne(1, ConnectMode::Read)) << c.what;
        }
        AnnouncementHandler handler(list, link, dialogs);
        switch (c.way) {
            case Way::Declined:
                dialogs.answers = {Answer::No};
                handler.Handle("127.0.0.2", bytes, 0);
                break;
            case Way::Disconnected:
                connection->Disconnect(1);
                break;
            case Way::Dropped:
                dev(0).setSilent(true);
                connection->StatusPollTick();
                break;
            case Way::NotReached:
            case Way::NotReachedThenConnected:
                connection->Disconnect(1);
                dev(0).setSilent(true);
                EXPECT_FALSE(connect->ConnectOne(1, ConnectMode::Read)) << c.what;
                dev(0).setSilent(false);
                if (c.way == Way::NotReachedThenConnected) {
                    ASSERT_TRUE(connect->ConnectOne(1, ConnectMode::Read)) << c.what;
                    connection->Disconnect(1);
                }
                break;
        }
        ASSERT_FALSE(model.entry(1).online) << c.what;
        dev(0).setSilent(false);
        list.offered().Add(PairOf(model.entry(1)));  // asks nothing: only the report is looked at
        dialogs.calls.clear();
        handler.Handle("127.0.0.2", bytes, 0);
        const bool told = std::any_of(dialogs.calls.begin(), dialogs.calls.end(), [](const auto& call) {
            return call.text.find("UNREACHABLE") != std::string::npos;
        });
        EXPECT_EQ(told, c.unreachable) << c.what;
    }
}

TEST_F(ConnectionTest, DisconnectAllAndExit) {
    StartListed({Config("A", 1), Config("B", 2), Config("C", 3)});
    ASSERT_EQ(connect->ConnectAll(ConnectMode::Read), 3);
    for (std::size_t i = 0; i < 3; ++i) dev(i).clearLog();
    dialogs.answers = {Answer::Yes};
    ASSERT_TRUE(connect->DisconnectAll());
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{"Disconnect|Disconnect all Device(s),\r\nare you sure?"});
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(dev(i).frames(), Frames{Frame(15)});
        EXPECT_FALSE(model.entry(static_cast<DeviceSlot>(i + 1)).online);
    }

    ASSERT_EQ(connect->ConnectAll(ConnectMode::Read), 3);
    model.entry(2).online = false;  // lost earlier: gets nothing at exit
    for (std::size_t i = 0; i < 3; ++i) dev(i).clearLog();
    connection->Exit();
    EXPECT_EQ(dev(0).frames(), Frames{Frame(15)});
    EXPECT_TRUE(dev(1).frames().empty());
    EXPECT_EQ(dev(2).frames(), Frames{Frame(15)});
    for (int s = 0; s < kSlotCount; ++s) EXPECT_FALSE(transport.tcp().IsConnected(s));
}

TEST_F(ConnectionTest, StandbyButtons) {
    StartListed({Config("A", 1), Config("B", 2)});
    ASSERT_EQ(connect->ConnectAll(ConnectMode::Read), 2);
    for (DeviceSlot s : {1, 2}) connection->ToggleStandby(s);  // both now the opposite of the device
    model.entry(1).standby = 0;
    model.entry(2).standby = 1;
    connection->ApplyStandby(1);
    connection->ApplyStandby(2);
    dev(0).clearLog();
    dev(1).clearLog();

    connection->AllStandbyOn();
    EXPECT_EQ(dev(0).frames(), Frames{Frame(14, {0, 0, 0, 0, 0, 0, 0, 1})});
    EXPECT_TRUE(dev(1).frames().empty());
    EXPECT_EQ(dev(0).memory(206, 1)[0], 1);
    EXPECT_EQ(model.device(1).settings[ds::kStandby], 1);

    connection->AllStandbyOff();
    EXPECT_EQ(dev(1).frames(), Frames{Frame(14)});
    EXPECT_EQ(model.entry(1).standby, 0);
    EXPECT_EQ(model.entry(2).standby, 0);

    dev(0).clearLog();
    connection->ToggleStandby(1);
    EXPECT_EQ(dev(0).frames(), Frames{Frame(14, {0, 0, 0, 0, 0, 0, 0, 1})});
    EXPECT_EQ(MakeRowTexts(model.entry(1)).standby, "Standby=ON");
}

TEST_F(ConnectionTest, OpeningAnOffLineDevice) {
    StartListed({Config("Open", 1)});
    const struct {
        Answer answer;
        bool online;
    } cases[] = {{Answer::No, false}, {Answer::Yes, true}};
    for (const auto& c : cases) {
        dialogs.calls.clear();
        editorsShown.clear();
        dialogs.answers = {c.answer};
        EXPECT_EQ(connect->OpenDevice(1), OpenOutcome::EditorOpened);
        EXPECT_EQ(MessageTexts(),
                  std::vector<std::string>{"Device not connected|Do you want to connect the device?"});
        EXPECT_EQ(model.entry(1).online, c.online);
        EXPECT_TRUE(model.entry(1).editorOpen);
        ASSERT_FALSE(editorsShown.empty());
        EXPECT_EQ(editorsShown.back(), 1);
    }
    // On-line: opens at once.
    dialogs.calls.clear();
    EXPECT_EQ(connect->OpenDevice(1), OpenOutcome::EditorOpened);
    EXPECT_TRUE(dialogs.calls.empty());
}

class UsbConnectionTest : public ConnectionTest {
protected:
    void StartUsb(zefsim::DeviceConfig config) {
        StartListed({});
        sim = std::make_unique<zefsim::Simulator>();
        device = &sim->addDevice(config);
        const std::string path = folder.file("ttyZEF");
        sim->openSerial(*device, path);
        sim->start();
        transport.serialPorts().Register(path);
        DeviceEntry& e = ListNetworkEntry(1, "", "", kNetworkUsb);
        e.interface = kInterfaceUsb;
    }
    std::unique_ptr<zefsim::Simulator> sim;
    zefsim::Device* device = nullptr;
};

TEST_F(UsbConnectionTest, OldFirmwareOpensTheFirmwareWindow) {
    auto config = Config("Old USB", 0x41, 0);
    config.major = 1;
    config.minor = 9;
    config.patch = 9;
    StartUsb(config);
    EXPECT_FALSE(connect->ConnectOne(1, ConnectMode::Read));
    EXPECT_EQ(firmwareWindows, std::vector<DeviceSlot>{1});
    EXPECT_TRUE(recoveryInFirmwareWindow);
    EXPECT_FALSE(link.recovering());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Connect|Device not found"});
    EXPECT_EQ(model.entry(1).uniqueId, UidText(0x41));
    EXPECT_TRUE(model.entry(1).ip.empty());
}

TEST_F(UsbConnectionTest, ConnectsAndDisconnectsOverTheSerialPort) {
    StartUsb(Config("New USB", 0x42, 0));
    EXPECT_TRUE(connect->ConnectOne(1, ConnectMode::Read));
    EXPECT_EQ(model.entry(1).name, "New USB");
    EXPECT_TRUE(transport.serial().IsOpen());
    device->clearLog();
    connection->Disconnect(1);
    EXPECT_FALSE(transport.serial().IsOpen());
    EXPECT_EQ(device->frames(), Frames{Frame(15)});
}

}  // namespace
}  // namespace zef::test
