#pragma once
// The amplifier's own network interfaces ("Network Settings"): the access
// point, the WLAN client and the wired LAN, each edited on a page and applied
// by writing the page's block of the settings image to the device. The
// device takes the new values when it restarts.
//
// Settings image blocks (device addresses; addresses are four octets, first
// octet first; texts are ANSI, blank-padded to 32 characters):
//   LAN           29 mode, 30 address, 34 mask, 38 gateway
//                 written as 13 bytes at 29
//   WLAN          42 enable, 43 mode, 44 address, 48 mask, 52 gateway,
//                 56 SSID length, 57 SSID, 89 security, 90 key length, 91 key
//                 written as 40 bytes at 42, then 41 bytes at 82
//   ACCESS POINT  123 enable, 124 address, 128 mask, 132 gateway,
//                 136 SSID length, 137 SSID, 169 security, 170 key length,
//                 171 key, 203 channel
//                 written as 40 bytes at 123, then 41 bytes at 163
//
// Byte values: enable 0/1; mode 0 = DHCP, 1 = STATIC IP; security 0 = OPEN,
// 1 = WPA2 (any non-zero byte reads as WPA2); access point channel 1..13.
//
// Apply (the page's "Apply"), on CurrentDevice only and only while it is
// on-line:
//   1. question "The settings will be applied after reboot the device,"
//      CR LF "do you want to continue?" (title "Apply", Yes/No)
//   2. every octet box must hold a number 0..255 (one to three digits,
//      blanks around them allowed), address first, then mask, then gateway,
//      octet by octet; the first bad one shows its row's message
//   3. SSID not empty; with WPA2 the key has at least 8 characters on the
//      access point and at least 1 on the WLAN page
//   4. the page goes into the settings image: octets, SSID length and SSID,
//      the key's length and key only with WPA2 (with OPEN the key bytes keep
//      the values the page was loaded with), enable, mode, security, channel
//   5. the page's blocks are written with WriteMemory (command 21), in order;
//      a failed write ends it (the exchange has taken the device off-line)
// Validation messages are titled "Apply" with the exclamation icon; after
// one, nothing is stored or sent.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/texts.h"
#include "model/device_model.h"
#include "device/exchange.h"
#include "app/dialogs.h"

namespace zef {

inline constexpr std::uint8_t kModeDhcp = 0;
inline constexpr std::uint8_t kModeStaticIp = 1;
inline constexpr std::uint8_t kSecurityOpen = 0;
inline constexpr std::uint8_t kSecurityWpa2 = 1;
inline constexpr int kApChannelMin = 1;
inline constexpr int kApChannelMax = 13;
inline constexpr std::size_t kNetworkTextMax = 32;

enum class SetupPage { AccessPoint, Wlan, Lan };

// Rows of octet boxes.
enum OctetRow { kRowAddress = 0, kRowMask = 1, kRowGateway = 2 };

// The working copy of one page, as its controls hold it. Fields a page does
// not have (enable and SSID on LAN, mode on the access point, channel
// outside the access point) are ignored.
struct SetupPageValues {
    std::uint8_t enable = 0;
    std::uint8_t mode = kModeDhcp;
    std::array<std::array<std::string, 4>, 3> octets;  // [OctetRow][octet] as typed
    std::string ssid;                                    // ANSI, one byte per character; at most 32 are kept
    std::uint8_t security = kSecurityOpen;
    std::string key;
    int channel = kApChannelMin;
    // The key as the page was loaded; what an OPEN page writes back.
    std::uint8_t loadedKeyLength = 0;
    std::array<std::uint8_t, kNetworkTextMax> loadedKey{};

    bool operator==(const SetupPageValues&) const = default;
};

struct SetupValues {
    SetupPageValues accessPoint, wlan, lan;
    SetupPageValues& page(SetupPage p);
    const SetupPageValues& page(SetupPage p) const;
};

// Page values from a settings image.
SetupPageValues InitAPPar(const DeviceSettings& settings);
SetupPageValues InitWLANPar(const DeviceSettings& settings);
SetupPageValues InitLANPar(const DeviceSettings& settings);
SetupPageValues InitPagePar(SetupPage page, const DeviceSettings& settings);
SetupValues InitSetupPar(const DeviceSettings& settings);

// The octet box text as a byte: one to three digits, 0..255, blanks around.
std::optional<std::uint8_t> ParseOctet(const std::string& text);

// The first message of steps 2 and 3 for these values, or nothing when they
// may be applied.
std::optional<std::string> ValidatePage(SetupPage page, const SetupPageValues& values);

// Step 4: puts valid page values into `settings`.
void StorePage(SetupPage page, const SetupPageValues& values, DeviceSettings& settings);

struct MemoryBlock {
    std::uint16_t address;
    std::uint8_t length;
    bool operator==(const MemoryBlock&) const = default;
};
// The WriteMemory blocks of a page, in the order they are written.
std::vector<MemoryBlock> PageBlocks(SetupPage page);

enum class ApplyResult {
    Offline,      // CurrentDevice not on-line: nothing happened
    Declined,     // the user answered No
    Invalid,      // a validation message was shown
    Written,      // stored and every block written
    WriteFailed,  // stored; a block write failed
};

class NetworkSetup {
public:
    // The setup of the device in `device`.
    NetworkSetup(Model& model, Exchange& exchange, Dialogs& dialogs, DeviceSlot device);

    // The page's "Apply" for the device (steps above).
    ApplyResult Apply(SetupPage page, const SetupPageValues& values);

    // The page's "Cancel": asks "Are you sure?" (title "Cancel", Yes/No); Yes
    // reloads `values` from the device's image. True when reloaded.
    bool Cancel(SetupPage page, SetupPageValues& values);

    // Every page from the device's image.
    SetupValues InitSetupPar() const;

private:
    Model& model_;
    Exchange& exchange_;
    Dialogs& dialogs_;
    DeviceSlot device_;
};

}  // namespace zef
