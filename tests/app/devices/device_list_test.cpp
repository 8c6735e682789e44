// The device list: adding by hand, removing, renaming, row texts.
#include "device/device_list.h"

#include <gtest/gtest.h>

#include "devices_fixture.h"
#include "model/memory_map.h"
#include "model/records.h"

namespace zef::test {
namespace {

class DeviceListTest : public DevicesTest {};

TEST(DeviceListRules, ParseOctetAcceptsWholeNumbersUpTo255) {
    const struct {
        const char* text;
        std::optional<int> value;
    } cases[] = {
        {"010", 10},           {"0", 0},
        {"255", 255},          {" 7 ", 7},
        {"256", std::nullopt}, {"", std::nullopt},
        {"1a", std::nullopt},  {"-1", std::nullopt},
        {"1.5", std::nullopt}, {"   ", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseOctet(c.text), c.value) << "'" << c.text << "'";
}

TEST(DeviceListRules, RowTextsFollowTheEntry) {
    DeviceEntry e;
    e.name = "  Stage  ";
    e.ip = "127.0.0.9";
    e.uniqueId = "0A0B0C0D0E01";
    const struct {
        std::int16_t network;
        bool online;
        std::int16_t standby;
        RowTexts expected;
    } cases[] = {
        {kNetworkLan, true, 1, {"Stage", "127.0.0.9", "LAN", "0A0B0C0D0E01", "On-line", "Standby=ON"}},
        {kNetworkWlan, false, 0, {"Stage", "127.0.0.9", "WLAN", "0A0B0C0D0E01", "Off-line", "\xE2\x80\x94"}},
        {kNetworkUsb, false, 1, {"Stage", "127.0.0.9", "USB", "0A0B0C0D0E01", "Off-line", "\xE2\x80\x94"}},
        {kNetworkUnknown, false, 2, {"Stage", "127.0.0.9", "", "0A0B0C0D0E01", "Off-line", "\xE2\x80\x94"}},
        {7, false, 0, {"Stage", "127.0.0.9", "", "0A0B0C0D0E01", "Off-line", "\xE2\x80\x94"}},
    };
    for (const auto& c : cases) {
        e.network = c.network;
        e.online = c.online;
        e.standby = c.standby;
        EXPECT_EQ(MakeRowTexts(e), c.expected) << c.network;
    }
    // An off-line device whose editor is open is being edited on its model.
    e.editorOpen = true;
    e.online = false;
    EXPECT_EQ(MakeRowTexts(e).status, "Offline (editing)");
    e.online = true;
    EXPECT_EQ(MakeRowTexts(e).status, "On-line");
}

TEST_F(DeviceListTest, AddByHandChecksBoxesAndDuplicates) {
    StartNetwork({});
    ListNetworkEntry(3, "127.0.1.10", "");
    const struct {
        AddRequest request;
        std::string message;  // empty: added
        std::string ip;
    } cases[] = {
        {{false, {"127", "0", "1", "x"}}, "Add|IP address not correct", ""},
        {{false, {"127", "0", "", "1"}}, "Add|IP address not correct", ""},
        {{false, {"127", "000", "01", "010"}}, "Add|IP 127.0.1.10 address already on the list!", ""},
        {{false, {"127", "0", "1", "011"}}, "", "127.0.1.11"},
        {{true, {"1", "2", "3", "4"}}, "", ""},
        {{true, {"1", "2", "3", "4"}}, "Add|Device with USB already on the list!", ""},
    };
    for (const auto& c : cases) {
        dialogs.calls.clear();
        const auto slot = actions.Add(c.request);
        if (c.message.empty()) {
            ASSERT_TRUE(slot.has_value());
            EXPECT_TRUE(dialogs.calls.empty());
            const DeviceEntry& e = model.entry(*slot);
            EXPECT_EQ(e.ip, c.ip);
            EXPECT_TRUE(e.inList);
            EXPECT_FALSE(e.online);
            EXPECT_EQ(e.name, "ZEF-4.260");
            EXPECT_EQ(e.standby, 1);
            EXPECT_EQ(e.interface, c.request.usb ? kInterfaceUsb : kInterfaceTcp);
            EXPECT_EQ(e.deviceId, c.request.usb ? 0 : 255);
            EXPECT_EQ(e.network, c.request.usb ? kNetworkUsb : kNetworkUnknown);
        } else {
            EXPECT_FALSE(slot.has_value());
            ASSERT_EQ(MessageTexts(), std::vector<std::string>{c.message});
            EXPECT_EQ(dialogs.calls[0].icon, Icon::Exclamation);
        }
    }
    // Slots are filled from the first free one: 1, 2 (3 was taken).
    EXPECT_EQ(model.entry(1).ip, "127.0.1.11");
    EXPECT_TRUE(model.entry(2).isUsb());
    EXPECT_FALSE(list.UsbChoiceAllowed());
}

TEST_F(DeviceListTest, AddedEntryGetsADefaultModel) {
    StartNetwork({});
    model.device(1).preset[pi::kInputGainBase] = 3;
    model.device(1).settings[ds::kStandby] = 9;
    ASSERT_EQ(actions.Add({false, {"127", "0", "0", "5"}}), DeviceSlot{1});
    Model fresh;
    DeviceList other(fresh);
    other.ResetModel(1);
    EXPECT_EQ(model.device(1).preset, fresh.device(1).preset);
    EXPECT_EQ(model.device(1).settings, fresh.device(1).settings);
    EXPECT_EQ(redrawn, std::vector<DeviceSlot>{1});
}

TEST_F(DeviceListTest, FullListRefusesBeforeTheDialogOpens) {
    StartNetwork({});
    for (DeviceSlot s = 1; s <= 32; ++s) ListNetworkEntry(s, "127.0.0." + std::to_string(s), "");
    EXPECT_FALSE(actions.BeginAdd().has_value());
    EXPECT_FALSE(actions.Add({false, {"127", "0", "1", "99"}}).has_value());
    const std::vector<std::string> expected(2, "Add Device|Max added device is 32");
    EXPECT_EQ(MessageTexts(), expected);
    EXPECT_EQ(dialogs.calls[0].icon, Icon::Information);
    model.entry(17).inList = false;
    EXPECT_EQ(actions.BeginAdd(), DeviceSlot{17});
}

TEST_F(DeviceListTest, RemoveAsksAndRemembersRemovedDevices) {
    StartNetwork({});
    ListNetworkEntry(2, "127.0.0.2", "AAAAAAAAAAAA", kNetworkLan);
    ListNetworkEntry(5, "127.0.0.5", "BBBBBBBBBBBB", kNetworkWlan);

    EXPECT_FALSE(actions.Remove({}));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Remove Device(s)|Please select a device"});

    dialogs.calls.clear();
    dialogs.answers = {Answer::No};
    EXPECT_FALSE(actions.Remove({2, 5}));
    EXPECT_TRUE(model.entry(2).inList);
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{"Remove Device(s)|Remove selected device(s),\r\nare you sure?"});

    dialogs.answers = {Answer::Yes};
    EXPECT_TRUE(actions.Remove({2, 5}));
    for (DeviceSlot s : {2, 5}) {
        const DeviceEntry& e = model.entry(s);
        EXPECT_FALSE(e.inList);
        EXPECT_EQ(e.deviceId, s);
        EXPECT_EQ(e.interface, kInterfaceTcp);
        EXPECT_TRUE(e.ip.empty() && e.name.empty() && e.uniqueId.empty());
        EXPECT_EQ(e.standby, 1);
    }
    EXPECT_TRUE(list.removed().Contains({"AAAAAAAAAAAA", "LAN"}));
    EXPECT_TRUE(list.removed().Contains({"BBBBBBBBBBBB", "WLAN"}));
    EXPECT_FALSE(list.removed().Contains({"BBBBBBBBBBBB", "LAN"}));
}

TEST(DeviceListRules, PairTableKeepsEachPairOnce) {
    PairTable t;
    t.Add({"A", "LAN"});
    t.Add({"A", "LAN"});
    t.Add({"A", "WLAN"});
    EXPECT_EQ(t.pairs().size(), 2u);
    t.Remove({"A", "LAN"});
    EXPECT_FALSE(t.Contains({"A", "LAN"}));
    EXPECT_TRUE(t.Contains({"A", "WLAN"}));
}

TEST_F(DeviceListTest, SetDeviceNamePadsTheSettingsField) {
    StartNetwork({});
    const struct {
        std::string name;
        std::string entryName;
        std::string field;
    } cases[] = {
        {"Hall", "Hall", "Hall            "},
        {"Exactly16Chars!!", "Exactly16Chars!!", "Exactly16Chars!!"},
        {"Seventeen chars!!", "Seventeen chars!", "Seventeen chars!"},
        {"", "", "                "},
    };
    for (const auto& c : cases) {
        list.SetDeviceName(4, c.name);
        EXPECT_EQ(model.entry(4).name, c.entryName);
        const auto& s = model.device(4).settings;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&s.bytes[5]), 16), c.field);
        EXPECT_EQ(s[4], 0);
        EXPECT_EQ(s[21], 0);
    }
}

TEST_F(DeviceListTest, EditNameWritesSixteenBytesAtAddressFive) {
    StartNetwork({{"127.0.0.1", Config("Old Name", 1)}});
    ListNetworkEntry(1, "127.0.0.1", UidText(1));
    ASSERT_EQ(transport.tcp().Connect(1, "127.0.0.1", net.port(), 1000), kTransportOk);
    ASSERT_TRUE(exchange->IdentifyDevice(1));
    model.entry(1).online = true;
    net.device(0).clearLog();

    const struct {
        std::string text;
        std::string message;
    } refused[] = {
        {"", "Edit Device Name|Please input a name"},
        {"ab", "Edit Device Name|Please input min. 3 characters"},
    };
    for (const auto& c : refused) {
        dialogs.calls.clear();
        EXPECT_FALSE(actions.EditName(1, c.text, *exchange));
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{c.message});
        EXPECT_EQ(model.entry(1).name, "Listed");
    }
    EXPECT_TRUE(net.device(0).frames().empty());

    EXPECT_TRUE(actions.EditName(1, "Balcony", *exchange));
    const std::vector<std::uint8_t> expected = {0xF0, 0x21, 0x01, 0x15, 0x00, 0x05, 0x10, 'B',
                                                'a',  'l',  'c',  'o',  'n',  'y',  ' ',  ' ',
                                                ' ',  ' ',  ' ',  ' ',  ' ',  ' ',  ' ',  0xF7};
    ASSERT_EQ(net.device(0).frames().size(), 1u);
    EXPECT_EQ(net.device(0).frames()[0], expected);
    const auto memory = net.device(0).memory(5, 16);
    EXPECT_EQ(std::string(memory.begin(), memory.end()), "Balcony         ");
    EXPECT_EQ(model.entry(1).name, "Balcony");

    // Off-line: only the local name changes.
    model.entry(1).online = false;
    net.device(0).clearLog();
    EXPECT_TRUE(actions.EditName(1, "Foyer", *exchange));
    EXPECT_TRUE(net.device(0).frames().empty());
    EXPECT_EQ(model.entry(1).name, "Foyer");
    EXPECT_EQ(DeviceName(model.device(1).settings), "Foyer");
}

}  // namespace
}  // namespace zef::test
