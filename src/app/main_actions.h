#pragma once
// What the main window's buttons and its closing do, without the window:
// the project buttons (save, load, new) and the exit sequence.

#include <string>

#include "app/texts.h"
#include "app/editor_session.h"

namespace zef {

class MainActions {
public:
    explicit MainActions(EditorSession& session) : session_(session) {}

    // True when any listed device is on-line.
    bool AnyConnected() const;

    // Save: asks for a file in the "Project" folder and writes the project.
    // False when cancelled or not written ("Can't save project").
    bool SaveProjectFile();
    // Load: asks before dropping connections, then for the file; a file that
    // does not read leaves everything as it was. On success every connected
    // device gets command 15 and is taken off-line, and the list is the file's.
    bool LoadProjectFile();
    // New: the same question, then an empty list.
    bool NewProject();

    // The closing of the main window: asks "Are you sure ?"; anything but
    // Yes returns false and changes nothing. Yes: command 15 to every on-line
    // device (USB ones while the serial port is open, which then closes),
    // every TCP connection closed, tmpPrj.plt saved; returns true.
    bool Exit();

private:
    // Command 15 to each connected device and its link closed; every slot
    // off-line with its per-slot flags cleared.
    void DropConnections();

    EditorSession& session_;
};

}  // namespace zef
