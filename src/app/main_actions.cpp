#include "app/main_actions.h"

#include "files/file_texts.h"

#include "protocol/commands.h"

#include "files/project_file.h"

namespace zef {
namespace {
}

bool MainActions::AnyConnected() const {
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
        const DeviceEntry& e = session_.model().entry(s);
        if (e.inList && e.online) return true;
    }
    return false;
}

bool MainActions::SaveProjectFile() {
    const auto path = session_.dialogs().SavePath(kSaveProjectTitle, kProjectFileFilter,
                                                  session_.dataSubfolder("Project"));
    if (!path) return false;
    if (SaveProject(*path, session_.model())) return true;
    session_.dialogs().Message(kProjectErrorTitle, kProjectSaveFailedText, Icon::Critical);
    return false;
}

void MainActions::DropConnections() {
    Model& model = session_.model();
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
        DeviceEntry& e = model.entry(s);
        if (e.inList && e.online) {
            session_.exchange().SendCommandFrameQuiet(s, cmd::kClose, CommandParams{});
            if (!e.isUsb() && session_.transport().tcp().IsConnected(s)) session_.transport().tcp().Disconnect(s);
        }
        e.online = false;
        e.editorOpen = false;
        model.device(s).firmwareOk = false;
        model.device(s).alert = false;
    }
    if (session_.transport().serial().IsOpen()) session_.transport().serial().Close();
}

bool MainActions::LoadProjectFile() {
    if (AnyConnected() &&
        session_.dialogs().Ask(kLoadProjectTitle, kSettingsLostQuestion, Buttons::YesNo) != Answer::Yes)
        return false;
    const auto path = session_.dialogs().OpenFile(kLoadProjectTitle, kProjectFileFilter,
                                                  session_.dataSubfolder("Project"));
    if (!path) return false;
    const ProjectReadResult read = ReadProjectFile(*path);
    if (!read.status.ok) {
        const FileMessage m = LoadProjectErrorMessage(read.status, *path);
        const bool known = read.status.errorCode == kErrorFileNotFound || read.status.errorCode == kErrorWrongMarker;
        session_.dialogs().Message(m.title, m.text, known ? Icon::Exclamation : Icon::Critical);
        return false;
    }
    DropConnections();
    ApplyProject(read.image, session_.model());
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
        session_.model().entry(s).online = false;
        session_.model().entry(s).editorOpen = false;
    }
    return true;
}

bool MainActions::NewProject() {
    if (AnyConnected() &&
        session_.dialogs().Ask(kNewProjectTitle, kSettingsLostQuestion, Buttons::YesNo) != Answer::Yes)
        return false;
    DropConnections();
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) session_.list().ClearSlot(s);
    return true;
}

bool MainActions::Exit() {
    if (session_.dialogs().Ask(kExitTitle, SureThat(kSureQuestion, kExitConsequence), Buttons::YesNo) != Answer::Yes) return false;
    session_.connection().Exit();
    session_.SaveDeviceList();
    return true;
}

}  // namespace zef
