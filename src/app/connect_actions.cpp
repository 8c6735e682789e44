#include "app/connect_actions.h"

#include "app/search.h"
#include "app/serial_access.h"
#include "device/state_send.h"
#include "model/validation.h"

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

std::string OtherDeviceText(const std::string& listed, const std::string& found) {
    return "another device answers (UniqueID=" + found + ", the list's is " + listed + "); nothing was sent";
}

std::string DisconnectedText(const DeviceEntry& entry) {
    return entry.isUsb() ? std::string(kUsbDisconnectedText) : "IP:" + entry.ip + " disconnected";
}

ConnectActions::ConnectActions(Connection& connection, Dialogs& dialogs, ParameterWriter& writer)
    : connection_(connection),
      dialogs_(dialogs),
      writer_(writer),
      pollFailed_(connection.pollFailed.Connect([this](DeviceSlot slot) {
          // A connection taken by another client was told as that (link_presenter.h).
          if (connection_.exchange().link().connectionTaken[SlotIndex(slot)]) return;
          dialogs_.Message(kCommProblemTitle, DisconnectedText(connection_.list().model().entry(slot)),
                           Icon::Exclamation);
      })),
      rejoined_(connection.rejoined.Connect([this](DeviceSlot slot) {
          dialogs_.Withdraw(kCommProblemTitle, DisconnectedText(connection_.list().model().entry(slot)));
          if (const auto edits = connection_.TakeEditsMadeWhileLost(slot)) OfferEdits(slot, *edits);
      })) {}

std::string EditsWhileAwayQuestion(const DeviceEntry& entry, const StateDiff& diff) {
    const std::string who = entry.name.empty() ? "UniqueID=" + entry.uniqueId : entry.name;
    std::string what = std::to_string(diff.parameters.size()) +
                       (diff.parameters.size() == 1 ? " setting" : " settings");
    if (!diff.firs.empty()) what += " and " + std::to_string(diff.firs.size()) + (diff.firs.size() == 1 ? " FIR" : " FIRs");
    const bool one = diff.parameters.size() + diff.firs.size() == 1;
    return who + " is back on-line. While it was away, " + what + (one ? " was" : " were") +
           " changed here that the device does not hold.\n"
           "Yes sends those changes to the device (read back); No keeps the device's settings and drops the "
           "changes made here.";
}

void ConnectActions::OfferEdits(DeviceSlot slot, const Connection::EditsWhileLost& edits) {
    Model& model = connection_.list().model();
    if (dialogs_.Ask(kBackOnlineTitle, EditsWhileAwayQuestion(model.entry(slot), edits.changes), Buttons::YesNo,
                     Icon::Question) != Answer::Yes)
        return;
    // The edits over the device's state, as a state is sent, then read back.
    const Status status = SendDiff(writer_, slot, edits.changes, edits.here);
    const WriteReport report = status == kOk ? writer_.Confirm(slot).report : WriteReport{WriteOutcome::Failed, {}};
    stateSent.Emit(slot);
    if (!report.ok()) dialogs_.Message(kBackOnlineTitle, LoadProblemText(report.Text()), Icon::Exclamation);
}

bool ConnectActions::Connect(DeviceSlot slot, ConnectMode mode) {
    problemShown_ = false;
    if (beforeConnect && !beforeConnect(slot)) {
        problemShown_ = true;
        return false;
    }
    if (mode == ConnectMode::Load) return ConnectSending(slot);
    return Tell(slot, connection_.ConnectDevice(slot, mode));
}

bool ConnectActions::Tell(DeviceSlot slot, ConnectResult result) {
    // Nothing illegal was sent, or what was sent did not read back: say which.
    if (result == ConnectResult::Refused || result == ConnectResult::NotVerified)
        return Refuse(connection_.problem());
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

bool ConnectActions::Refuse(const std::string& problem) {
    dialogs_.Message(kConnectTitle, LoadProblemText(problem), Icon::Exclamation);
    problemShown_ = true;
    return false;
}

bool ConnectActions::ConnectSending(DeviceSlot slot) {
    Model& model = connection_.list().model();
    const DeviceModel project = model.device(slot);
    const DeviceEntry listed = model.entry(slot);
    if (const auto illegal = ValidateDeviceModel(project))
        return Refuse(WriteReport{WriteOutcome::Refused, illegal->Text()}.Text());
    // The device's settings first: what differs from them is all that is sent.
    if (!Tell(slot, connection_.ConnectDevice(slot, ConnectMode::Read))) return false;
    DeviceEntry& e = model.entry(slot);
    if (e.type == kTypeBootLoader) return true;
    if (!listed.uniqueId.empty() && e.uniqueId != listed.uniqueId) {
        const std::string found = e.uniqueId;
        connection_.Disconnect(slot);
        model.device(slot) = project;
        e = listed;
        e.online = false;
        connection_.list().RowChanged(slot);
        stateSent.Emit(slot);
        return Refuse(OtherDeviceText(listed.uniqueId, found));
    }
    connection_.caption.Emit(LoadingCaption(e));
    const VerifiedStateSend sent = SendStateVerified(writer_, slot, LoadedState(model.device(slot), project));
    // Refused against the device's own settings: nothing was sent, the slot keeps the project.
    if (sent.report.outcome == WriteOutcome::Refused) model.device(slot) = project;
    stateSent.Emit(slot);
    if (sent.report.ok()) return true;
    e.online = false;
    return Refuse(sent.report.Text());
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
