#pragma once
// The screenshots of the output EQ/FIR editor (both modes), its mode window
// and the FIR import window in each of its views, with a 384-tap band-pass
// FIR on output 1 of device 1 and in a file of the session's FIR folder.

#include <QString>
#include <functional>

class QWidget;

namespace zef {

class EditorSession;

void RenderOutputEqShots(EditorSession& session, const std::function<void(QWidget&, const QString&)>& save);

}  // namespace zef
