#include "wizard_shots.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "app/editor_session.h"
#include "app/measure_context.h"
#include "audio/audio_system.h"
#include "model/memory_map.h"
#include "rig.h"
#include "shooter.h"
#include "simulator.h"
#include "ui/eq_target_window.h"
#include "ui/fir_wizard.h"
#include "ui/fir_wizard_calculate.h"
#include "ui/fir_wizard_compare.h"
#include "ui/fir_wizard_measure.h"
#include "ui/fir_wizard_run.h"
#include "ui/fir_wizard_wiring.h"
#include "ui/wizard_widgets.h"

namespace zef::shots {
namespace {

constexpr DeviceSlot kSlot = 1;

// The amplifier the wizard measures: output 1 in the 10-band + FIR mode
// with EQ and FIR on at -15 dB (at 0 dB the sweep would clip the rig's
// microphone); output 2 muted, since the microphone hears both.
zefsim::Device& AddAmplifier(zefsim::Simulator& sim) {
    zefsim::DeviceConfig config;
    config.name = "Stage Left";
    zefsim::Device& device = sim.addDevice(config);
    device.setMemory(kPresetBaseAddress + pi::kEqMode, {1});
    device.setMemory(kPresetBaseAddress + pi::kFirBypass, {0});
    device.setMemory(kPresetBaseAddress + pi::kOutputEqBypass, {0});  // the FIR plays with the EQ
    device.setMemory(kPresetBaseAddress + pi::kOutputMute, {0x02});
    device.setMemory(kPresetBaseAddress + pi::OutputGain(0), {90});
    return device;
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

// Pages 1 to 5: the conditions, the geometry, the microphone test and the
// measurement, and the measured IR.
bool ShootMeasuring(FirWizardWindow& w, const std::function<void(int page)>& shot) {
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
    bool ok = Finish(w);
    shot(FirWizardWindow::kWiring);
    w.GoTo(FirWizardWindow::kMeasure);
    w.measurePage().ClickMeasure();
    ok &= Finish(w) && !w.run().state.ir.empty();
    shot(FirWizardWindow::kMeasure);
    w.GoTo(FirWizardWindow::kView);
    shot(FirWizardWindow::kView);
    return ok;
}

// Pages 6 and 7: a design of the direct sound from 500 Hz, stored into the
// amplifier and verified through the rig.
bool ShootDesign(FirWizardWindow& w, const std::function<void(int page)>& shot) {
    w.GoTo(FirWizardWindow::kCalculate);
    wizard::DesignSettings& settings = w.run().state.settings;
    settings.firMode = 1;
    settings.windowStep = 0;  // 2.0 ms: the direct sound without the room's first reflection
    settings.minFrequency = 500;
    w.calculatePage().ShowSettings();
    w.calculatePage().ClickCalculate();
    w.findChild<QCheckBox*>("CheckMagnPhase")->setChecked(true);
    bool ok = w.run().design().designed();
    shot(FirWizardWindow::kCalculate);
    w.GoTo(FirWizardWindow::kCompare);
    w.comparePage().ClickStore();
    Choose(w, "DevListVerify", "OutChListVerify", "InpChListVerify");
    w.comparePage().ClickVerify();
    ok &= Finish(w) && w.run().design().after().has_value();
    shot(FirWizardWindow::kCompare);
    return ok;
}

void ShootEqTarget(const EqTargetRecord& start, Shooter& shooter) {
    EqTargetRecord target = start;
    target.gainDb[1] = 3.0;
    target.gainDb[8] = -4.0;
    target.leading = -5;
    EqTargetWindow eq(target);
    shooter.Save(eq, "FrmEqTarget", true);
}

}  // namespace

bool RenderWizardShots(Shooter& shooter) {
    QTemporaryDir data;
    if (!data.isValid()) return Fail("wizard shots: no temporary folder");
    ShotDialogs dialogs(Answer::Yes);  // "Are you sure?" of the store
    zefsim::Simulator sim;
    zefsim::Device& device = AddAmplifier(sim);
    EditorOptions options;
    options.announcePort = 0;
    options.loopbackLan = true;
    options.devicePort = sim.listenTcp(device, "127.0.0.1", 0);
    sim.start();
    EditorSession session(options, data.path().toStdString(), dialogs);
    if (!session.Start()) return Fail("wizard shots: no TCP client");
    if (!ConnectStageLeft(session, kSlot, "127.0.0.1")) return false;

    zefsim::RigConfig rigConfig;
    rigConfig.fast = true;
    rigConfig.latencyMs = 20;
    zefsim::Rig rig(device, rigConfig);
    std::string error;
    std::unique_ptr<audio::System> audio = audio::MakeAudioSystem({{rig.endpoint()}, false}, error);
    if (!audio) return Fail("wizard shots: " + error);

    FirWizardWindow w(MakeFirWizardContext(MeasureContextOf(session), kSlot, 0, audio.get()));
    w.resize(1000, 700);
    const char* names[] = {"1-Welcome", "2-Geometry",  "3-Wiring", "4-Measure",
                           "5-View",    "6-Calculate", "7-Compare"};
    const auto shot = [&](int page) { shooter.Save(w, QString("FrmWizardFIR-") + names[page], true); };
    bool ok = ShootMeasuring(w, shot);
    ok &= ShootDesign(w, shot);
    ShootEqTarget(w.run().state.target, shooter);
    dialogs.Report();
    return ok;
}

}  // namespace zef::shots
