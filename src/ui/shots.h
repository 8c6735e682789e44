#pragma once
// Renders every window of the editor with demo data to PNG files, one file
// per window and page, named after the window (DeviceListWindow.png,
// NetworkSetupWindow-LAN.png ...). Needs a QApplication; works on the offscreen
// platform. Nothing is connected and nothing is sent.

#include <string>

#include "app/editor_options.h"

namespace zef {

// Writes the PNG files into options.shotsFolder (created when missing);
// `dataFolder` is the session's data folder. False when a file could not be written.
bool RenderShots(const EditorOptions& options, const std::string& dataFolder);

}  // namespace zef
