#include "app/connect_actions.h"

#include "app/search.h"
#include "app/serial_access.h"

namespace zef {

std::string ConnectDialogTitle(bool single, const DeviceEntry& entry) {
    if (!single) return kConnectAllTitle;
    return entry.isUsb() ? "Connect Device: USB" : "Connect Device: IP " + entry.ip;
}

std::string DisconnectQuestion(const DeviceEntry& entry) {
    // The user knows the device by its name; an unnamed one by its unique ID.
    const std::string who = entry.name.empty() ? "UniqueID=" + entry.uniqueId : entry.name;
    return "Disconnect Device: " + who + ",\r\nare you sure?";
}

std::string LoadProblemText(const std::string& problem) { return "Settings not loaded to the device: " + problem; }

std::string DisconnectedText(const DeviceEntry& entry) {
    return entry.isUsb() ? std::string(kUsbDisconnectedText) : "IP:" + entry.ip + " disconnected";
}

ConnectActions::ConnectActions(Connection& connection, Dialogs& dialogs)
    : connection_(connection),
      dialogs_(dialogs),
      pollFailed_(connection.pollFailed.Connect([this](DeviceSlot slot) {
          // A connection taken by another client was told as that (link_presenter.h).
          if (connection_.exchange().link().connectionTaken[SlotIndex(slot)]) return;
          dialogs_.Message(kCommProblemTitle, DisconnectedText(connection_.list().model().entry(slot)),
                           Icon::Exclamation);
      })),
      rejoined_(connection.rejoined.Connect([this](DeviceSlot slot) {
          dialogs_.Withdraw(kCommProblemTitle, DisconnectedText(connection_.list().model().entry(slot)));
      })) {}

bool ConnectActions::Connect(DeviceSlot slot, ConnectMode mode) {
    problemShown_ = false;
    if (beforeConnect && !beforeConnect(slot)) {
        problemShown_ = true;
        return false;
    }
    const ConnectResult result = connection_.ConnectDevice(slot, mode);
    if (result == ConnectResult::Refused || result == ConnectResult::NotVerified) {
        // Nothing illegal was sent, or what was sent did not read back: say which.
        dialogs_.Message(kConnectTitle, LoadProblemText(connection_.problem()), Icon::Exclamation);
        problemShown_ = true;
        return false;
    }
    if (result != ConnectResult::OldFirmware) return result == ConnectResult::Found;
    if (connection_.list().model().entry(slot).isUsb()) {
        // The update window runs its own link; announcements wait meanwhile.
        const LinkState::Recovering recovery(connection_.exchange().link());
        if (view.firmwareWindow) view.firmwareWindow(slot, FirmwareWindowKind::Update);
    } else {
        dialogs_.Message(kFirmwareUpdateTitle, kOldFirmwareText, Icon::Information);
    }
    return false;
}

bool ConnectActions::BeginConnect(DeviceSlot slot) {
    if (connection_.list().model().entry(slot).isUsb() ||
        NetworkAvailable(connection_.exchange().transport(), connection_.settings().loopbackIsNetwork))
        return true;
    dialogs_.Message(kConnectTitle, kNoLanText, Icon::Exclamation);
    return false;
}

bool ConnectActions::ConnectOne(DeviceSlot slot, ConnectMode mode) {
    FlagGuard busy(connectInProgress_, true);
    Model& model = connection_.list().model();
    const bool found = Connect(slot, mode);
    connection_.list().RowChanged(slot);
    if (!found) {
        model.entry(slot).online = false;
        // A USB adapter the system keeps from this user is no missing device.
        if (!problemShown_ &&
            (!model.entry(slot).isUsb() || !ReportSerialPermission(connection_.exchange(), dialogs_)))
            dialogs_.Message(kConnectTitle, kDeviceNotFoundText, Icon::Exclamation);
        return false;
    }
    if (model.entry(slot).editorOpen && connection_.settingsRead() && view.showEditor) view.showEditor(slot);
    return true;
}

int ConnectActions::ConnectAll(ConnectMode mode) {
    FlagGuard busy(connectInProgress_, true);
    Model& model = connection_.list().model();
    int found = 0;
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
        const DeviceEntry& e = model.entry(s);
        if (!e.inList || e.online) continue;
        const bool ok = Connect(s, mode);
        connection_.list().RowChanged(s);
        if (!ok) continue;
        ++found;
        if (e.editorOpen && connection_.settingsRead() && view.showEditor) view.showEditor(s);
    }
    if (found == 0 && !ReportSerialPermission(connection_.exchange(), dialogs_))
        dialogs_.Message(kConnectTitle, kDevicesNotFoundText, Icon::Exclamation);
    return found;
}

bool ConnectActions::DisconnectOne(DeviceSlot slot) {
    const DeviceEntry& e = connection_.list().model().entry(slot);
    if (dialogs_.Ask(kDisconnectTitle, DisconnectQuestion(e), Buttons::YesNo) != Answer::Yes) return false;
    connection_.Disconnect(slot);
    return true;
}

bool ConnectActions::DisconnectAll() {
    if (dialogs_.Ask(kDisconnectTitle, kDisconnectAllQuestion, Buttons::YesNo) != Answer::Yes) return false;
    connection_.DisconnectAll();
    return true;
}

OpenOutcome ConnectActions::OpenDevice(DeviceSlot slot) {
    FlagGuard busy(connectInProgress_, true);
    Model& model = connection_.list().model();
    DeviceEntry& e = model.entry(slot);
    if (e.type == kTypeBootLoader) {
        if (!e.online) {
            dialogs_.Message(kFwUpdateTitle, kConnectDeviceFirstText, Icon::Exclamation);
            return OpenOutcome::NotConnected;
        }
        if (!e.isUsb()) return OpenOutcome::NotConnected;
        if (view.firmwareWindow) view.firmwareWindow(slot, FirmwareWindowKind::BootLoader);
        return OpenOutcome::FirmwareWindow;
    }
    if (!e.online && dialogs_.Ask(kNotConnectedTitle, kConnectNowQuestion, Buttons::YesNo) == Answer::Yes) {
        if (!BeginConnect(slot)) return OpenOutcome::Cancelled;
        const std::optional<ConnectMode> mode =
            view.chooseMode ? view.chooseMode(slot) : std::optional<ConnectMode>(ConnectMode::Read);
        if (!mode) return OpenOutcome::Cancelled;
        ConnectOne(slot, *mode);
    }
    e.editorOpen = true;
    if (view.showEditor) view.showEditor(slot);
    return OpenOutcome::EditorOpened;
}

}  // namespace zef
