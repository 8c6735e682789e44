#pragma once
// The editor's windows with demo data, one PNG per window and page, named
// after the window (FrmIdList.png, FrmSetup-LAN.png ...): the start and list
// windows, the device windows, the channel editor with its dialogs, the
// output EQ/FIR editor and, when a virtual rig is given, the measuring
// windows. Needs a QApplication; works on the offscreen platform.

#include <string>

#include "app/editor_options.h"

namespace zef::shots {

class Shooter;

// `dataFolder` is the session's data folder. False when a file could not be
// written or the measuring windows could not be shot.
bool RenderEditorShots(const EditorOptions& options, const std::string& dataFolder, Shooter& shot);

}  // namespace zef::shots
