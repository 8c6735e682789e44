#pragma once
// The connect dialog's and the device list window's connection actions, with
// what they tell and ask the user: connecting one device or all, the
// firmware refusal, disconnecting with its question, opening a device from
// the list, and the message of a device that stops answering the status poll
// (it closes by itself when the device is back).

#include <functional>
#include <optional>
#include <string>

#include "app/texts.h"
#include "app/dialogs.h"
#include "base/signal.h"
#include "device/connection.h"

namespace zef {

// "Connect Device: IP " + address, "Connect Device: USB", or the connect-all title.
std::string ConnectDialogTitle(bool single, const DeviceEntry& entry);
// "Disconnect Device: " + name + "," CR LF "are you sure?" ("UniqueID=" + id
// for a device without a name)
std::string DisconnectQuestion(const DeviceEntry& entry);
// "IP:" + address + " disconnected", or " Device disconnected" for USB.
std::string DisconnectedText(const DeviceEntry& entry);
// A load-mode connect that was refused or did not read back: "Settings not
// loaded to the device: " + the reason (WriteReport::Text).
std::string LoadProblemText(const std::string& problem);

enum class FirmwareWindowKind {
    BootLoader,  // a device running its boot loader, opened from the list
    Update,      // a USB device whose firmware is too old, from the connect path
};

// What the windows do for the actions; set by the device list window.
struct ConnectView {
    std::function<void(DeviceSlot, FirmwareWindowKind)> firmwareWindow;  // modal
    std::function<void(DeviceSlot)> showEditor;  // the slot's editor becomes current and shows
    // The connect dialog's choice; nullopt = Cancel.
    std::function<std::optional<ConnectMode>(DeviceSlot)> chooseMode;
};

enum class OpenOutcome { EditorOpened, FirmwareWindow, NotConnected, Cancelled };

class ConnectActions {
public:
    ConnectActions(Connection& connection, Dialogs& dialogs);

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
    // Double-click on a row.
    OpenOutcome OpenDevice(DeviceSlot slot);

    bool connectInProgress() const { return connectInProgress_; }
    ConnectView view;
    // Asked before each connect (zefd_guard.h); false stops that connect
    // quietly (the user cancelled or was told why). None: every connect goes on.
    std::function<bool(DeviceSlot)> beforeConnect;

private:
    // ConnectDevice plus the old-firmware message or window; true = found.
    bool Connect(DeviceSlot slot, ConnectMode mode);

    Connection& connection_;
    Dialogs& dialogs_;
    bool connectInProgress_ = false;
    bool problemShown_ = false;  // the last Connect told the user why it failed
    Subscription pollFailed_;
    Subscription rejoined_;  // the "disconnected" message of a device that is back closes
};

}  // namespace zef
