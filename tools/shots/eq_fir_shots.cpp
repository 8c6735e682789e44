#include "eq_fir_shots.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QRadioButton>

#include "app/editor_context.h"
#include "app/editor_session.h"
#include "app/measure_context.h"
#include "device/fir_store.h"
#include "dsp/demo_fir.h"
#include "files/fir_import.h"
#include "measure/fir_design_io.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "ui/eq_fir_window.h"
#include "ui/eq_mode_window.h"
#include "ui/fir_import_window.h"
#include "ui/output_eq_windows.h"

namespace zef::shots {

namespace {

// The editor in the 30-band mode, in the 10-band + FIR mode, on output 2;
// then the mode window.
void ShootEditor(EditorSession& session, DeviceModel& d, int& filterIndex, const SaveShot& save) {
    {
        d.preset[pi::kEqMode] = 0;
        OutputEqWindow editor(EditorContextOf(session, 1), EditorToolsOf(session), 0, filterIndex);
        ConnectMeasuringWindows(MeasureContextOf(session), editor);
        editor.resize(900, 620);
        save(editor, "FrmEQFIR-30PEQ");
        d.preset[pi::kEqMode] = 1;
        session.responses().GroupChanged(1, 2);
        editor.RefreshWindowEqFIR();
        save(editor, "FrmEQFIR-10PEQ-FIR");
        editor.SetPageTabChn(1);
        save(editor, "FrmEQFIR-Output2");
    }
    EqModeWindow mode(EditorContextOf(session, 1), {});
    save(mode, "FrmEqMode");
}

// The import window before a file is opened, then with the FIR file at
// `path` in each view.
void ShootFirImport(EditorSession& session, const std::string& path, int& filterIndex, const SaveShot& save) {
    const EditorContext context = EditorContextOf(session, 1);
    const EditorTools tools = EditorToolsOf(session);
    FirImportWindow opened(context, tools, 1, filterIndex);
    save(opened, "FormExternalFir-Open");
    FirImportWindow window(context, tools, 0, filterIndex);
    window.LoadFile(path);
    const std::pair<fir::FirView, const char*> views[] = {
        {fir::FirView::Magnitude, "FormExternalFir-Mag"},
        {fir::FirView::Phase, "FormExternalFir-Phase"},
        {fir::FirView::GroupDelay, "FormExternalFir-GroupDelay"}};
    for (const auto& [view, name] : views) {
        window.viewOption(view)->setChecked(true);
        window.UpdatePlot();
        save(window, name);
    }
    window.viewOption(fir::FirView::Phase)->setChecked(true);
    window.phaseMode()->setCurrentIndex(1);
    window.zoomY()->setCurrentIndex(2);
    save(window, "FormExternalFir-Phase-Unwrapped");
    window.removeLatency()->setChecked(true);
    window.zoomY()->setCurrentIndex(0);
    window.scaleX()->setCurrentIndex(0);
    save(window, "FormExternalFir-Phase-NoLatency-Linear");
}

}  // namespace

void RenderOutputEqShots(EditorSession& session, const SaveShot& save) {
    const std::vector<double> bandPass = dsp::BandPassFir(384, 300.0, 9000.0);
    DeviceModel& d = session.model().device(1);
    const fir::StoredFir stored = fir::MakeStoredFir("BandPass 384", bandPass);
    SetFirName(d.preset, 0, fir::PaddedFirName(stored.name));
    d.firTaps[0] = TapsFromFirImage(stored.image);
    SetFirTapCount(d.preset, 0, stored.tapCount);
    int filterIndex = 0;
    ShootEditor(session, d, filterIndex, save);
    const std::string folder = session.dataSubfolder(fir::kFirFolder);
    QDir().mkpath(QString::fromStdString(folder));
    const std::string path = folder + "/Band 300-9000.txt";
    if (!measure::WriteDesignedFirFile(path, bandPass)) return;
    ShootFirImport(session, path, filterIndex, save);
}

}  // namespace zef::shots
