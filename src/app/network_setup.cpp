#include "app/network_setup.h"

#include "device/memory_transfer.h"

#include <algorithm>

#include "model/memory_map.h"

namespace zef {
namespace {

constexpr int kNone = -1;

// Where a page keeps its values in the settings image.
struct PageLayout {
    int enable, mode;
    std::array<int, 3> octets;  // address, mask, gateway
    int ssidLength, ssid, security, keyLength, key, channel;
    std::size_t minKey;
    const char* keyText;
};

constexpr int At(std::size_t offset) { return static_cast<int>(offset); }

constexpr PageLayout kAccessPoint = {At(ds::kApEnable),
                                     kNone,
                                     {At(ds::kApAddress), At(ds::kApSubnet), At(ds::kApGateway)},
                                     At(ds::kApSsidLength),
                                     At(ds::kApSsid),
                                     At(ds::kApSecurity),
                                     At(ds::kApKeyLength),
                                     At(ds::kApKey),
                                     At(ds::kApChannel),
                                     8,
                                     kApKeyText};
constexpr PageLayout kWlan = {At(ds::kWlanEnable),
                              At(ds::kWlanMode),
                              {At(ds::kWlanAddress), At(ds::kWlanSubnet), At(ds::kWlanGateway)},
                              At(ds::kWlanSsidLength),
                              At(ds::kWlanSsid),
                              At(ds::kWlanSecurity),
                              At(ds::kWlanKeyLength),
                              At(ds::kWlanKey),
                              kNone,
                              1,
                              kWlanKeyText};
constexpr PageLayout kLan = {kNone,
                             At(ds::kLanMode),
                             {At(ds::kLanAddress), At(ds::kLanSubnet), At(ds::kLanGateway)},
                             kNone,
                             kNone,
                             kNone,
                             kNone,
                             kNone,
                             kNone,
                             0,
                             ""};

const PageLayout& Layout(SetupPage page) {
    switch (page) {
        case SetupPage::AccessPoint:
            return kAccessPoint;
        case SetupPage::Wlan:
            return kWlan;
        case SetupPage::Lan:
            break;
    }
    return kLan;
}

constexpr std::array<const char*, 3> kRowMessages = {kBadAddressText, kBadMaskText, kBadGatewayText};

std::size_t Off(int at) { return static_cast<std::size_t>(at); }

std::string TextField(const DeviceSettings& s, int lengthAt, int textAt) {
    const std::size_t length = std::min<std::size_t>(s[Off(lengthAt)], kNetworkTextMax);
    std::string out;
    for (std::size_t i = 0; i < length; ++i) out += static_cast<char>(s[Off(textAt) + i]);
    return out;
}

void PutTextField(DeviceSettings& s, int lengthAt, int textAt, const std::string& text) {
    const std::size_t length = std::min(text.size(), kNetworkTextMax);
    s[Off(lengthAt)] = static_cast<std::uint8_t>(length);
    for (std::size_t i = 0; i < kNetworkTextMax; ++i)
        s[Off(textAt) + i] = i < length ? static_cast<std::uint8_t>(text[i]) : std::uint8_t{' '};
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

SetupPageValues& SetupValues::page(SetupPage p) {
    return p == SetupPage::AccessPoint ? accessPoint : p == SetupPage::Wlan ? wlan : lan;
}
const SetupPageValues& SetupValues::page(SetupPage p) const {
    return p == SetupPage::AccessPoint ? accessPoint : p == SetupPage::Wlan ? wlan : lan;
}

SetupPageValues InitPagePar(SetupPage page, const DeviceSettings& s) {
    const PageLayout& l = Layout(page);
    SetupPageValues v;
    if (l.enable != kNone) v.enable = s[Off(l.enable)] != 0 ? 1 : 0;
    if (l.mode != kNone) v.mode = s[Off(l.mode)] != 0 ? kModeStaticIp : kModeDhcp;
    for (std::size_t row = 0; row < 3; ++row)
        for (std::size_t k = 0; k < 4; ++k) v.octets[row][k] = std::to_string(s[Off(l.octets[row]) + k]);
    if (l.ssid != kNone) {
        v.ssid = TextField(s, l.ssidLength, l.ssid);
        v.security = s[Off(l.security)] != 0 ? kSecurityWpa2 : kSecurityOpen;
        v.key = TextField(s, l.keyLength, l.key);
        v.loadedKeyLength = s[Off(l.keyLength)];
        for (std::size_t i = 0; i < kNetworkTextMax; ++i) v.loadedKey[i] = s[Off(l.key) + i];
    }
    if (l.channel != kNone) v.channel = std::clamp<int>(s[Off(l.channel)], kApChannelMin, kApChannelMax);
    return v;
}

SetupPageValues InitAPPar(const DeviceSettings& s) { return InitPagePar(SetupPage::AccessPoint, s); }
SetupPageValues InitWLANPar(const DeviceSettings& s) { return InitPagePar(SetupPage::Wlan, s); }
SetupPageValues InitLANPar(const DeviceSettings& s) { return InitPagePar(SetupPage::Lan, s); }

SetupValues InitSetupPar(const DeviceSettings& s) { return {InitAPPar(s), InitWLANPar(s), InitLANPar(s)}; }

std::optional<std::uint8_t> ParseOctet(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    if (last == first || last - first > 3) return std::nullopt;
    int value = 0;
    for (std::size_t i = first; i < last; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (value > 255) return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

std::optional<std::string> ValidatePage(SetupPage page, const SetupPageValues& v) {
    for (std::size_t row = 0; row < 3; ++row)
        for (const std::string& octet : v.octets[row])
            if (!ParseOctet(octet)) return std::string(kRowMessages[row]);
    const PageLayout& l = Layout(page);
    if (l.ssid == kNone) return std::nullopt;
    if (v.ssid.empty()) return std::string(kNoSsidText);
    if (v.security != kSecurityOpen && v.key.size() < l.minKey) return std::string(l.keyText);
    return std::nullopt;
}

void StorePage(SetupPage page, const SetupPageValues& v, DeviceSettings& s) {
    const PageLayout& l = Layout(page);
    for (std::size_t row = 0; row < 3; ++row)
        for (std::size_t k = 0; k < 4; ++k)
            s[Off(l.octets[row]) + k] = ParseOctet(v.octets[row][k]).value_or(0);
    if (l.ssid != kNone) {
        PutTextField(s, l.ssidLength, l.ssid, v.ssid);
        if (v.security != kSecurityOpen) {
            PutTextField(s, l.keyLength, l.key, v.key);
        } else {
            s[Off(l.keyLength)] = v.loadedKeyLength;
            for (std::size_t i = 0; i < kNetworkTextMax; ++i) s[Off(l.key) + i] = v.loadedKey[i];
        }
        s[Off(l.security)] = v.security != kSecurityOpen ? kSecurityWpa2 : kSecurityOpen;
    }
    if (l.enable != kNone) s[Off(l.enable)] = v.enable != 0 ? 1 : 0;
    if (l.mode != kNone) s[Off(l.mode)] = v.mode != kModeDhcp ? kModeStaticIp : kModeDhcp;
    if (l.channel != kNone)
        s[Off(l.channel)] = static_cast<std::uint8_t>(std::clamp(v.channel, kApChannelMin, kApChannelMax));
}

std::vector<MemoryBlock> PageBlocks(SetupPage page) {
    switch (page) {
        case SetupPage::AccessPoint:
            return {{123, 40}, {163, 41}};
        case SetupPage::Wlan:
            return {{42, 40}, {82, 41}};
        case SetupPage::Lan:
            break;
    }
    return {{29, 13}};
}

NetworkSetup::NetworkSetup(Model& model, Exchange& exchange, Dialogs& dialogs, DeviceSlot device)
    : model_(model), exchange_(exchange), dialogs_(dialogs), device_(device) {}

ApplyResult NetworkSetup::Apply(SetupPage page, const SetupPageValues& values) {
    const DeviceSlot slot = device_;
    if (!model_.entry(slot).online) return ApplyResult::Offline;
    if (dialogs_.Ask(kApplyTitle, kApplyQuestion, Buttons::YesNo) != Answer::Yes)
        return ApplyResult::Declined;
    if (const auto message = ValidatePage(page, values)) {
        dialogs_.Message(kApplyTitle, *message, Icon::Exclamation);
        return ApplyResult::Invalid;
    }
    DeviceSettings& settings = model_.device(slot).settings;
    StorePage(page, values, settings);
    for (const MemoryBlock& b : PageBlocks(page)) {
        const std::span<const std::uint8_t> data(settings.bytes.data() + b.address, b.length);
        if (WriteMemoryBlock(exchange_, slot, b.address, data) != kOk) return ApplyResult::WriteFailed;
    }
    return ApplyResult::Written;
}

bool NetworkSetup::Cancel(SetupPage page, SetupPageValues& values) {
    if (dialogs_.Ask(kSetupCancelTitle, SureThat(kPlainSureQuestion, kSetupCancelConsequence), Buttons::YesNo) != Answer::Yes) return false;
    values = InitPagePar(page, model_.device(device_).settings);
    return true;
}

SetupValues NetworkSetup::InitSetupPar() const {
    return zef::InitSetupPar(model_.device(device_).settings);
}

}  // namespace zef
