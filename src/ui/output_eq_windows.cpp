#include "ui/output_eq_windows.h"

#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/analyser_panel.h"
#include "ui/autoeq_window.h"
#include "ui/eq_fir_window.h"
#include "ui/eq_mode_window.h"
#include "ui/fir_wizard.h"
#include "ui/measure_buttons.h"
#include "ui/window_geometry.h"

namespace zef {

void ConnectMeasuringWindows(const MeasureContext& context, OutputEqWindow& editor,
                             std::function<void(AnalyserPanel&)> panelMade) {
    OutputEqWindow* e = &editor;
    const auto code = [](int output) { return output == 1 ? kOutput2 : kOutput1; };
    e->wizardHandler = [context, e, code](DeviceSlot s, int output) {
        OpenFirWizard(context, s, code(output), e);
        e->RefreshNameTapsFir();
        e->PlotMainPage();
    };
    e->autoEqHandler = [context, e, code](DeviceSlot s, int output) {
        OpenAutoEq(context, s, code(output), e);
    };
    // The analyser fills the editor's graph area; switching it off deletes
    // the panel, which stops it and restores the device. When its settings
    // are cancelled or the start fails, the view switches itself off again.
    e->analyserHandler = [context, e, code, panelMade = std::move(panelMade)](DeviceSlot s, int output) {
        QWidget* page = e->analyserPage();
        auto* layout = page->layout() ? page->layout() : new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* panel = new AnalyserPanel(context, s, code(output), page);
        layout->addWidget(panel);
        if (panelMade) panelMade(*panel);
        panel->ClickRtaEnable();
        // Cancelled or refused: nothing runs, so the view is not left on.
        if (!panel->rta().running()) e->measureButtons()->rtaButton()->setChecked(false);
    };
    e->HooksChanged();
}

OutputEqWindows::OutputEqWindows(std::function<EditorContext(DeviceSlot)> contextOf, const EditorTools& tools,
                                 const MeasureContext& measure, QWidget* owner)
    : contextOf_(std::move(contextOf)), tools_(tools), measure_(measure), owner_(owner) {}

OutputEqWindows::~OutputEqWindows() { delete editor_.data(); }

OutputEqWindow& OutputEqWindows::Open(DeviceSlot slot, int output) {
    if (editor_ && editor_->slot() != slot) Close();
    if (!editor_) {
        auto* e = new OutputEqWindow(contextOf_(slot), tools_, output, firFilterIndex_, owner_);
        e->setWindowFlag(Qt::Window, true);
        e->setAttribute(Qt::WA_DeleteOnClose, true);
        KeepWindowGeometry(e, "OutputEq", QSize(900, 620));
        // From the event loop, not from inside the editor the switch closes.
        e->eqModeHandler = [this, slot] { QTimer::singleShot(0, this, [this, slot] { ShowEqMode(slot); }); };
        ConnectMeasuringWindows(measure_, *e);
        editor_ = e;
    } else if (editor_->output() != output) {
        editor_->SetPageTabChn(output);
    }
    editor_->show();
    editor_->raise();
    editor_->activateWindow();
    return *editor_;
}

void OutputEqWindows::Close() {
    OutputEqWindow* e = editor_;
    editor_ = nullptr;
    if (e) e->close();
}

bool OutputEqWindows::ShowEqMode(DeviceSlot slot) {
    const bool reopen = editor_ && editor_->slot() == slot;
    const int output = reopen ? editor_->output() : 0;
    EqModeWindow window(
        contextOf_(slot), [this] { Close(); }, owner_);
    const bool switched = window.exec() == QDialog::Accepted;
    if (switched && reopen) Open(slot, output);
    return switched;
}

}  // namespace zef
