#pragma once
// How the editor presents itself to the desktop: its application name and
// version, its menu entry and icon, and the Fusion style its windows are
// drawn in. The editor and the screenshot renderer both call this, so the
// screenshots show the editor's own look.

namespace zef {

// Call once, after the QApplication is made.
void SetEditorApplicationLook();

}  // namespace zef
