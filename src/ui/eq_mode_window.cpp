#include "ui/eq_mode_window.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/output_eq_actions.h"
#include "model/memory_map.h"

namespace zef {

EqModeWindow::EqModeWindow(const EditorContext& context, std::function<void()> closeEditor, QWidget* parent)
    : QDialog(parent), context_(context), closeEditor_(std::move(closeEditor)) {
    setObjectName("FrmEqMode");
    setWindowTitle("Output EQ Mode");
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel("Output equaliser of both outputs:", this));
    auto* row = new QHBoxLayout;
    for (int mode = 0; mode < 2; ++mode) {
        auto* b = new QPushButton(kEqModeNames[mode], this);
        b->setObjectName(QString("LabelMode%1").arg(mode));
        b->setMinimumSize(130, 44);
        b->setCheckable(true);
        b->setAutoDefault(false);
        b->setStyleSheet(
            "QPushButton:checked { background: rgb(0,120,215); color: white; font-weight: bold; }");
        connect(b, &QPushButton::clicked, this, [this, mode] { ClickMode(mode); });
        row->addWidget(b);
        buttons_[static_cast<std::size_t>(mode)] = b;
    }
    v->addLayout(row);
    Highlight();
}

void EqModeWindow::Highlight() {
    const int active = context_.device().preset[pi::kEqMode] != 0 ? 1 : 0;
    for (int mode = 0; mode < 2; ++mode) buttons_[static_cast<std::size_t>(mode)]->setChecked(mode == active);
}

EqModeSwitch EqModeWindow::ClickMode(int mode) {
    const auto code = static_cast<std::uint8_t>(mode != 0 ? 1 : 0);
    // The active mode compares as "1" for any nonzero byte.
    const std::uint8_t stored = context_.device().preset[pi::kEqMode];
    const std::uint8_t target = (stored != 0 && code != 0) ? stored : code;
    EqModeSwitchPorts ports{
        context_.dialogs, closeEditor_,
        [this, code] { return context_.writer.Set(context_.slot, ParameterOf(ParamId::EqMode, {}), code); }};
    const EqModeSwitchOutcome outcome =
        SetOutputEqMode(context_.device(), context_.curves, context_.slot, target, ports);
    if (outcome.result == EqModeSwitch::Switched) {
        context_.history.EndStep(context_.slot, "EQ mode");
        accept();
        return outcome.result;
    }
    Highlight();
    return outcome.result;
}

}  // namespace zef
