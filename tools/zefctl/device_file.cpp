#include "device_file.h"

#include <cctype>
#include <optional>

#include "cli.h"
#include "console_dialogs.h"
#include "device/state_send.h"
#include "model/editor_sync.h"
#include "session.h"

namespace zefctl {
namespace {

std::string Extension(const std::string& path) {
    const auto dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// The listed block of a project for the device: the entry with its unique ID, else the first.
const zef::ProjectDeviceBlock& ProjectBlockFor(const zef::ProjectImage& image, const std::string& uniqueId,
                                               const std::string& path) {
    std::optional<std::size_t> chosen;
    for (std::size_t i = 0; i < image.entries.size(); ++i) {
        if (!image.entries[i].inList || !image.blocks[i]) continue;
        if (!chosen || image.entries[i].uniqueId == uniqueId) chosen = i;
        if (image.entries[i].uniqueId == uniqueId) break;
    }
    if (!chosen) Fail(path + " lists no device");
    return *image.blocks[*chosen];
}

}  // namespace

DeviceFile ReadDeviceFile(const std::string& path, const std::string& command) {
    const std::string ext = Extension(path);
    if (ext != "zef" && ext != "prp") Usage(command + " takes a .zef or .prp file");
    DeviceFile file;
    file.path = path;
    file.isPreset = ext == "zef";
    if (file.isPreset) {
        const zef::PresetFileResult read = zef::LoadPresetFile(path);
        if (!read.ok()) {
            const zef::FileMessage m = zef::PresetFileErrorMessage(read, path);
            Fail(ConsoleDialogs::OneLine(m.title, m.text));
        }
        file.preset = read.data;
    } else {
        file.project = zef::ReadProjectFile(path);
        if (!file.project.status.ok) {
            const zef::FileMessage m = zef::LoadProjectErrorMessage(file.project.status, path);
            Fail(ConsoleDialogs::OneLine(m.title, m.text));
        }
    }
    return file;
}

zef::DeviceModel TargetState(const DeviceFile& file, const zef::DeviceModel& device, const std::string& uniqueId) {
    zef::DeviceModel d = device;
    if (file.isPreset) {
        zef::ApplyPresetFile(file.preset, d);
        zef::LoadEditorValues(d);
        return d;
    }
    const zef::ProjectDeviceBlock& block = ProjectBlockFor(file.project.image, uniqueId, file.path);
    d.settings = block.settings;
    d.preset = block.preset;
    d.firTaps = block.firTaps;
    d.eqTarget = block.eqTarget;
    return zef::LoadedState(device, d);
}

DiffSent SendDifferences(Session& session, const zef::DeviceModel& target, const std::string& what) {
    const zef::VerifiedStateSend v = zef::SendStateVerified(session.writer, kSlot, target);
    session.Check(v.sent.status, what);
    session.Check(v.report, what);
    return {v.sent.parameters, v.sent.firs};
}

}  // namespace zefctl
