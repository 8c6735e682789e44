#include "ui/fir_wizard_run.h"

#include <QDir>

#include "app/calibration_store.h"
#include "app/wizard_texts.h"
#include "audio/audio_system.h"
#include "measure/fir_design.h"
#include "measure/sweep_engine.h"

namespace zef {

namespace {

// An audio system without cards, for a machine where none can be had.
class NoAudio final : public audio::System {
public:
    std::vector<audio::DeviceInfo> Devices() override { return {}; }
    std::unique_ptr<audio::Stream> Open(int, audio::Callback, std::string& error) override {
        error = "no sound card";
        return nullptr;
    }
    void OpenControlPanel(int) override {}
};

}  // namespace

FirWizardRun::FirWizardRun(audio::System* audio, Dialogs& dialogs, dsp::ResponseCalculator& calculator,
                           const std::string& sweepFolder, wizard::WizardState start)
    : state(std::move(start)), dialogs_(dialogs) {
    QDir().mkpath(QString::fromStdString(sweepFolder));
    if (!audio) {
        ownAudio_ = std::make_unique<NoAudio>();
        audio = ownAudio_.get();
    }
    devices_ = audio::MakeDeviceManager(*audio);
    engine_ = std::make_unique<measure::SweepMeasurementEngine>(*audio);
    measurement_ = std::make_unique<wizard::Measurement>(*engine_, dialogs, sweepFolder);
    design_ = std::make_unique<wizard::Design>(
        [] { return std::make_unique<measure::SpectralFirDesigner>(); }, calculator, dialogs);
    state.settings = wizard::Normalised(state.settings);

    progressTimer_.setInterval(wizard::kProgressTickMs);
    timeoutTimer_.setSingleShot(true);
    blinkTimer_.setInterval(500);
    connect(&progressTimer_, &QTimer::timeout, this, &FirWizardRun::ProgressTick);
    connect(&timeoutTimer_, &QTimer::timeout, this, &FirWizardRun::TimeoutTick);
    connect(&blinkTimer_, &QTimer::timeout, this, &FirWizardRun::BlinkTick);
}

FirWizardRun::~FirWizardRun() { StopTimers(); }

bool FirWizardRun::idle() const { return measurement_->running() == wizard::Action::None; }

void FirWizardRun::Started() {
    emit runningChanged(true);
    progressTimer_.start();
    timeoutTimer_.start(measurement_->TimeoutMs());
}

void FirWizardRun::StopTimers() {
    progressTimer_.stop();
    timeoutTimer_.stop();
}

void FirWizardRun::ProgressTick() {
    const wizard::Action action = measurement_->running();
    if (action == wizard::Action::None) {
        StopTimers();
        return;
    }
    const wizard::Measurement::Tick tick = measurement_->Poll();
    emit ticked(action, tick);
    if (tick.finished) {
        StopTimers();
        emit runningChanged(false);
    }
}

void FirWizardRun::TimeoutTick() {
    const wizard::Action action = measurement_->running();
    StopTimers();
    measurement_->TimedOut();
    emit timedOut(action);
    emit runningChanged(false);
}

void FirWizardRun::SetPositions(std::vector<std::vector<double>> irs) {
    if (irs.empty()) return;
    state.ir = std::move(irs.front());
    irs.erase(irs.begin());
    state.morePositions = std::move(irs);
    if (state.ir != measurement_->ir()) measurement_->ShowLoaded(state.ir);
    emit irChanged();
}

void FirWizardRun::SetImpulseResponse(std::vector<double> ir) {
    std::vector<std::vector<double>> one;
    one.push_back(std::move(ir));
    SetPositions(std::move(one));
}

void FirWizardRun::Designed() { emit designChanged(); }

void FirWizardRun::SettingChanged() {
    if (!blinkTimer_.isActive()) blinkTimer_.start();
}

void FirWizardRun::StopBlink() {
    blinkTimer_.stop();
    blinkOn_ = true;
    BlinkTick();
}

void FirWizardRun::BlinkTick() {
    blinkOn_ = !blinkOn_;
    emit blinked(blinkOn_ ? "QPushButton { background: rgb(255, 200, 60); color: black; }" : QString());
}

bool FirWizardRun::Calibrate(const std::string& cardName, int input) {
    measure::Calibration calibration;
    if (std::string e = KeptCalibration(dataFolder, cardName, input, calibration); !e.empty()) {
        dialogs_.Message(wizard_text::kMeasureIrTitle, e, Icon::Exclamation);
        return false;
    }
    measurement_->SetCalibration(std::move(calibration));
    return true;
}

}  // namespace zef
