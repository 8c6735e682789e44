#pragma once
// The one output EQ/FIR editor of the program and its mode window. The
// channel editor opens OutputEqWindow for the selected output through Open; an
// editor of another device is closed first. The mode window (from the
// editor's mode button) closes the editor before it switches the mode, and
// the editor opens again on the same output in the new mode afterwards.
// The import window's last file filter is kept here between openings.

#include <QObject>
#include <QPointer>
#include <functional>

#include "app/editor_context.h"
#include "app/eq_mode.h"
#include "app/measure_context.h"

class QWidget;

namespace zef {

class AnalyserPanel;
class OutputEqWindow;

// Connects `editor`'s "Wizard", "AutoEQ" and "Analyser View" to the FIR wizard,
// the AutoEQ wizard and the analyser panel in the editor's graph area.
// `panelMade`, when given, sees each new panel before it starts (the window
// renderer answers the panel's settings window there).
void ConnectMeasuringWindows(const MeasureContext& context, OutputEqWindow& editor,
                             std::function<void(AnalyserPanel&)> panelMade = {});

class OutputEqWindows final : public QObject {
    Q_OBJECT
public:
    // `contextOf` gives the editor context of a device. Windows open as
    // top-level windows owned by `owner`.
    OutputEqWindows(std::function<EditorContext(DeviceSlot)> contextOf, const EditorTools& tools,
                    const MeasureContext& measure, QWidget* owner);
    ~OutputEqWindows() override;

    // Shows the editor of `slot` on `output` (0 or 1), creating it when needed.
    OutputEqWindow& Open(DeviceSlot slot, int output);
    // The open editor, or nullptr.
    OutputEqWindow* editor() const { return editor_; }
    void Close();
    // EqModeWindow of `slot`, modal. True when the mode was switched.
    bool ShowEqMode(DeviceSlot slot);
    int& firFilterIndex() { return firFilterIndex_; }

private:
    std::function<EditorContext(DeviceSlot)> contextOf_;
    EditorTools tools_;
    MeasureContext measure_;
    QPointer<QWidget> owner_;
    QPointer<OutputEqWindow> editor_;
    int firFilterIndex_ = 0;
};

}  // namespace zef
