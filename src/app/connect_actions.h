#pragma once
// The connect dialog's and the device list window's connection actions, with
// what they tell and ask the user: connecting one device or all, the
// firmware refusal, disconnecting with its question, opening a device from
// the list, and the message of a device that stops answering the status poll
// (it closes by itself when the device is back).
//
// Connecting is where a device edited off-line (a project's) meets its
// amplifier, and the connect dialog's choice is the one question asked
// before anything is written: read mode takes the device's settings into the
// model; load mode sends the model's (the project's) — the device is read,
// then only the parameters and FIRs that differ are sent through the
// parameter writer and read back (device/state_send.h), names included.
// Cancel connects nothing and sends nothing. A load refuses a model with an
// illegal value before connecting, and a device that answers with another
// unique ID than the listed one gets nothing: the slot keeps the project.

#include <functional>
#include <optional>
#include <string>

#include "app/texts.h"
#include "app/dialogs.h"
#include "base/signal.h"
#include "device/connection.h"
#include "device/parameter_writer.h"
#include "model/state_diff.h"

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
// The question when a lost device comes back and settings were changed here
// meanwhile: "<name> is back on-line. While it was away, N settings [and M
// FIRs] were (one setting was) changed here that the device does not hold." and what Yes and
// No do. Settings other than parameters (names) are not among the edits.
std::string EditsWhileAwayQuestion(const DeviceEntry& entry, const StateDiff& diff);
// A load-mode connect that found another device at the listed address:
// "another device answers (UniqueID=" + found + ", the list's is " + listed + "); nothing was sent".
std::string OtherDeviceText(const std::string& listed, const std::string& found);

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
    // `writer` sends a load mode's differences.
    ConnectActions(Connection& connection, Dialogs& dialogs, ParameterWriter& writer);

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
    // A load mode sent the model's state to the slot (also when the send
    // failed): the model now holds what was to be sent; windows refill.
    Signal<DeviceSlot> stateSent;
    // Asked before each connect (zefd_guard.h); false stops that connect
    // quietly (the user cancelled or was told why). None: every connect goes on.
    std::function<bool(DeviceSlot)> beforeConnect;

private:
    // ConnectDevice (load mode: ConnectSending) plus the old-firmware
    // message or window; true = found.
    bool Connect(DeviceSlot slot, ConnectMode mode);
    // What the user is told of a connect's result; true = found.
    bool Tell(DeviceSlot slot, ConnectResult result);
    // Load mode as described above.
    bool ConnectSending(DeviceSlot slot);
    // The load problem's message; false.
    bool Refuse(const std::string& problem);
    // A lost device rejoined with edits made here while it was away (its
    // model now holds the device's state): asks whether to send them, and
    // sends only the differences, read back, on Yes. Nothing is sent
    // without that answer.
    void OfferEdits(DeviceSlot slot, const Connection::EditsWhileLost& edits);

    Connection& connection_;
    Dialogs& dialogs_;
    ParameterWriter& writer_;
    bool connectInProgress_ = false;
    bool problemShown_ = false;  // the last Connect told the user why it failed
    Subscription pollFailed_;
    Subscription rejoined_;  // the "disconnected" message of a device that is back closes
};

}  // namespace zef
