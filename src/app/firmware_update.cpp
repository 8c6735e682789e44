#include "app/firmware_update.h"

#include <algorithm>

#include "app/editor_session.h"
#include "protocol/commands.h"
#include "transport/serial_ports.h"

namespace zef {

namespace {
}  // namespace

const char* FwFailureText(int code) {
    if (code < 1 || code > static_cast<int>(kFwFailureTexts.size())) return nullptr;
    return kFwFailureTexts[static_cast<std::size_t>(code - 1)];
}

FirmwareUpdate::FirmwareUpdate(Model& model, Exchange& exchange, SerialPort& serial, Dialogs& dialogs,
                               FwLoader& loader, FirmwareUpdateView& view, DeviceSlot slot)
    : model_(model),
      exchange_(exchange),
      serial_(serial),
      dialogs_(dialogs),
      loader_(loader),
      view_(view),
      slot_(slot) {}

FirmwareUpdate::~FirmwareUpdate() { loader_.SetProgressHandler(nullptr); }

void FirmwareUpdate::Load() {
    loader_.SetProgressHandler(
        [this](int code, const std::string& text, int percent) { OnProgress(code, text, percent); });
    const DeviceEntry& e = model_.entry(slot_);
    view_.ShowDevice(e.name, e.uniqueId);
    view_.ShowFile(kFwNoFileLabel);
    view_.ShowStatus(kFwStatusLabel);
    view_.ShowProgress(std::nullopt);
    state_ = State::Idle;
    file_.clear();
}

bool FirmwareUpdate::ChooseFile(const std::string& folder) {
    const auto path = dialogs_.OpenFile(kFwWindowTitle, kFwFileFilter, folder);
    if (!path || path->empty()) return false;
    SetFile(*path);
    return true;
}

void FirmwareUpdate::SetFile(const std::string& path) {
    file_ = path;
    view_.ShowFile(path);
    state_ = State::FileChosen;
}

std::optional<int> FirmwareUpdate::Start() {
    if (state_ == State::Loading) return std::nullopt;
    if (file_.empty()) {
        dialogs_.Message(kFwNoFileTitle, kFwNoFileText, Icon::Exclamation);
        return std::nullopt;
    }
    DeviceEntry& entry = model_.entry(slot_);
    if (entry.online) {
        exchange_.SendCommandFrame(slot_, cmd::kClose, CommandParams{});
        entry.online = false;
        wentOffline.Emit(slot_);
    }
    serial_.Close();
    state_ = State::Loading;
    const int result =
        loader_.Load(file_, SerialPortMap::DisplayName(exchange_.link().serialPortNumber), kFwBaudRate);
    if (result == kFwLoaded) {
        state_ = State::Done;
        dialogs_.Message(kFwWindowTitle, kFwLoadedText, Icon::Exclamation);
        view_.CloseWindow();
    } else {
        state_ = State::FileChosen;
    }
    return result;
}

void FirmwareUpdate::OnProgress(int code, const std::string& text, int percent) {
    if (code == kFwLoaded) {
        view_.ShowStatus(kFwStatusLabel + text);
        view_.ShowProgress(std::clamp(percent, 0, 100));
        return;
    }
    const char* message = FwFailureText(code);
    if (message == nullptr) return;
    dialogs_.Message(kFwWindowTitle, text.empty() ? std::string(message) : message + std::string("\r\n") + text,
                     Icon::Exclamation);
    view_.ShowStatus(kFwStatusLabel);
    view_.ShowProgress(std::nullopt);
}

FirmwareTools FirmwareToolsOf(EditorSession& session) {
    return {session.model(),
            session.exchange(),
            session.transport().serial(),
            session.transport().serialPorts(),
            session.dialogs(),
            session.list(),
            session.dataFolder()};
}

}  // namespace zef
