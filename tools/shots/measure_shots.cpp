#include "measure_shots.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>
#include <cstdio>
#include <filesystem>

#include "app/editor_session.h"
#include "app/measure_context.h"
#include "audio/audio_system.h"
#include "base/c_number.h"
#include "base/utf8_path.h"
#include "shooter.h"
#include "ui/analyser_panel.h"
#include "ui/analyser_view.h"
#include "ui/autoeq_window.h"
#include "ui/calibration_dialog.h"
#include "ui/card_chooser.h"
#include "ui/eq_fir_window.h"
#include "ui/output_eq_windows.h"
#include "ui/rta_settings_window.h"

namespace zef::shots {
namespace {

constexpr DeviceSlot kSlot = 1;

// Runs the event loop until `done` or `ms` passed.
bool Until(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

int RigCard(EditorSession& session) {
    std::string error;
    audio::System* system = session.audio(error);
    if (!system) return -1;
    const auto cards = system->Devices();
    for (std::size_t i = 0; i < cards.size(); ++i)
        if (cards[i].hostApi == "rig") return static_cast<int>(i);
    return -1;
}

// The measuring choices of the session: the rig's card and microphone, the
// analyser's noise level and band range.
void ChooseRig(MeasureSettings& s, int card) {
    s.card = card;
    s.input = 0;
    s.noiseLevel = 70;
    s.minBand = 4;
    s.maxBand = 29;
}

void ShootAnalyserSettings(EditorSession& session, int card, const SaveShot& save) {
    std::string error;
    std::unique_ptr<AudioDeviceManager> manager = audio::MakeInputDeviceManager(*session.audio(error));
    AnalyserSettingsWindow settings(*manager, session.measure().settings());
    settings.chooser()->select(card, 0);
    settings.chooser()->EnableCalibration(session.dataFolder(), session.dialogs());
    save(settings, "FrmRTASettings");

    // The calibration dialog of that input, with a microphone file chosen.
    const std::string mic = zef::Utf8Join(session.dataFolder(), "demo-mic.txt");
    FrequencyCurve curve;
    curve.sensitivityDb = -1.25;
    for (const auto& [hz, db] : {std::pair{20.0, -2.0}, {100.0, -0.5}, {1000.0, 0.0}, {10000.0, 1.5}, {20000.0, -1.0}})
        curve.points.push_back({hz, db, 0});
    WriteFrequencyCurve(mic, curve, "demo microphone");
    CalibrationStore store(session.dataFolder());
    CalibrationDialog dialog(store, session.dialogs(), settings.chooser()->cardName(), 0);
    dialog.Choose(CalibrationDialog::kMicrophone, mic);
    save(dialog, "FrmCalibration");
}

// The AutoEQ wizard's pages: welcome, microphone test, measuring, result
// and verification. False when the run does not reach its result.
bool ShootAutoEq(EditorSession& session, const SaveShot& save) {
    AutoEqTimings timings;
    timings.engine.averageSeconds = 4;  // the rig runs faster than real time
    AutoEqWindow w(MeasureContextOf(session), kSlot, kOutput1, timings);
    w.resize(900, 640);
    w.show();
    save(w, "FrmAutoEq-Welcome");
    w.ShowPage(AutoEqWindow::kCard);
    w.ClickMicTest();
    Until([&] { return w.wizard().micLevelDb() > -60; }, 5000);
    Until([] { return false; }, 300);
    save(w, "FrmAutoEq-MicTest");
    w.ClickMicTest();
    w.ShowPage(AutoEqWindow::kRun);
    w.ClickStart();
    Until([] { return false; }, 1500);
    save(w, "FrmAutoEq-Measuring");
    if (!Until([&] { return w.wizard().phase() != AutoEqWizard::Phase::Running; }, 30000) ||
        w.wizard().phase() != AutoEqWizard::Phase::Result)
        return Fail("measuring shots: the AutoEQ run did not finish");
    save(w, "FrmAutoEq-Result");
    w.ClickApply();
    w.ClickVerify();
    Until([&] { return w.wizard().verifiedSpectra() >= 100; }, 10000);
    save(w, "FrmAutoEq-Verify");
    std::printf("AutoEQ: measured %s dB rms, verified %s dB rms\n",
                zef::CFixed(w.wizard().measuredDeviationDb(), 2).c_str(),
                zef::CFixed(w.wizard().verifiedDeviationDb(), 2).c_str());
    w.ClickVerify();
    return true;
}

// The analyser as the user sees it: in the output EQ editor's graph area.
bool ShootAnalyser(EditorSession& session, const SaveShot& save) {
    int filterIndex = 0;
    OutputEqWindow editor(EditorContextOf(session, kSlot), EditorToolsOf(session), 0, filterIndex);
    AnalyserPanel* panel = nullptr;
    ConnectMeasuringWindows(MeasureContextOf(session), editor, [&panel](AnalyserPanel& made) {
        panel = &made;
        made.settingsShown = [](AnalyserSettingsWindow& settings) { settings.ClickEnable(); };
    });
    editor.resize(900, 620);
    editor.show();
    auto* rta = editor.findChild<QPushButton*>("ImageRTA");
    if (rta) rta->setChecked(true);
    if (!panel) return Fail("measuring shots: the output EQ editor did not show the analyser");
    Until([&] { return panel->view()->levels()[16] > -80; }, 5000);
    Until([] { return false; }, 500);
    save(editor, "FrmEQFIR-RTA");
    rta->setChecked(false);
    return true;
}

}  // namespace

bool RenderMeasureShots(const EditorOptions& options, const std::string& dataFolder, Dialogs& dialogs,
                        const SaveShot& save) {
    EditorSession session(options, dataFolder, dialogs);
    if (!session.Start()) return Fail("measuring shots: no TCP client");
    if (!ConnectStageLeft(session, kSlot, "127.0.0.2")) return false;
    const int card = RigCard(session);
    if (card < 0) return Fail("measuring shots: no virtual rig");
    ChooseRig(session.measure().settings(), card);
    ShootAnalyserSettings(session, card, save);
    return ShootAutoEq(session, save) && ShootAnalyser(session, save);
}

}  // namespace zef::shots
