#pragma once
// A preset (.zef) or project (.prp) file against one device: read and
// checked before any device is asked, then put over a copy of what the
// device holds, so that load, load --diff-only and diff all see the same
// target state.

#include <string>

#include "files/preset_file.h"
#include "files/project_file.h"
#include "model/device_model.h"

namespace zefctl {

class Session;

struct DeviceFile {
    std::string path;
    bool isPreset = false;  // .zef; else .prp
    zef::PresetFileData preset;
    zef::ProjectReadResult project;
};

// Reads `path` (.zef or .prp by its extension); a usage error naming `command` for another
// extension, a failure with the file's message when it is refused.
DeviceFile ReadDeviceFile(const std::string& path, const std::string& command);

// What the device in `device` holds once the file is loaded into it. A
// project gives the block listed with `uniqueId`, else its first listed one,
// and only the device state (DS 205..217), the preset and the FIRs: the
// device keeps its identity, firmware and network settings.
zef::DeviceModel TargetState(const DeviceFile& file, const zef::DeviceModel& device, const std::string& uniqueId);

// Sends only what differs between the session's device and `target`: the
// parameters as one batch and each differing FIR through the writer, read
// back; then any other differing byte the editor writes (names) as memory
// writes, read back as well. The model holds `target` afterwards. Returns
// the number of parameters and FIRs sent. Throws CliError.
struct DiffSent {
    int parameters = 0;
    int firs = 0;
};
DiffSent SendDifferences(Session& session, const zef::DeviceModel& target, const std::string& what);

}  // namespace zefctl
