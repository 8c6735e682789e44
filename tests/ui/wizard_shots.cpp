// wizard_shots FOLDER: renders every page of the FIR wizard to PNG files in
// FOLDER with a real run behind them: a simulated amplifier and its virtual
// rig in this process (at full speed), a measurement through the rig, a
// design in the "Magn + Phase" mode, the store into the amplifier and the
// verification. `./zef shots` runs it after the editor's own shots.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <cstdio>

#include "app/editor_session.h"
#include "audio/audio_system.h"
#include "model/memory_map.h"
#include "recording_dialogs.h"
#include "rig.h"
#include "sim_link.h"
#include "simulator.h"
#include "temp_folder.h"
#include "ui/eq_target_window.h"
#include "ui/fir_wizard.h"
#include "ui/fir_wizard_calculate.h"
#include "ui/fir_wizard_compare.h"
#include "ui/fir_wizard_measure.h"
#include "ui/fir_wizard_run.h"
#include "ui/fir_wizard_wiring.h"
#include "ui/wizard_widgets.h"

namespace {

using namespace zef;

bool Save(QWidget& w, const QString& folder, const QString& name) {
    w.show();
    QApplication::processEvents();
    const QString path = folder + "/" + name + ".png";
    if (!w.grab().save(path)) {
        std::fprintf(stderr, "wizard_shots: cannot write %s\n", path.toLocal8Bit().constData());
        return false;
    }
    std::printf("%s\n", path.toLocal8Bit().constData());
    return true;
}

// Runs the event loop until the wizard's action has ended (at most 90 s).
bool Finish(FirWizardWindow& wizard) {
    QElapsedTimer clock;
    clock.start();
    while (wizard.run().measurement().running() != wizard::Action::None) {
        if (clock.elapsed() > 90000) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void Choose(FirWizardWindow& w, const char* devices, const char* outputs, const char* inputs) {
    w.findChild<QComboBox*>(devices)->setCurrentIndex(1);
    w.findChild<QComboBox*>(outputs)->setCurrentIndex(1);
    w.findChild<QComboBox*>(inputs)->setCurrentIndex(1);
}

int Run(const QString& folder) {
    if (!QDir().mkpath(folder)) return 1;
    test::TempFolder data;
    RecordingDialogs dialogs;
    dialogs.defaultAnswer = Answer::Yes;  // "Are you sure?" of the store
    zefsim::Simulator sim;
    zefsim::DeviceConfig config;
    config.name = "Stage Left";
    zefsim::Device& device = sim.addDevice(config);
    device.setMemory(kPresetBaseAddress + pi::kEqMode, {1});
    device.setMemory(kPresetBaseAddress + pi::kFirBypass, {0});
    device.setMemory(kPresetBaseAddress + pi::kOutputEqBypass, {0});  // the FIR plays with the EQ
    device.setMemory(kPresetBaseAddress + pi::kOutputMute, {0x02});   // output 2 muted: the mic hears both
    // -15 dB on output 1: at 0 dB the sweep would clip the rig's microphone.
    device.setMemory(kPresetBaseAddress + pi::OutputGain(0), {90});

    EditorOptions options;
    options.announcePort = 0;
    EditorSession session(options, data.path().string(), dialogs,
                          test::FastLinkSettings(data.path().string()));
    if (!session.Start()) return 1;
    std::uint16_t port = 0;
    test::ConnectSimTcp(
        {sim, device, session.exchange(), session.transport(), session.model(), session.link(), 1}, port);
    if (!session.model().entry(1).online) return 1;
    session.model().entry(1).name = "Stage Left";

    zefsim::RigConfig rigConfig;
    rigConfig.fast = true;
    rigConfig.latencyMs = 20;
    zefsim::Rig rig(device, rigConfig);
    std::string error;
    std::unique_ptr<audio::System> audio = audio::MakeAudioSystem({{rig.endpoint()}, false}, error);
    if (!audio) return 1;

    FirWizardWindow w(MakeFirWizardContext(session, 1, 0, audio.get()));
    w.resize(1000, 700);
    bool ok = true;
    const char* names[] = {"1-Welcome", "2-Geometry",  "3-Wiring", "4-Measure",
                           "5-View",    "6-Calculate", "7-Compare"};
    auto shot = [&](int page) { ok &= Save(w, folder, QString("FrmWizardFIR-") + names[page]); };

    for (QCheckBox* c : w.findChildren<QCheckBox*>())
        if (c->objectName().startsWith("CheckCondition")) c->setChecked(true);
    shot(FirWizardWindow::kWelcome);
    w.GoTo(FirWizardWindow::kGeometry);
    w.findChild<QCheckBox*>("CheckGeometry")->setChecked(true);
    shot(FirWizardWindow::kGeometry);
    w.GoTo(FirWizardWindow::kWiring);
    Choose(w, "DevCombo", "OutChCombo", "InpChCombo");
    w.findChild<Stepper*>("LblRoomDecay")->step(-1);
    w.wiringPage().ClickTest();
    ok &= Finish(w);
    shot(FirWizardWindow::kWiring);
    w.GoTo(FirWizardWindow::kMeasure);
    w.measurePage().ClickMeasure();
    ok &= Finish(w) && !w.run().state.ir.empty();
    shot(FirWizardWindow::kMeasure);
    w.GoTo(FirWizardWindow::kView);
    shot(FirWizardWindow::kView);
    w.GoTo(FirWizardWindow::kCalculate);
    w.run().state.settings.firMode = 1;
    w.run().state.settings.windowStep = 0;  // 2.0 ms: the direct sound without the room's first reflection
    w.run().state.settings.minFrequency = 500;
    w.calculatePage().ShowSettings();
    w.calculatePage().ClickCalculate();
    w.findChild<QCheckBox*>("CheckMagnPhase")->setChecked(true);
    ok &= w.run().design().designed();
    shot(FirWizardWindow::kCalculate);
    w.GoTo(FirWizardWindow::kCompare);
    w.comparePage().ClickStore();
    Choose(w, "DevListVerify", "OutChListVerify", "InpChListVerify");
    w.comparePage().ClickVerify();
    ok &= Finish(w) && w.run().design().after().has_value();
    shot(FirWizardWindow::kCompare);

    EqTargetRecord target = w.run().state.target;
    target.gainDb[1] = 3.0;
    target.gainDb[8] = -4.0;
    target.leading = -5;
    EqTargetWindow eq(target);
    ok &= Save(eq, folder, "FrmEqTarget");
    for (const auto& m : dialogs.messages())
        std::fprintf(stderr, "wizard_shots: message \"%s\": %s\n", m.title.c_str(), m.text.c_str());
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: wizard_shots FOLDER\n");
        return 2;
    }
    return Run(QString::fromLocal8Bit(argv[1]));
}
