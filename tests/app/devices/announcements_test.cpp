// Device announcements: the three handling steps.
#include "app/announcements.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>
#include <chrono>
#include <functional>
#include <utility>

#include "announcement_datagram.h"
#include "devices_fixture.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "transport/local_wait.h"

namespace zef::test {
namespace {

class AnnouncementTest : public DevicesTest {
protected:
    AnnouncementTest() {
        hooks.connect = [this](DeviceSlot s) { connected.push_back(s); };
        hooks.autoEqOpen = [this] { return autoEqOpen; };
        hooks.closeAutoEq = [this] {
            autoEqOpen = false;
            ++autoEqClosed;
        };
        handler.SetHooks(hooks);
        // Each datagram a second after the last: no sender of these tests runs into its rate.
        handler.SetClock([this] { return now += std::chrono::seconds(1); });
    }
    AnnouncementOutcome Announce(std::uint8_t uidLast, const std::string& name, std::uint8_t kind = 0,
                                 const std::string& ip = "127.0.0.7", std::uint8_t network = 2,
                                 std::uint8_t type = 1) {
        return handler.Handle(ip, AnnouncementDatagram(network, type, uidLast, name), kind);
    }
    std::string Question(const std::string& name, std::uint8_t uidLast, const std::string& ip = "127.0.0.7") {
        return "LAN Device Discovery|Found " + name + "@" + ip + " (UDID:" + UidText(uidLast) +
               ").\r\nDo you want to connect?";
    }

    // Runs the event loop until no datagram is held (at most 2 s).
    bool WaitUntilHandled() {
        for (int i = 0; i < 200 && handler.heldCount() > 0; ++i) LocalWait::Pause(10);
        return handler.heldCount() == 0;
    }

    AnnouncementHooks hooks;
    SenderRateLimit::Clock::time_point now = SenderRateLimit::Clock::now();
    AnnouncementHandler handler{list, link, dialogs};
    std::vector<DeviceSlot> connected;
    bool autoEqOpen = false;
    int autoEqClosed = 0;
};

TEST_F(AnnouncementTest, NewDeviceTakesTheFirstFreeSlot) {
    ListNetworkEntry(1, "127.0.0.50", "FFFFFFFFFFFF");
    model.device(2).preset[pi::kInputGainBase] = 7;  // stale data in the free slot

    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(Announce(3, "Hall Left", 0, "127.0.0.7", 2, 4), AnnouncementOutcome::Connecting);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{Question("Hall Left", 3)});
    const DeviceEntry& e = model.entry(2);
    EXPECT_TRUE(e.inList);
    EXPECT_FALSE(e.online);
    EXPECT_FALSE(e.editorOpen);
    EXPECT_EQ(e.ip, "127.0.0.7");
    EXPECT_EQ(e.name, "Hall Left");
    EXPECT_EQ(e.uniqueId, UidText(3));
    EXPECT_EQ(e.network, kNetworkLan);
    EXPECT_EQ(e.interface, kInterfaceTcp);
    EXPECT_EQ(e.type, 0);
    EXPECT_EQ(model.device(2).settings[4], 4);
    EXPECT_EQ(model.device(2).preset[pi::kInputGainBase], 120);  // defaults: 0 dB
    EXPECT_EQ(connected, std::vector<DeviceSlot>{2});

    // The connect could not reach it: the next announcement says it is
    // unreachable, then offers the connect again (No this time).
    list.unreachable().Add({UidText(3), "LAN"});
    dialogs.calls.clear();
    dialogs.answers = {Answer::No};
    EXPECT_EQ(Announce(3, "Hall Left 2"), AnnouncementOutcome::Declined);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{
                                  "LAN Device Discovery|Found Hall Left 2@127.0.0.7 (UDID:" + UidText(3) +
                                      ").\r\nThe device is UNREACHABLE!\r\nPlease check your network settings.",
                                  Question("Hall Left 2", 3)}));
    EXPECT_EQ(dialogs.calls[0].icon, Icon::Information);
    EXPECT_EQ(model.entry(2).ip, "127.0.0.7");
    EXPECT_EQ(model.entry(2).name, "Hall Left 2");

    // A non-zero kind skips the unreachable message.
    dialogs.calls.clear();
    EXPECT_EQ(Announce(3, "Hall Left", 1), AnnouncementOutcome::Refreshed);
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(AnnouncementTest, UnreachableIsSaidOnceUntilTheDeviceIsSeenOnline) {
    ListNetworkEntry(1, "127.0.0.7", UidText(5));
    dialogs.answers = {Answer::No};
    ASSERT_EQ(Announce(5, "Balcony"), AnnouncementOutcome::Declined);
    const std::string unreachable = "LAN Device Discovery|Found Balcony@127.0.0.7 (UDID:" + UidText(5) +
                                    ").\r\nThe device is UNREACHABLE!\r\nPlease check your network settings.";
    // Declined: its announcements say nothing, the device is not unreachable.
    dialogs.calls.clear();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Announce(5, "Balcony"), AnnouncementOutcome::Refreshed);
    EXPECT_TRUE(dialogs.calls.empty());
    // A connect could not reach it: said once.
    list.unreachable().Add({UidText(5), "LAN"});
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Announce(5, "Balcony"), AnnouncementOutcome::Refreshed);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{unreachable});

    // Seen on-line, then off-line again: one more message.
    const DeviceSlot slot = 1;
    ASSERT_EQ(model.entry(slot).uniqueId, UidText(5));
    model.entry(slot).online = true;
    EXPECT_EQ(Announce(5, "Balcony"), AnnouncementOutcome::AlreadyOnline);
    model.entry(slot).online = false;
    dialogs.calls.clear();
    EXPECT_EQ(Announce(5, "Balcony"), AnnouncementOutcome::Refreshed);
    EXPECT_EQ(Announce(5, "Balcony"), AnnouncementOutcome::Refreshed);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{unreachable});
}

TEST_F(AnnouncementTest, NoTwoUnreachableBoxesAtATime) {
    // Two listed devices declined, then not reached; while the first box is open (its modal wait
    // runs the event loop) the second device's announcement must not open another.
    ListNetworkEntry(1, "127.0.0.7", UidText(6));
    ListNetworkEntry(2, "127.0.0.9", UidText(7));
    dialogs.answers = {Answer::No, Answer::No};
    ASSERT_EQ(Announce(6, "Left"), AnnouncementOutcome::Declined);
    ASSERT_EQ(Announce(7, "Right", 0, "127.0.0.9"), AnnouncementOutcome::Declined);
    list.unreachable().Add({UidText(6), "LAN"});
    list.unreachable().Add({UidText(7), "LAN"});
    dialogs.calls.clear();
    struct NestingDialogs : RecordingDialogs {
        std::function<void()> whileOpen;
        void Message(const std::string& t, const std::string& x, Icon i) override {
            RecordingDialogs::Message(t, x, i);
            if (auto f = std::exchange(whileOpen, {})) f();
        }
    } nesting;
    AnnouncementHandler nested{list, link, nesting};
    nesting.whileOpen = [&] { nested.Handle("127.0.0.9", AnnouncementDatagram(2, 1, 7, "Right"), 0); };
    nested.Handle("127.0.0.7", AnnouncementDatagram(2, 1, 6, "Left"), 0);
    ASSERT_EQ(nesting.calls.size(), 1u);
    EXPECT_NE(nesting.calls[0].text.find("Left@"), std::string::npos);
}

TEST_F(AnnouncementTest, AnnouncementsWaitWhileAnExchangeRuns) {
    // A datagram delivered during an exchange's wait asks nothing then; the
    // latest one of each device is handled once the link is idle.
    auto exchanging = std::make_unique<LinkState::Exchanging>(link);
    EXPECT_EQ(Announce(8, "First name"), AnnouncementOutcome::Held);
    EXPECT_EQ(Announce(8, "Second name"), AnnouncementOutcome::Held);
    EXPECT_EQ(Announce(9, "Other", 0, "127.0.0.10"), AnnouncementOutcome::Held);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(handler.heldCount(), 2u);
    exchanging.reset();
    dialogs.answers = {Answer::No, Answer::No};
    ASSERT_TRUE(WaitUntilHandled());
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{Question("Second name", 8),
                                                        Question("Other", 9, "127.0.0.10")}));
}

TEST_F(AnnouncementTest, YesConnectsTheNewEntry) {
    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(Announce(4, "Stage"), AnnouncementOutcome::Connecting);
    EXPECT_EQ(connected, std::vector<DeviceSlot>{1});
    EXPECT_EQ(model.entry(1).interface, kInterfaceTcp);
    EXPECT_FALSE(list.offered().Contains({UidText(4), "LAN"}));
}

TEST_F(AnnouncementTest, ListedDeviceRules) {
    const struct {
        const char* what;
        bool online;
        bool offered;
        Answer answer;
        AnnouncementOutcome outcome;
        bool asked;
        bool renamedInSettings;
        bool rejoining = false;  // lost, and being brought back by the status ticks
    } cases[] = {
        {"on-line: nothing", true, false, Answer::No, AnnouncementOutcome::AlreadyOnline, false, false},
        {"offered: refreshed silently", false, true, Answer::No, AnnouncementOutcome::Refreshed, false,
         false},
        {"asked, No", false, false, Answer::No, AnnouncementOutcome::Declined, true, true},
        {"asked, Yes", false, false, Answer::Yes, AnnouncementOutcome::Connecting, true, false},
        {"lost, coming back by itself: not asked", false, false, Answer::Yes, AnnouncementOutcome::Refreshed, false,
         false, true},
    };
    for (const auto& c : cases) {
        dialogs.calls.clear();
        list.offered().Clear();
        connected.clear();
        hooks.rejoining = [&c](DeviceSlot s) { return c.rejoining && s == 5; };
        handler.SetHooks(hooks);
        DeviceEntry& e = ListNetworkEntry(5, "127.0.0.7", UidText(9));
        e.online = c.online;
        e.interface = kInterfaceUsb;  // shows that a No answer sets Interface 2
        list.SetDeviceName(5, "Old");
        if (c.offered) list.offered().Add({UidText(9), "LAN"});
        dialogs.answers = {c.answer};

        EXPECT_EQ(Announce(9, "New Name", 1), c.outcome) << c.what;
        EXPECT_EQ(dialogs.calls.size(), c.asked ? 1u : 0u) << c.what;
        const bool updated = c.outcome != AnnouncementOutcome::AlreadyOnline;
        EXPECT_EQ(e.ip, "127.0.0.7") << c.what;
        EXPECT_EQ(e.name, updated ? "New Name" : "Old") << c.what;
        EXPECT_EQ(DeviceName(model.device(5).settings), c.renamedInSettings ? "New Name" : "Old") << c.what;
        EXPECT_EQ(list.offered().Contains({UidText(9), "LAN"}),
                  c.offered || (c.asked && c.answer == Answer::No))
            << c.what;
        EXPECT_EQ(connected,
                  c.answer == Answer::Yes && c.asked ? std::vector<DeviceSlot>{5} : std::vector<DeviceSlot>{})
            << c.what;
        EXPECT_FALSE(model.entry(1).inList) << c.what;  // no second entry
    }
}

TEST_F(AnnouncementTest, EntryAddedByHandTakesTheAnnouncedDevice) {
    ListNetworkEntry(3, "127.0.0.7", "", kNetworkUnknown);
    list.SetDeviceName(3, "ZEF-4.260");
    dialogs.answers = {Answer::No};
    EXPECT_EQ(Announce(6, "Bar", 0, "127.0.0.7", 1), AnnouncementOutcome::Declined);
    const DeviceEntry& e = model.entry(3);
    EXPECT_EQ(e.network, kNetworkWlan);
    EXPECT_EQ(e.name, "Bar");
    EXPECT_EQ(DeviceName(model.device(3).settings), "Bar");
    EXPECT_EQ(e.uniqueId, "");
    EXPECT_FALSE(model.entry(1).inList);
    EXPECT_EQ(dialogs.calls[0].title, "WLAN Device Discovery");
}

TEST_F(AnnouncementTest, SameDeviceOnAnotherNetworkIsAnotherEntry) {
    ListNetworkEntry(1, "127.0.0.20", UidText(7), kNetworkLan);
    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(Announce(7, "Dual", 0, "127.0.0.21", 1), AnnouncementOutcome::Connecting);
    EXPECT_EQ(model.entry(2).uniqueId, UidText(7));
    EXPECT_EQ(model.entry(2).network, kNetworkWlan);
    EXPECT_EQ(model.entry(1).ip, "127.0.0.20");
}

TEST_F(AnnouncementTest, IgnoredAnnouncements) {
    std::optional<LinkState::Recovering> recovering;
    const struct {
        const char* what;
        std::function<void()> setUp;
        std::vector<std::uint8_t> datagram;
    } cases[] = {
        {"removed device",
         [this] {
             list.removed().Add({UidText(8), "LAN"});
         },
         AnnouncementDatagram(2, 1, 8, "R")},
        {"link recovery", [this, &recovering] { recovering.emplace(link); }, AnnouncementDatagram(2, 1, 8, "R")},
        {"bad checksum", [] {},
         [] {
             auto d = AnnouncementDatagram(2, 1, 8, "R");
             d[25] ^= 1;
             return d;
         }()},
    };
    for (const auto& c : cases) {
        model = Model();
        list.removed().Clear();
        recovering.reset();
        dialogs.calls.clear();
        c.setUp();
        std::vector<std::string> before;
        for (DeviceSlot s = 1; s <= 32; ++s) before.push_back(model.entry(s).uniqueId);
        EXPECT_EQ(handler.Handle("127.0.0.7", c.datagram, 0), AnnouncementOutcome::Ignored) << c.what;
        EXPECT_TRUE(dialogs.calls.empty()) << c.what;
        for (DeviceSlot s = 1; s <= 32; ++s)
            EXPECT_EQ(model.entry(s).uniqueId, before[static_cast<std::size_t>(s - 1)]) << c.what;
    }
}

TEST_F(AnnouncementTest, AutoEqWizardMustCloseFirst) {
    autoEqOpen = true;
    dialogs.answers = {Answer::No};
    Announce(2, "Amp");
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, "Found Amp@127.0.0.7 (UDID:" + UidText(2) +
                                         ").\r\nThe system must close the AUTOEQ wizard to connect\r\n"
                                         "Do you want to continue?");
    EXPECT_EQ(autoEqClosed, 0);
    EXPECT_TRUE(connected.empty());

    dialogs.answers = {Answer::Yes};
    Announce(3, "Amp");
    EXPECT_EQ(autoEqClosed, 1);
    EXPECT_EQ(connected, std::vector<DeviceSlot>{1});
}

TEST_F(AnnouncementTest, AnnouncementFromTheSimulatorOverUdp) {
    StartNetwork({{"127.0.0.23", Config("Via UDP", 0x42, 1)}});
    auto listener = transport.NewAnnouncementListener();
    std::vector<AnnouncementOutcome> outcomes;
    listener->SetHandler([&](const std::string& ip, const Bytes& d, std::uint8_t kind) {
        outcomes.push_back(handler.Handle(ip, d, kind));
    });
    ASSERT_EQ(listener->Listen("127.0.0.1", 0), kTransportOk);
    net.sim().announceTo(net.device(0), "127.0.0.1", listener->LocalPort());
    dialogs.answers = {Answer::Yes};
    net.sim().announceNow(net.device(0));
    QTimer tick;
    tick.start(10);
    LocalWait wait;
    wait.WakeOn(&tick, &QTimer::timeout);
    ASSERT_TRUE(wait.Run(3000, [&] { return !outcomes.empty(); }));
    EXPECT_EQ(outcomes[0], AnnouncementOutcome::Connecting);
    EXPECT_EQ(model.entry(1).ip, "127.0.0.23");
    EXPECT_EQ(model.entry(1).name, "Via UDP");
    EXPECT_EQ(model.entry(1).uniqueId, UidText(0x42));
    EXPECT_EQ(model.entry(1).network, kNetworkWlan);
}

// A listed device announced from another address: the user is asked, a No
// keeps the entry and is remembered for that address, a Yes moves it.
TEST_F(AnnouncementTest, AKnownDeviceFromANewAddressIsMovedOnlyWhenTheUserSaysSo) {
    const std::string moved = "LAN Device Discovery|Stage Left announces itself from 127.0.0.99 instead of "
                              "127.0.0.2 \u2014 update the address?";
    const struct {
        const char* what;
        bool offered;
        std::vector<Answer> answers;
        AnnouncementOutcome outcome;
        const char* ip;
        std::vector<std::string> asked;
    } cases[] = {
        {"No keeps the entry", true, {Answer::No}, AnnouncementOutcome::AddressKept, "127.0.0.2", {moved}},
        {"Yes moves an offered entry", true, {Answer::Yes}, AnnouncementOutcome::Refreshed, "127.0.0.99", {moved}},
        {"Yes, then the connect question", false, {Answer::Yes, Answer::Yes}, AnnouncementOutcome::Connecting,
         "127.0.0.99", {moved, Question("Spoof", 9, "127.0.0.99")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AnnouncementHandler fresh{list, link, dialogs, hooks};
        fresh.SetClock([this] { return now += std::chrono::seconds(1); });
        list.offered().Clear();
        DeviceEntry& e = ListNetworkEntry(4, "127.0.0.2", UidText(9));
        list.SetDeviceName(4, "Stage Left");
        if (c.offered) list.offered().Add({UidText(9), "LAN"});
        dialogs.calls.clear();
        dialogs.answers = {c.answers.begin(), c.answers.end()};
        EXPECT_EQ(fresh.Handle("127.0.0.99", AnnouncementDatagram(2, 1, 9, "Spoof"), 1), c.outcome);
        std::vector<std::string> asked;
        for (const auto& call : dialogs.calls) asked.push_back(call.title + "|" + call.text);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(e.ip, c.ip);
        EXPECT_EQ(e.name, c.outcome == AnnouncementOutcome::AddressKept ? "Stage Left" : "Spoof");
        if (c.outcome != AnnouncementOutcome::AddressKept) continue;
        // The No holds for that address, without asking; another address is asked again.
        dialogs.calls.clear();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(fresh.Handle("127.0.0.99", AnnouncementDatagram(2, 1, 9, "Spoof"), 0),
                      AnnouncementOutcome::AddressKept);
        EXPECT_TRUE(dialogs.calls.empty());
        EXPECT_EQ(e.ip, "127.0.0.2");
        dialogs.answers = {Answer::No};
        EXPECT_EQ(fresh.Handle("127.0.0.100", AnnouncementDatagram(2, 1, 9, "Spoof"), 1),
                  AnnouncementOutcome::AddressKept);
        EXPECT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(e.ip, "127.0.0.2");
    }
}

TEST_F(AnnouncementTest, ADeclinedDeviceIsNeitherAddedNorAskedAgain) {
    dialogs.answers = {Answer::No};
    EXPECT_EQ(Announce(3, "Hall Left"), AnnouncementOutcome::Declined);
    for (DeviceSlot s = 1; s <= 32; ++s) EXPECT_FALSE(model.entry(s).inList) << s;
    dialogs.calls.clear();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Announce(3, "Hall Left"), AnnouncementOutcome::Ignored);
    EXPECT_EQ(Announce(3, "Hall Left", 0, "127.0.0.8"), AnnouncementOutcome::Ignored);
    EXPECT_TRUE(dialogs.calls.empty());
    // Another device is asked; an entry the user added by hand at the address still takes the device.
    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(Announce(4, "Hall Right", 0, "127.0.0.9"), AnnouncementOutcome::Connecting);
    ListNetworkEntry(5, "127.0.0.7", "", kNetworkUnknown);
    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(Announce(3, "Hall Left"), AnnouncementOutcome::Connecting);
    EXPECT_EQ(model.entry(5).name, "Hall Left");
}

TEST_F(AnnouncementTest, AFullListSaysOnceWhichDeviceItCouldNotTake) {
    for (DeviceSlot s = 1; s <= 32; ++s) ListNetworkEntry(s, "127.0.1." + std::to_string(s), "X" + std::to_string(s));
    EXPECT_EQ(Announce(8, "Late Comer"), AnnouncementOutcome::ListFull);
    EXPECT_EQ(Announce(9, "Another", 0, "127.0.0.8"), AnnouncementOutcome::ListFull);
    EXPECT_EQ(Announce(8, "Late Comer"), AnnouncementOutcome::ListFull);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"LAN Device Discovery|Max added device is 32\r\nLate "
                                                       "Comer@127.0.0.7 (UDID:" +
                                                       UidText(8) + ") was not added to the list."});
    EXPECT_EQ(dialogs.calls[0].icon, Icon::Exclamation);
    // Room again: the device is offered; full once more, the list says so once more.
    list.ClearSlot(32);
    dialogs.calls.clear();
    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(Announce(9, "Another", 0, "127.0.0.8"), AnnouncementOutcome::Connecting);
    EXPECT_EQ(Announce(8, "Late Comer"), AnnouncementOutcome::ListFull);
    EXPECT_EQ(dialogs.calls.size(), 2u);
}

// One sender claiming 300 unique IDs, as real datagrams over UDP: five are
// looked at, the list keeps room, and a device from another address is still
// offered.
TEST_F(AnnouncementTest, OneSenderCannotFloodTheList) {
    const auto frozen = SenderRateLimit::Clock::now();
    handler.SetClock([&] { return frozen; });
    auto listener = transport.NewAnnouncementListener();
    std::vector<AnnouncementOutcome> outcomes;
    listener->SetHandler([&](const std::string& ip, const Bytes& d, std::uint8_t kind) {
        outcomes.push_back(handler.Handle(ip, d, kind));
    });
    ASSERT_EQ(listener->Listen("127.0.0.1", 0), kTransportOk);
    QUdpSocket flooder, device;
    ASSERT_TRUE(flooder.bind(QHostAddress("127.0.0.50"), 0));
    ASSERT_TRUE(device.bind(QHostAddress("127.0.0.51"), 0));
    const auto send = [&](QUdpSocket& from, const Bytes& d) {
        from.writeDatagram(reinterpret_cast<const char*>(d.data()), static_cast<qint64>(d.size()),
                           QHostAddress("127.0.0.1"), listener->LocalPort());
    };
    dialogs.defaultAnswer = Answer::Yes;  // the worst case: every question answered Yes
    QTimer tick;
    tick.start(10);
    LocalWait wait;
    wait.WakeOn(&tick, &QTimer::timeout);
    // In batches the socket's buffer holds; the clock stands still meanwhile.
    for (int i = 0; i < 300; ++i) {
        send(flooder, AnnouncementDatagramOf(2, 1, {0x0F, 0, 0, 0, static_cast<std::uint8_t>(i >> 8),
                                                    static_cast<std::uint8_t>(i)},
                                             "Fake " + std::to_string(i)));
        if (i % 50 == 49) {
            ASSERT_TRUE(wait.Run(5000, [&] { return outcomes.size() == std::size_t(i) + 1; }));
        }
    }
    send(device, AnnouncementDatagram(2, 1, 0x42, "Real One"));
    ASSERT_TRUE(wait.Run(5000, [&] { return outcomes.size() == 301; }));

    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), AnnouncementOutcome::RateLimited), 295);
    EXPECT_EQ(dialogs.calls.size(), 6u);
    int listed = 0;
    for (DeviceSlot s = 1; s <= 32; ++s) listed += model.entry(s).inList ? 1 : 0;
    EXPECT_EQ(listed, 6);
    EXPECT_EQ(outcomes.back(), AnnouncementOutcome::Connecting);
    EXPECT_EQ(model.entry(6).name, "Real One");
}

TEST_F(AnnouncementTest, EachSenderRefillsOneAnnouncementASecond) {
    handler.SetClock([&] { return now; });
    const auto burst = [&](const std::string& ip, int count) {
        int handled = 0;
        for (int i = 0; i < count; ++i)
            handled += handler.Handle(ip, AnnouncementDatagram(2, 1, 0x30, "Same"), 1) !=
                       AnnouncementOutcome::RateLimited;
        return handled;
    };
    ListNetworkEntry(1, "127.0.0.7", UidText(0x30)).online = true;  // nothing to ask
    EXPECT_EQ(burst("127.0.0.7", 20), 5);
    EXPECT_EQ(burst("127.0.0.8", 20), 5);  // another address has its own
    now += std::chrono::milliseconds(999);
    EXPECT_EQ(burst("127.0.0.7", 20), 0);
    now += std::chrono::milliseconds(1);
    EXPECT_EQ(burst("127.0.0.7", 20), 1);
    now += std::chrono::seconds(60);
    EXPECT_EQ(burst("127.0.0.7", 20), 5);  // never more than the burst
    // A device announcing every 2 s is never held back.
    for (int i = 0; i < 30; ++i) {
        now += std::chrono::seconds(2);
        EXPECT_EQ(burst("127.0.0.9", 1), 1);
    }
}

TEST(SenderRateLimit, FollowsAFewSendersOnly) {
    SenderRateLimit limit;
    auto now = SenderRateLimit::Clock::now();
    for (int i = 0; i < 300; ++i) {
        for (int k = 0; k < 5; ++k) EXPECT_TRUE(limit.Allow("127.1.0." + std::to_string(i), now));
        EXPECT_FALSE(limit.Allow("127.1.0." + std::to_string(i), now));
        now += std::chrono::milliseconds(1);
    }
    EXPECT_LE(limit.senders(), SenderRateLimit::kMaxSenders);
}

}  // namespace
}  // namespace zef::test
