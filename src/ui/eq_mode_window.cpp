#include "ui/eq_mode_window.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/editor_session.h"
#include "app/output_eq_actions.h"
#include "model/memory_map.h"

namespace zef {

EqModeWindow::EqModeWindow(EditorSession& session, DeviceSlot slot, std::function<void()> closeEditor,
                     QWidget* parent)
    : QDialog(parent), session_(session), slot_(slot), closeEditor_(std::move(closeEditor)) {
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
    const int active = session_.model().device(slot_).preset[pi::kEqMode] != 0 ? 1 : 0;
    for (int mode = 0; mode < 2; ++mode) buttons_[static_cast<std::size_t>(mode)]->setChecked(mode == active);
}

EqModeSwitch EqModeWindow::ClickMode(int mode) {
    const auto code = static_cast<std::uint8_t>(mode != 0 ? 1 : 0);
    // The active mode compares as "1" for any nonzero byte.
    const std::uint8_t stored = session_.model().device(slot_).preset[pi::kEqMode];
    const std::uint8_t target = (stored != 0 && code != 0) ? stored : code;
    EqModeSwitchPorts ports{session_.dialogs(), closeEditor_, [this, code] {
                                return session_.writer().Set(slot_, ParameterOf(ParamId::EqMode, {}), code);
                            }};
    const EqModeSwitchOutcome outcome =
        SetOutputEqMode(session_.model().device(slot_), session_.state().responses, slot_, target, ports);
    if (outcome.result == EqModeSwitch::Switched) {
        accept();
        return outcome.result;
    }
    Highlight();
    return outcome.result;
}

}  // namespace zef
