#pragma once
// The measuring windows' screenshots, taken from a real run: the editor
// connects to the amplifier at 127.0.0.2 (the session's device port) whose
// virtual rig is the first --rig, runs AutoEQ on output 1 (level check,
// measurement, fit, apply, verify) and the output analyser, and saves each
// window as it stands. Needs a QApplication; the caller's `save` writes one
// PNG.

#include <QString>
#include <functional>
#include <string>

#include "app/editor_options.h"

class QWidget;

namespace zef {

class Dialogs;

namespace shots {

using SaveShot = std::function<void(QWidget& window, const QString& name)>;

// False (with a line on stderr) when the device or the rig could not be had.
bool RenderMeasureShots(const EditorOptions& options, const std::string& dataFolder, Dialogs& dialogs,
                        const SaveShot& save);

}  // namespace shots
}  // namespace zef
