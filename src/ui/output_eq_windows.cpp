#include "ui/output_eq_windows.h"

#include <QTimer>
#include <QVBoxLayout>

#include "app/editor_session.h"
#include "ui/eq_fir_window.h"
#include "ui/analyser_panel.h"
#include "ui/autoeq_window.h"
#include "ui/eq_mode_window.h"
#include "ui/fir_wizard.h"

namespace zef {

void ConnectMeasuringWindows(EditorSession& session, OutputEqWindow& editor,
                             std::function<void(AnalyserPanel&)> panelMade) {
    OutputEqWindow* e = &editor;
    const auto code = [](int output) { return output == 1 ? kOutput2 : kOutput1; };
    e->wizardHandler = [&session, e, code](DeviceSlot s, int output) {
        OpenFirWizard(session, s, code(output), e);
        e->RefreshNameTapsFir();
        e->PlotMainPage();
    };
    e->autoEqHandler = [&session, e, code](DeviceSlot s, int output) { OpenAutoEq(session, s, code(output), e); };
    // The analyser fills the editor's graph area; switching it off deletes
    // the panel, which stops it and restores the device.
    e->analyserHandler = [&session, e, code, panelMade = std::move(panelMade)](DeviceSlot s, int output) {
        QWidget* page = e->analyserPage();
        auto* layout = page->layout() ? page->layout() : new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* panel = new AnalyserPanel(session, s, code(output), page);
        layout->addWidget(panel);
        if (panelMade) panelMade(*panel);
        panel->ClickRtaEnable();
    };
    e->HooksChanged();
}

OutputEqWindows::OutputEqWindows(EditorSession& session, QWidget* owner) : session_(session), owner_(owner) {}

OutputEqWindows::~OutputEqWindows() { delete editor_.data(); }

OutputEqWindow& OutputEqWindows::Open(DeviceSlot slot, int output) {
    if (editor_ && editor_->slot() != slot) Close();
    if (!editor_) {
        auto* e = new OutputEqWindow(session_, slot, output, firFilterIndex_, owner_);
        e->setWindowFlag(Qt::Window, true);
        e->setAttribute(Qt::WA_DeleteOnClose, true);
        e->resize(900, 620);
        // From the event loop, not from inside the editor the switch closes.
        e->eqModeHandler = [this, slot] { QTimer::singleShot(0, this, [this, slot] { ShowEqMode(slot); }); };
        ConnectMeasuringWindows(session_, *e);
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
        session_, slot, [this] { Close(); }, owner_);
    const bool switched = window.exec() == QDialog::Accepted;
    if (switched && reopen) Open(slot, output);
    return switched;
}

}  // namespace zef
