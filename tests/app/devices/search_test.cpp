// Searching the serial ports and an IPv4 range, and merging what was found.
#include "app/search.h"

#include <gtest/gtest.h>

#include "devices_fixture.h"
#include "files/init_config.h"
#include "transport/local_wait.h"

namespace zef::test {
namespace {

const std::vector<std::uint8_t> kIdentifyFrame = {0xF0, 0x21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7};
std::vector<std::uint8_t> CloseFrame(std::uint8_t address) {
    return {0xF0, 0x21, address, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7};
}

class SearchTest : public DevicesTest {
protected:
    // Five devices spread over 127.0.0.2 .. 127.0.0.40.
    void StartFive() {
        StartNetwork({{"127.0.0.2", Config("Front L", 2)},
                      {"127.0.0.5", Config("Front R", 5)},
                      {"127.0.0.11", Config("Sub", 11, 1)},
                      {"127.0.0.23", Config("Delay Line", 23)},
                      {"127.0.0.40", Config("Monitor", 40)}});
    }
    MergeOutcome Search(const RangeBoxes& boxes) {
        DeviceSearch search(list, *exchange, dialogs, settings, hooks);
        EXPECT_TRUE(search.Open());
        EXPECT_TRUE(search.StartTcp(boxes));
        EXPECT_TRUE(search.WaitUntilDone(5000));
        return search.Close();
    }
    std::vector<std::string> ListedSummary() const {
        std::vector<std::string> rows;
        for (DeviceSlot s = 1; s <= 32; ++s) {
            const DeviceEntry& e = model.entry(s);
            if (e.inList)
                rows.push_back(std::to_string(s) + " " + e.ip + " " + e.name + " " + e.uniqueId + " " +
                               NetworkName(e.network) + (e.online ? " on" : " off"));
        }
        return rows;
    }

    SearchSettings settings{.loopbackIsNetwork = true};
    std::vector<std::string> captions;
    SearchHooks hooks{[this](const std::string& c) { captions.push_back(c); }, {}, {}, {}};
    const RangeBoxes range{"127", "0", "0", "2", "127", "0", "0", "40"};
};

TEST_F(SearchTest, RangeSearchFindsExactlyTheDevicesPresent) {
    StartFive();
    EXPECT_EQ(Search(range), (MergeOutcome{5, 0}));
    EXPECT_EQ(ListedSummary(), (std::vector<std::string>{
                                   "1 127.0.0.2 Front L 0A0B0C0D0E02 LAN off",
                                   "2 127.0.0.5 Front R 0A0B0C0D0E05 LAN off",
                                   "3 127.0.0.11 Sub 0A0B0C0D0E0B WLAN off",
                                   "4 127.0.0.23 Delay Line 0A0B0C0D0E17 LAN off",
                                   "5 127.0.0.40 Monitor 0A0B0C0D0E28 LAN off",
                               }));
    for (DeviceSlot s = 1; s <= 5; ++s) {
        EXPECT_EQ(model.entry(s).interface, kInterfaceTcp);
        EXPECT_EQ(model.entry(s).type, 0);
    }
    EXPECT_TRUE(dialogs.calls.empty());
    // Each device was identified and then closed, nothing else.
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(net.device(i).frames(),
                  (std::vector<std::vector<std::uint8_t>>{kIdentifyFrame, CloseFrame(1)}));
    // The range is kept in init.cfg.
    const InitConfig config = ReadInitConfig(folder.path());
    EXPECT_EQ(config.rangeStart, (std::array<std::int16_t, 4>{127, 0, 0, 2}));
    EXPECT_EQ(config.rangeEnd, (std::array<std::int16_t, 4>{127, 0, 0, 40}));
    ASSERT_GE(captions.size(), 6u);
    EXPECT_EQ(captions[0], "Searching device via TCP/IP, please wait.....");
    EXPECT_EQ(captions[1], "Searching device [IP:127.0.0.2], please wait.....");
    EXPECT_EQ(captions.back(), "Searching device [IP:127.0.0.40], please wait.....");
}

TEST_F(SearchTest, SecondSearchUpdatesInsteadOfDuplicating) {
    StartFive();
    Search(range);
    net.device(1).setMemory(5,
                            {'R', 'e', 'n', 'a', 'm', 'e', 'd', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '});
    model.entry(4).ip = "127.0.0.99";  // the device moved back to .23
    dialogs.calls.clear();
    EXPECT_EQ(Search(range), (MergeOutcome{0, 5}));
    EXPECT_EQ(ListedSummary(), (std::vector<std::string>{
                                   "1 127.0.0.2 Front L 0A0B0C0D0E02 LAN off",
                                   "2 127.0.0.5 Renamed 0A0B0C0D0E05 LAN off",
                                   "3 127.0.0.11 Sub 0A0B0C0D0E0B WLAN off",
                                   "4 127.0.0.23 Delay Line 0A0B0C0D0E17 LAN off",
                                   "5 127.0.0.40 Monitor 0A0B0C0D0E28 LAN off",
                               }));
    EXPECT_TRUE(dialogs.calls.empty());  // unchanged devices still count as updated
}

TEST_F(SearchTest, SameUniqueIdOnAnotherNetworkIsAddedAgain) {
    StartNetwork({{"127.0.0.2", Config("Dual", 2, 1)}});  // answers as WLAN
    ListNetworkEntry(1, "127.0.0.30", UidText(2), kNetworkLan);
    EXPECT_EQ(Search(range), (MergeOutcome{1, 0}));
    EXPECT_EQ(ListedSummary(), (std::vector<std::string>{"1 127.0.0.30 Listed 0A0B0C0D0E02 LAN off",
                                                         "2 127.0.0.2 Dual 0A0B0C0D0E02 WLAN off"}));
}

TEST_F(SearchTest, OnlineListedAddressesAreNotProbed) {
    StartNetwork({{"127.0.0.2", Config("A", 2)}, {"127.0.0.3", Config("B", 3)}});
    ListNetworkEntry(1, "127.0.0.3", UidText(3)).online = true;
    EXPECT_EQ(Search(range), (MergeOutcome{1, 0}));
    EXPECT_TRUE(net.device(1).frames().empty());
    EXPECT_EQ(net.device(0).frames().size(), 2u);
}

TEST_F(SearchTest, NothingFoundSaysSo) {
    StartNetwork({{"127.0.0.2", Config("Quiet", 2)}});
    net.device(0).setSilent(true);  // accepts the connection, never answers
    EXPECT_EQ(Search(range), (MergeOutcome{0, 0}));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Search Device|No new device(s) found"});
    EXPECT_EQ(dialogs.calls[0].icon, Icon::Exclamation);
    EXPECT_FALSE(model.entry(1).inList);
}

TEST_F(SearchTest, ClosedBeforeAnyPartCompletedMergesNothing) {
    StartFive();
    DeviceSearch search(list, *exchange, dialogs, settings, hooks);
    ASSERT_TRUE(search.Open());
    ASSERT_TRUE(search.StartTcp(range));
    EXPECT_TRUE(search.running());
    EXPECT_EQ(search.Close(), (MergeOutcome{0, 0}));
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(ListedSummary().empty());
}

TEST_F(SearchTest, CompletionTimerLetsAClosedWindowMerge) {
    StartNetwork({{"127.0.0.2", Config("Fast", 2)}, {"127.0.0.3", Config("Slow", 3)}});
    net.device(1).setSilent(true);  // identify waits its full time-out
    settings.completionMs = 100;
    DeviceSearch search(list, *exchange, dialogs, settings, hooks);
    ASSERT_TRUE(search.Open());
    ASSERT_TRUE(search.StartTcp(range));
    // Wait until the fast device is found and the timer fired, then close.
    QTimer tick;
    tick.start(10);
    LocalWait wait;
    wait.WakeOn(&tick, &QTimer::timeout);
    ASSERT_TRUE(wait.Run(3000, [&] { return search.completed() && !search.results().empty(); }));
    EXPECT_EQ(search.Close(), (MergeOutcome{1, 0}));
    EXPECT_EQ(model.entry(1).name, "Fast");
}

TEST_F(SearchTest, NoNetworkRefusesTcpMode) {
    StartNetwork({});
    settings.loopbackIsNetwork = false;
    DeviceSearch search(list, *exchange, dialogs, settings, hooks);
    ASSERT_TRUE(search.Open());
    const bool hasLan = transport.GetLocalAddresses().front() != "127.0.0.1";
    EXPECT_EQ(search.SelectTcpMode(), hasLan);
    if (!hasLan) {
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{"TCP/IP|WLAN or LAN not found"});
    }
}

class UsbSearchTest : public SearchTest {
protected:
    void StartUsbDevice(const std::string& name, std::uint8_t uidLast, bool bootLoader = false) {
        StartNetwork({});
        sim = std::make_unique<zefsim::Simulator>();
        auto config = Config(name, uidLast, 0);
        config.bootloader = bootLoader;
        config.address = 0x07;
        device = &sim->addDevice(config);
        const std::string link = folder.file("ttyZEF");
        sim->openSerial(*device, link);
        sim->start();
        transport.serialPorts().Register(link);
    }
    MergeOutcome SearchUsb(bool expectFound = true) {
        DeviceSearch search(list, *exchange, dialogs, settings, hooks);
        EXPECT_TRUE(search.Open());
        EXPECT_EQ(search.StartUsb(), expectFound);
        EXPECT_FALSE(transport.serial().IsOpen());
        return search.Close();
    }
    std::unique_ptr<zefsim::Simulator> sim;
    zefsim::Device* device = nullptr;
};

TEST_F(UsbSearchTest, FindsTheSerialDeviceAndClosesThePort) {
    StartUsbDevice("On USB", 0x31, true);
    EXPECT_EQ(SearchUsb(), (MergeOutcome{1, 0}));
    const DeviceEntry& e = model.entry(1);
    EXPECT_TRUE(e.isUsb());
    EXPECT_TRUE(e.ip.empty());
    EXPECT_EQ(e.name, "On USB");
    EXPECT_EQ(e.uniqueId, UidText(0x31));
    EXPECT_EQ(e.network, kNetworkUsb);
    EXPECT_EQ(e.type, kTypeBootLoader);
    EXPECT_FALSE(e.online);
    // The serial identify is taken when two replies agree.
    EXPECT_EQ(device->frames(),
              (std::vector<std::vector<std::uint8_t>>{kIdentifyFrame, kIdentifyFrame, CloseFrame(7)}));
    EXPECT_EQ(ReadInitConfig(folder.path()).serialPortNumber, 1);
}

TEST_F(UsbSearchTest, ListedUsbEntryRules) {
    const struct {
        const char* what;
        std::string listedUid;
        Answer answer;
        MergeOutcome outcome;
        std::vector<std::string> dialogs;
        std::string nameAfter;
    } cases[] = {
        {"same device",
         UidText(0x31),
         Answer::Yes,
         {0, 0},
         {"Search Device|No new device(s) found"},
         "Listed"},
        {"other device, No",
         "FFFFFFFFFFFF",
         Answer::No,
         {0, 0},
         {"Search Device|Found USB device named On USB with Unique ID " + UidText(0x31) +
              ".\r\nDo you want to overwrite the device already present in the Device List ?",
          "Search Device|No new device(s) found"},
         "Listed"},
        {"other device, Yes",
         "FFFFFFFFFFFF",
         Answer::Yes,
         {0, 1},
         {"Search Device|Found USB device named On USB with Unique ID " + UidText(0x31) +
          ".\r\nDo you want to overwrite the device already present in the Device List ?"},
         "On USB"},
    };
    StartUsbDevice("On USB", 0x31);
    for (const auto& c : cases) {
        dialogs.calls.clear();
        DeviceEntry& e = ListNetworkEntry(3, "", c.listedUid, kNetworkUsb);
        e.interface = kInterfaceUsb;
        dialogs.answers = {c.answer};
        EXPECT_EQ(SearchUsb(), c.outcome) << c.what;
        EXPECT_EQ(MessageTexts(), c.dialogs) << c.what;
        EXPECT_EQ(model.entry(3).name, c.nameAfter) << c.what;
        EXPECT_EQ(model.entry(3).uniqueId, c.listedUid) << c.what;
        EXPECT_FALSE(model.entry(1).inList) << c.what;
    }
}

TEST_F(UsbSearchTest, OnlineUsbEntrySkipsTheSearch) {
    StartUsbDevice("On USB", 0x31);
    DeviceEntry& e = ListNetworkEntry(2, "", "X", kNetworkUsb);
    e.interface = kInterfaceUsb;
    e.online = true;
    DeviceSearch search(list, *exchange, dialogs, settings, hooks);
    ASSERT_TRUE(search.Open());
    EXPECT_FALSE(search.StartUsb());
    EXPECT_TRUE(device->frames().empty());
}

}  // namespace
}  // namespace zef::test
