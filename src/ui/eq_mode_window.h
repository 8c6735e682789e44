#pragma once
// EqModeWindow: the output EQ mode of a device, "30 PEQ" or "10PEQ + FIR". The
// active mode is highlighted; choosing it asks nothing and does nothing.
// Choosing the other one runs the mode switch ("Are you sure?", "Apply"):
// on Yes the output EQ/FIR editor is closed first (closeEditor), the mode is
// stored and sent, both output sums are rebuilt, and this window closes.

#include <QDialog>
#include <array>
#include <functional>

#include "app/editor_context.h"
#include "app/eq_mode.h"

class QPushButton;

namespace zef {

class EqModeWindow final : public QDialog {
    Q_OBJECT
public:
    // For the context's device.
    EqModeWindow(const EditorContext& context, std::function<void()> closeEditor, QWidget* parent = nullptr);

    // A click on mode 0 ("30 PEQ") or 1 ("10PEQ + FIR").
    EqModeSwitch ClickMode(int mode);
    QPushButton* modeButton(int mode) const { return buttons_.at(static_cast<std::size_t>(mode)); }

private:
    void Highlight();

    EditorContext context_;
    std::function<void()> closeEditor_;
    std::array<QPushButton*, 2> buttons_{};
};

}  // namespace zef
