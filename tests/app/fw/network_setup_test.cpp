// The network settings pages applied to a simulated amplifier over loopback TCP: what is
// refused and in which order, what reaches the device's memory and the frames that carry it.

#include "app/network_setup.h"

#include <gtest/gtest.h>

#include <functional>

#include "expected_frames.h"
#include "fw_fixture.h"
#include "model/memory_map.h"

namespace zef::fwtest {
namespace {

SetupPageValues GoodPage() {
    SetupPageValues v;
    v.enable = 1;
    v.mode = kModeStaticIp;
    v.octets = {{{"127", "0", "0", "9"}, {"255", "255", "255", "0"}, {"127", "0", "0", "1"}}};
    v.ssid = "Stage";
    v.security = kSecurityWpa2;
    v.key = "abcdefgh";
    v.channel = 11;
    return v;
}

Bytes Blanks(std::size_t n) { return Bytes(n, ' '); }

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

class NetworkSetupTest : public SimLink {
protected:
    void SetUp() override {
        ConnectTcp();
        LoadSettingsFromDevice();
    }

    // A block-write frame as the device must receive it.
    Bytes WriteFrame(std::uint16_t address, const Bytes& payload) const {
        return test::BlockWriteFrame(kDeviceAddress, address, payload);
    }

    ApplyResult ApplyAnsweringYes(SetupPage page, const SetupPageValues& v) {
        dialogs.calls.clear();
        dialogs.answers = {Answer::Yes};
        device->clearLog();
        return setup.Apply(page, v);
    }

    NetworkSetup setup{model, *exchange, dialogs, kSlot};
};

TEST_F(NetworkSetupTest, ValidationOrderAndMessages) {
    using Edit = std::function<void(SetupPageValues&)>;
    struct Case {
        const char* name;
        SetupPage page;
        Edit edit;
        const char* message;  // nullptr: accepted and written
    };
    const std::vector<Case> cases = {
        {"address letter before a bad mask", SetupPage::AccessPoint,
         [](auto& v) {
             v.octets[kRowAddress][3] = "x";
             v.octets[kRowMask][0] = "";
         },
         kBadAddressText},
        {"address 256", SetupPage::Lan, [](auto& v) { v.octets[kRowAddress][1] = "256"; }, kBadAddressText},
        {"address four digits", SetupPage::Wlan, [](auto& v) { v.octets[kRowAddress][0] = "0127"; },
         kBadAddressText},
        {"empty mask before a bad gateway", SetupPage::Lan,
         [](auto& v) {
             v.octets[kRowMask][2] = "";
             v.octets[kRowGateway][0] = "?";
         },
         kBadMaskText},
        {"gateway -1 after good address and mask", SetupPage::Lan,
         [](auto& v) { v.octets[kRowGateway][2] = "-1"; }, kBadGatewayText},
        {"gateway 1.5", SetupPage::AccessPoint, [](auto& v) { v.octets[kRowGateway][3] = "1.5"; },
         kBadGatewayText},
        {"bad gateway before an empty SSID", SetupPage::Wlan,
         [](auto& v) {
             v.octets[kRowGateway][3] = "";
             v.ssid.clear();
         },
         kBadGatewayText},
        {"empty SSID", SetupPage::AccessPoint, [](auto& v) { v.ssid.clear(); }, kNoSsidText},
        {"empty SSID on WLAN", SetupPage::Wlan, [](auto& v) { v.ssid.clear(); }, kNoSsidText},
        {"access point WPA2 key of 7", SetupPage::AccessPoint, [](auto& v) { v.key = "1234567"; },
         kApKeyText},
        {"access point WPA2 key of 8", SetupPage::AccessPoint, [](auto& v) { v.key = "12345678"; }, nullptr},
        {"access point OPEN with empty key", SetupPage::AccessPoint,
         [](auto& v) {
             v.security = kSecurityOpen;
             v.key.clear();
         },
         nullptr},
        {"WLAN WPA2 empty key", SetupPage::Wlan, [](auto& v) { v.key.clear(); }, kWlanKeyText},
        {"WLAN WPA2 key of 1", SetupPage::Wlan, [](auto& v) { v.key = "k"; }, nullptr},
        {"LAN has no SSID", SetupPage::Lan,
         [](auto& v) {
             v.ssid.clear();
             v.key.clear();
         },
         nullptr},
        {"blanks around octets", SetupPage::Lan, [](auto& v) { v.octets[kRowAddress][0] = " 10 "; }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetupPageValues v = GoodPage();
        c.edit(v);
        const DeviceSettings before = model.device(kSlot).settings;
        const Bytes memoryBefore = device->memory(0, kSettingsSize);
        const ApplyResult result = ApplyAnsweringYes(c.page, v);
        ASSERT_FALSE(dialogs.calls.empty());
        EXPECT_EQ(dialogs.calls[0].kind, "ask");
        EXPECT_EQ(dialogs.calls[0].title, "Apply");
        EXPECT_EQ(dialogs.calls[0].text,
                  "The settings will be applied after reboot the device,\r\ndo you want to continue?");
        EXPECT_EQ(dialogs.calls[0].buttons, Buttons::YesNo);
        if (c.message) {
            EXPECT_EQ(result, ApplyResult::Invalid);
            ASSERT_EQ(dialogs.calls.size(), 2u);
            EXPECT_EQ(dialogs.calls[1].kind, "message");
            EXPECT_EQ(dialogs.calls[1].title, "Apply");
            EXPECT_EQ(dialogs.calls[1].text, c.message);
            EXPECT_EQ(dialogs.calls[1].icon, Icon::Exclamation);
            EXPECT_TRUE(device->frames().empty());
            EXPECT_EQ(model.device(kSlot).settings, before);
            EXPECT_EQ(device->memory(0, kSettingsSize), memoryBefore);
        } else {
            EXPECT_EQ(result, ApplyResult::Written);
            EXPECT_EQ(dialogs.calls.size(), 1u);
            EXPECT_EQ(device->frames().size(), PageBlocks(c.page).size());
            EXPECT_EQ(device->memory(0, kSettingsSize), Bytes(model.device(kSlot).settings.bytes.begin(),
                                                              model.device(kSlot).settings.bytes.end()));
        }
    }
}

TEST_F(NetworkSetupTest, AccessPointPageReachesMemoryAsTwoBlockWrites) {
    const Bytes memoryBefore = device->memory(0, kSettingsSize);
    ASSERT_EQ(ApplyAnsweringYes(SetupPage::AccessPoint, GoodPage()), ApplyResult::Written);

    const Bytes expected = Concat({{1, 127, 0, 0, 9, 255, 255, 255, 0, 127, 0, 0, 1, 5},
                                   {'S', 't', 'a', 'g', 'e'},
                                   Blanks(27),
                                   {1, 8},
                                   {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'},
                                   Blanks(24),
                                   {11}});
    ASSERT_EQ(expected.size(), 81u);
    EXPECT_EQ(device->memory(123, 81), expected);
    Bytes outside = device->memory(0, kSettingsSize);
    std::copy(memoryBefore.begin() + 123, memoryBefore.begin() + 204, outside.begin() + 123);
    EXPECT_EQ(outside, memoryBefore);

    const auto frames = device->frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], WriteFrame(123, Bytes(expected.begin(), expected.begin() + 40)));
    EXPECT_EQ(frames[1], WriteFrame(163, Bytes(expected.begin() + 40, expected.end())));
    // The lone 0x00 after each exchange may still be on its way.
    EXPECT_TRUE(WaitUntil([&] { return device->trailingZeros() == 2; }, 1000));
}

TEST_F(NetworkSetupTest, LanAndWlanPagesWriteTheirBlocksInOrder) {
    struct Case {
        SetupPage page;
        std::vector<MemoryBlock> blocks;
        std::size_t modeAt;
    };
    for (const Case& c : {Case{SetupPage::Lan, {{29, 13}}, ds::kLanMode},
                          Case{SetupPage::Wlan, {{42, 40}, {82, 41}}, ds::kWlanMode}}) {
        SCOPED_TRACE(static_cast<int>(c.page));
        EXPECT_EQ(PageBlocks(c.page), c.blocks);
        ASSERT_EQ(ApplyAnsweringYes(c.page, GoodPage()), ApplyResult::Written);
        const auto frames = device->frames();
        ASSERT_EQ(frames.size(), c.blocks.size());
        for (std::size_t i = 0; i < frames.size(); ++i)
            EXPECT_EQ(frames[i], WriteFrame(c.blocks[i].address,
                                            device->memory(c.blocks[i].address, c.blocks[i].length)));
        EXPECT_EQ(device->memory(static_cast<std::uint32_t>(c.modeAt), 5), (Bytes{1, 127, 0, 0, 9}));
    }
    EXPECT_EQ(device->memory(ds::kWlanEnable, 1), Bytes{1});
    EXPECT_EQ(device->memory(ds::kWlanSsidLength, 6), (Bytes{5, 'S', 't', 'a', 'g', 'e'}));
    EXPECT_EQ(device->memory(ds::kWlanSecurity, 3), (Bytes{1, 8, 'a'}));
}

TEST_F(NetworkSetupTest, OpenPageWritesBackTheKeyItWasLoadedWith) {
    struct Case {
        SetupPage page;
        std::size_t keyLengthAt, securityAt;
    };
    for (const Case& c : {Case{SetupPage::AccessPoint, ds::kApKeyLength, ds::kApSecurity},
                          Case{SetupPage::Wlan, ds::kWlanKeyLength, ds::kWlanSecurity}}) {
        SCOPED_TRACE(static_cast<int>(c.page));
        // The loaded key is not blank-padded: every byte must survive as it was.
        Bytes loadedKey = {6, 'l', 'o', 'a', 'd', 'e', 'd'};
        for (int i = 0; i < 26; ++i) loadedKey.push_back(static_cast<std::uint8_t>(0x80 + i));
        device->setMemory(static_cast<std::uint32_t>(c.securityAt), {1});
        device->setMemory(static_cast<std::uint32_t>(c.keyLengthAt), loadedKey);
        LoadSettingsFromDevice();
        SetupPageValues v = InitPagePar(c.page, model.device(kSlot).settings);
        EXPECT_EQ(v.key, "loaded");
        EXPECT_EQ(v.security, kSecurityWpa2);
        // The image changes after the page was loaded (a re-read): the page's own copy wins.
        model.device(kSlot).settings[c.keyLengthAt] = 3;
        v.octets = GoodPage().octets;
        v.ssid = "Hall";
        v.security = kSecurityOpen;
        v.key = "typed but unused";
        ASSERT_EQ(ApplyAnsweringYes(c.page, v), ApplyResult::Written);
        EXPECT_EQ(device->memory(static_cast<std::uint32_t>(c.keyLengthAt), 33), loadedKey);
        EXPECT_EQ(device->memory(static_cast<std::uint32_t>(c.securityAt), 1), Bytes{0});
    }
}

TEST_F(NetworkSetupTest, OfflineOrDeclinedSendsAndStoresNothing) {
    struct Case {
        const char* name;
        bool online;
        ApplyResult result;
        std::size_t dialogCalls;
    };
    for (const Case& c : {Case{"off-line", false, ApplyResult::Offline, 0},
                          Case{"declined", true, ApplyResult::Declined, 1}}) {
        SCOPED_TRACE(c.name);
        entry().online = c.online;
        const DeviceSettings before = model.device(kSlot).settings;
        dialogs.calls.clear();
        dialogs.answers = {Answer::No};
        device->clearLog();
        SetupPageValues bad = GoodPage();
        bad.octets[kRowAddress][0] = "x";  // not even validated
        EXPECT_EQ(setup.Apply(SetupPage::AccessPoint, bad), c.result);
        EXPECT_EQ(setup.Apply(SetupPage::Lan, GoodPage()), c.result);
        EXPECT_EQ(dialogs.calls.size(), 2 * c.dialogCalls);
        EXPECT_EQ(dialogs.messages().size(), 0u);
        EXPECT_TRUE(device->frames().empty());
        EXPECT_EQ(device->trailingZeros(), 0u);
        EXPECT_EQ(model.device(kSlot).settings, before);
    }
}

TEST_F(NetworkSetupTest, CancelReloadsThePageFromTheImageOnlyOnYes) {
    device->setMemory(ds::kWlanEnable,
                      {1, 1, 127, 0, 0, 7, 255, 0, 0, 0, 127, 0, 0, 1, 4, 'Z', 'o', 'n', 'e'});
    LoadSettingsFromDevice();
    SetupPageValues edited = GoodPage();
    dialogs.answers = {Answer::No, Answer::Yes};
    EXPECT_FALSE(setup.Cancel(SetupPage::Wlan, edited));
    EXPECT_EQ(edited, GoodPage());
    EXPECT_TRUE(setup.Cancel(SetupPage::Wlan, edited));
    EXPECT_EQ(edited.ssid, "Zone");
    EXPECT_EQ(edited.octets[kRowAddress], (std::array<std::string, 4>{"127", "0", "0", "7"}));
    EXPECT_EQ(edited, setup.InitSetupPar().wlan);
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[1].title, "Cancel");
    EXPECT_EQ(SplitQuestion(dialogs.calls[1].text).first, "Are you sure?");
    EXPECT_FALSE(SplitQuestion(dialogs.calls[1].text).second.empty());
    EXPECT_TRUE(device->frames().empty());
}

TEST(NetworkSetupImage, LoadingAndStoringAPageKeepsADevicesImage) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        DeviceSettings s;
        const Bytes noise = TestImage(kSettingsSize, seed);
        std::copy(noise.begin(), noise.end(), s.bytes.begin());
        // Network fields as a device keeps them: flags 0/1, texts blank-padded after their length.
        for (std::size_t at : {ds::kLanMode, ds::kWlanEnable, ds::kWlanMode, ds::kApEnable})
            s[at] = noise[at] & 1;
        s[ds::kWlanSecurity] = s[ds::kApSecurity] = 1;
        s[ds::kApChannel] = static_cast<std::uint8_t>(1 + seed % 13);
        for (auto [lengthAt, textAt] : {std::pair{ds::kWlanSsidLength, ds::kWlanSsid},
                                        {ds::kWlanKeyLength, ds::kWlanKey},
                                        {ds::kApSsidLength, ds::kApSsid},
                                        {ds::kApKeyLength, ds::kApKey}}) {
            s[lengthAt] = static_cast<std::uint8_t>(1 + noise[lengthAt] % 32);
            for (std::size_t i = 0; i < 32; ++i)
                if (i >= s[lengthAt]) s[textAt + i] = ' ';
        }
        for (SetupPage page : {SetupPage::AccessPoint, SetupPage::Wlan, SetupPage::Lan}) {
            DeviceSettings stored = s;
            StorePage(page, InitPagePar(page, s), stored);
            EXPECT_EQ(stored, s) << static_cast<int>(page);
        }
    }
}

}  // namespace
}  // namespace zef::fwtest
