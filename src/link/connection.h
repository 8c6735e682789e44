#pragma once
// Bringing listed devices on-line and off-line: connecting (identify, the
// firmware check, then reading the device into the model or writing the
// model into the device), disconnecting, the status poll that keeps the
// on-line state current, standby, opening a device from the list, and the
// goodbye to every device when the program ends.
//
// Connecting a slot (ConnectDevice):
//   1. only listed entries; the entry is marked on-line
//   2. network: a connection of the slot that is still open is used as it
//      is; otherwise connect (200 ms) — failing that, not found — and
//      identify (when it answers, step 3; the entry keeps its fields if not).
//      USB: search the serial ports; not found when none answers.
//   3. the entry takes network, unique ID, name and boot-loader type from
//      the identify reply
//   4. a boot-loader device is not read: its model goes back to defaults
//      and it counts as found
//   5. ReadMemory of the 3 firmware bytes at address 1 (major, minor,
//      patch); version = 100 major + 10 minor + patch; 200 or more marks the
//      slot's firmware as good (for the rest of the program run)
//   6. good firmware: read mode reads settings, preset and both FIRs into
//      the model; load mode writes the model's device state, preset and FIRs
//      into the device
//   7. old firmware: a network device gets a message, a USB device the
//      firmware update window (with link recovery set, so that
//      announcements wait); not found either way.
// A slot that is not found ends off-line.

#include <functional>
#include <optional>
#include <string>

#include "link/device_list.h"
#include "link/mod_rxtx.h"
#include "model/device_reader.h"

namespace zef {

enum class ConnectMode { Read, Load };

inline constexpr const char* kConnectTitle = "Connect";
inline constexpr const char* kConnectAllTitle = "Connect All Device(s) in the List";
inline constexpr const char* kReadOptionText = "Read current settings from Device";
inline constexpr const char* kLoadOptionText = "Load current settings to Device";
inline constexpr const char* kNoLanText = "LAN or WLAN not found";
inline constexpr const char* kDeviceNotFoundText = "Device not found";
inline constexpr const char* kDevicesNotFoundText = "Device(s) not found";
inline constexpr const char* kFirmwareUpdateTitle = "Firmware Update";
inline constexpr const char* kOldFirmwareText = "Please update the firmware with then release >= v2.0.0";
inline constexpr const char* kDisconnectTitle = "Disconnect";
inline constexpr const char* kDisconnectAllQuestion = "Disconnect all Device(s),\r\nare you sure?";
inline constexpr const char* kCommProblemTitle = "Communication problem";
inline constexpr const char* kUsbDisconnectedText = " Device disconnected";
inline constexpr const char* kFwUpdateTitle = "Fw Update";
inline constexpr const char* kConnectDeviceFirstText = "Please connect the device";
inline constexpr const char* kNotConnectedTitle = "Device not connected";
inline constexpr const char* kConnectNowQuestion = "Do you want to connect the device?";

inline constexpr int kMinimumFirmware = 200;  // 2.0.0
// Status reply byte 22: bit 2 standby, bit 1 the alert flag.
inline constexpr std::size_t kStatusFlagsByte = 22;
inline constexpr std::uint8_t kStatusStandbyBit = 0x04;
inline constexpr std::uint8_t kStatusAlertBit = 0x02;

// major*100 + minor*10 + patch: 1.10.0 gives 200 like 2.0.0.
int FirmwareVersion(std::uint8_t major, std::uint8_t minor, std::uint8_t patch);

// "Connect Device: IP " + address, "Connect Device: USB", or the connect-all title.
std::string ConnectDialogTitle(bool single, const DeviceEntry& entry);
// "Reading from device: IP " + address + "...." / "Reading from device: USB...."
std::string ReadingCaption(const DeviceEntry& entry);
// "Loading settings to device: IP " + address + "...." / "...: USB...."
std::string LoadingCaption(const DeviceEntry& entry);
// "Disconnect Device: UniqueID=" + id + "," CR LF "are you sure?"
std::string DisconnectQuestion(const DeviceEntry& entry);
// "IP:" + address + " disconnected", or " Device disconnected" for USB.
std::string DisconnectedText(const DeviceEntry& entry);

struct ConnectSettings {
    bool loopbackIsNetwork = false;  // see search.h
    int connectTimeoutMs = 200;
};

// What the windows do for the connection code.
struct ConnectHooks {
    std::function<void(const std::string&)> caption;       // the connect dialog's caption
    std::function<void(int value, int maximum)> progress;  // its progress bar
    std::function<void(DeviceSlot)> firmwareWindow;        // modal firmware update window
    std::function<void(DeviceSlot)> showEditor;            // the slot's editor becomes current and shows
    std::function<std::optional<ConnectMode>(DeviceSlot)> chooseMode;  // the connect dialog; nullopt = Cancel
    std::function<void(DeviceSlot)> standbyShown;  // an open editor shows the slot's new standby
};

enum class OpenOutcome { EditorOpened, FirmwareWindow, NotConnected, Cancelled };

class Connection {
public:
    Connection(DeviceList& list, ModRxTx& rxtx, DeviceReader& reader, ConnectSettings settings = {},
               ConnectHooks hooks = {});

    // The steps above; true = found.
    bool ConnectDevice(DeviceSlot slot, ConnectMode mode);

    // Clicking an off-line row's status: a network entry needs a LAN or WLAN
    // ("LAN or WLAN not found" otherwise). True = the connect dialog may open.
    bool BeginConnect(DeviceSlot slot);
    // The connect dialog's "Connect" for one slot: "Device not found" when
    // not found; a found device whose editor was open is shown again.
    bool ConnectOne(DeviceSlot slot, ConnectMode mode);
    // For every listed off-line entry in slot order; "Device(s) not found"
    // when none was found. Returns how many were found.
    int ConnectAll(ConnectMode mode);

    // Clicking an on-line row's status: asks, then disconnects. True = done.
    bool DisconnectOne(DeviceSlot slot);
    // Asks once, then disconnects every listed on-line entry and closes the
    // serial port. True = the user agreed.
    bool DisconnectAll();
    // Without asking: command 15, the link closed, off-line, and the device
    // remembered as offered so that its next announcement does not ask.
    void Disconnect(DeviceSlot slot);

    // The main window's status timer. Skipped until polling is enabled (the
    // list window was loaded), while an exchange runs, during link recovery
    // and while a previous tick still shows a message. Polls every listed
    // on-line slot that is not in its boot loader with command 22.
    void StatusPollTick();
    void EnablePolling(bool on) { pollingEnabled_ = on; }

    // Sends the entry's Standby to the device (DS 206 follows it).
    void ApplyStandby(DeviceSlot slot);
    // The row's standby button.
    void ToggleStandby(DeviceSlot slot);
    // Every listed entry with standby off (on) is switched on (off).
    void AllStandbyOn();
    void AllStandbyOff();

    // Double-click on a row.
    OpenOutcome OpenDevice(DeviceSlot slot);

    // Program exit: command 15 to every on-line device (serial ones while
    // the port is open, then it closes), every TCP connection closed.
    void Exit();

    bool settingsRead() const { return settingsRead_; }
    bool connectInProgress() const { return connectInProgress_; }
    void SetHooks(ConnectHooks hooks) { hooks_ = std::move(hooks); }

private:
    bool Identify(DeviceSlot slot);
    void TakeIdentity(DeviceSlot slot);
    bool ReadFirmware(DeviceSlot slot);
    bool Transfer(DeviceSlot slot, ConnectMode mode);
    bool NotFound(DeviceSlot slot);
    void PollSlot(DeviceSlot slot);
    void SendClose(DeviceSlot slot);
    void SetStandby(DeviceSlot slot, int standby);

    DeviceList& list_;
    Model& model_;
    ModRxTx& rxtx_;
    DeviceReader& reader_;
    ConnectSettings settings_;
    ConnectHooks hooks_;
    bool settingsRead_ = false;
    bool connectInProgress_ = false;
    bool pollingEnabled_ = false;
    bool polling_ = false;
};

}  // namespace zef
