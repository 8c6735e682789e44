#pragma once
// The screenshots of the output EQ/FIR editor (both modes), its mode window
// and the FIR import window in each of its views, with a 384-tap band-pass
// FIR on output 1 of device 1 and in a file of the session's FIR folder.

#include "measure_shots.h"

namespace zef {

class EditorSession;

namespace shots {

void RenderOutputEqShots(EditorSession& session, const SaveShot& save);

}  // namespace shots
}  // namespace zef
