#include "app/autoeq_wizard.h"

#include <cmath>
#include <cstdio>

#include "app/autoeq_apply.h"
#include "app/calibration_store.h"
#include "app/measure_rules.h"
#include "app/measure_target.h"
#include "app/measuring_link.h"
#include "app/texts.h"
#include "measure/band_levels.h"
#include "model/memory_map.h"

namespace zef {

AutoEqWizard::AutoEqWizard(const MeasureContext& context, DeviceSlot slot, ChannelCode output,
                           AutoEqTimings timings)
    : measuring_(context), slot_(slot), output_(output), timings_(std::move(timings)) {
    settle_.setSingleShot(true);
    timeout_.setSingleShot(true);
    QObject::connect(&settle_, &QTimer::timeout, &context_, [this] { BeginStart(); });
    QObject::connect(&timeout_, &QTimer::timeout, &context_, [this] {
        if (phase_ == Phase::Running) Fail(kAutoEqTitle, kTimeOutText);
    });
    ClearLevels();
    const MeasureSettings& s = measuring_.measure.settings();
    minBand_ = s.minBand;
    maxBand_ = s.maxBand;
}

AutoEqWizard::~AutoEqWizard() { Close(false); }

bool AutoEqWizard::MakeEngine(const char* title) {
    const MeasureSettings& s = measuring_.measure.settings();
    measure::Calibration calibration;
    BandSpectrum shape{};
    std::string error = KeptCalibration(measuring_.dataFolder, s.cardName, s.input, calibration);
    if (error.empty()) error = TargetShape(s.target, shape);
    audio::System* system = error.empty() ? measuring_.audio(error) : nullptr;
    if (!system) {
        measuring_.dialogs.Message(title, error, Icon::Exclamation);
        return false;
    }
    engine_.reset();
    calibrated_.reset();
    if (!analyser_) analyser_ = std::make_unique<measure::CardAnalyser>(*system, PosterFor(context_));
    calibrated_ = std::make_unique<measure::CalibratedAnalyser>(*analyser_, calibration);
    measure::AutoEqEngineOptions options = timings_.engine;
    options.targetShapeDb = shape;
    engine_ = std::make_unique<measure::AnalyserAutoEqEngine>(*calibrated_, options);
    pendingShape_ = shape;
    engine_->SetSpectrumHandler([this](int) { OnSpectrum(); });
    // Level refusals and the end of the fit are handled from the event loop:
    // restoring the device must not run inside the engine's call.
    engine_->SetProgressHandler([this](int progress) {
        if (progress == AutoEqEngine::kRunning) return;
        QMetaObject::invokeMethod(
            &context_, [this, progress] { OnProgress(progress); }, Qt::QueuedConnection);
    });
    return true;
}

void AutoEqWizard::SetNoiseLevel(int v) {
    MeasureSettings& s = measuring_.measure.settings();
    s.noiseLevel = std::clamp(v, 0, kNoiseLevelMax);
    if (measuringSetup_) measuringSetup_->noiseLevel = static_cast<std::uint8_t>(s.noiseLevel);
    ChangeNoiseLevel(measuring_, slot_, s.noiseLevel, measuringSetup_ ? &*measuringSetup_ : nullptr);
}

bool AutoEqWizard::EnterState(EqDuringMeasurement eq) {
    const MeasuringSetup setup = AutoEqSetup(output_, measuring_.measure.settings().noiseLevel, eq);
    measuringSetup_ = setup;
    if (EnterMeasuring(measuring_, slot_, setup) == kOk) return true;
    LeaveState();
    measuring_.dialogs.Message(kAutoEqTitle, kDeviceStateText, Icon::Exclamation);
    return false;
}

void AutoEqWizard::LeaveState() {
    if (!measuringSetup_) return;
    const MeasuringSetup setup = *measuringSetup_;
    measuringSetup_.reset();
    LeaveMeasuring(measuring_, slot_, setup);
}

void AutoEqWizard::ClearLevels() {
    levels_.fill(kSilentBandDb);
    micLevelDb_ = kSilentBandDb;
}

void AutoEqWizard::OnSpectrum() {
    if (!engine_) return;
    levels_ = engine_->Spectrum();
    micLevelDb_ = engine_->MicLevelDb();
    if (live_ == Live::Verify) {
        for (std::size_t b = 0; b < kAnalyserBandCount; ++b)
            verifiedPower_[b] += std::pow(10.0, levels_[b] / 10);
        ++verifiedCount_;
        for (std::size_t b = 0; b < kAnalyserBandCount; ++b)
            verified_[b] = 10 * std::log10(verifiedPower_[b] / verifiedCount_);
    }
    levelsChanged.Emit();
}

BandSpectrum AutoEqWizard::FromTarget(const BandSpectrum& levelsDb) const {
    BandSpectrum relative = levelsDb;
    for (std::size_t b = 0; b < kAnalyserBandCount; ++b) relative[b] -= targetShape_[b];
    return relative;
}

double AutoEqWizard::verifiedDeviationDb() const {
    return BandDeviationDb(FromTarget(verified_), minBand_, maxBand_, &result_.corrected);
}

void AutoEqWizard::StopLive() {
    if (live_ == Live::Off) return;
    live_ = Live::Off;
    if (engine_) engine_->Stop();
    LeaveState();
    changed.Emit();
}

void AutoEqWizard::ToggleMicTest() {
    if (live_ == Live::MicTest) return StopLive();
    if (phase_ == Phase::Running) return;
    StopLive();
    const MeasureSettings& s = measuring_.measure.settings();
    if (s.card < 0 || s.input < 0) {
        measuring_.dialogs.Message(kMicTestTitle, kChooseCardText, Icon::Exclamation);
        return;
    }
    if (!MakeEngine(kMicTestTitle) || !EnterState(EqDuringMeasurement::Bypassed)) return;
    if (std::string refused = engine_->MicTest(s.card, s.input); !refused.empty()) {
        LeaveState();
        measuring_.dialogs.Message(kMicTestTitle, refused, Icon::Exclamation);
        return;
    }
    ClearLevels();
    live_ = Live::MicTest;
    changed.Emit();
    levelsChanged.Emit();
}

bool AutoEqWizard::Start() {
    if (phase_ == Phase::Running) return false;
    StopLive();
    const MeasureSettings& s = measuring_.measure.settings();
    if (s.card < 0 || s.input < 0) {
        measuring_.dialogs.Message(kAutoEqTitle, kChooseCardText, Icon::Exclamation);
        return false;
    }
    // In the 10-band + FIR mode bands 11..30 do not play: a fit of 30 bands
    // applied there would correct with a third of its filters.
    if (measuring_.model.device(slot_).preset[pi::kEqMode] != 0) {
        measuring_.dialogs.Message(kAutoEqTitle, kAutoEqNeeds30BandsText, Icon::Information);
        return false;
    }
    if (!MakeEngine(kAutoEqTitle) || !EnterState(EqDuringMeasurement::Bypassed)) return false;
    minBand_ = std::min(s.minBand, s.maxBand);
    maxBand_ = std::max(s.minBand, s.maxBand);
    maxGainHalfDb_ = MaxGainHalfDb(s.gainChoice);
    positionCount_ = std::clamp(s.positions, 1, kMaxMicPositions);
    positions_.clear();
    spread_ = {};
    // The generator and the room need a moment before the engine listens.
    phase_ = Phase::Running;
    runStarted_ = std::chrono::steady_clock::now();
    ClearLevels();
    changed.Emit();
    levelsChanged.Emit();
    settle_.start(timings_.settleMs);
    return true;
}

double AutoEqWizard::runSeconds() const {
    return timings_.settleMs / 1000.0 + timings_.engine.settleSeconds + timings_.engine.averageSeconds;
}

double AutoEqWizard::runElapsedSeconds() const {
    if (phase_ != Phase::Running) return 0.0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - runStarted_).count();
}

void AutoEqWizard::BeginStart() {
    if (phase_ != Phase::Running) return;
    const MeasureSettings& s = measuring_.measure.settings();
    int maxGain = maxGainHalfDb_;
    if (std::string refused = engine_->Start(s.card, s.input, maxGain, minBand_, maxBand_);
        !refused.empty()) {
        phase_ = Phase::Settings;
        LeaveState();
        measuring_.dialogs.Message(kAutoEqTitle, refused, Icon::Exclamation);
        changed.Emit();
        backToSettings.Emit();
        return;
    }
    timeout_.start(timings_.timeoutMs);
}

void AutoEqWizard::OnProgress(int progress) {
    if (phase_ != Phase::Running) return;  // nothing is handled unless running
    switch (progress) {
        case AutoEqEngine::kInputTooHigh:
            return Fail(kAutoEqLevelTitle, kInputTooHighText);
        case AutoEqEngine::kInputTooLow:
            return Fail(kAutoEqLevelTitle, kInputTooLowText);
        case AutoEqEngine::kFinished:
            return Finish();
        default:
            return;
    }
}

void AutoEqWizard::Fail(const char* title, const char* text) {
    settle_.stop();
    timeout_.stop();
    if (engine_) engine_->Stop();
    phase_ = Phase::Settings;
    LeaveState();
    changed.Emit();
    if (title) measuring_.dialogs.Message(title, text, Icon::Exclamation);
    backToSettings.Emit();
}

void AutoEqWizard::NextPosition() {
    positions_.push_back(engine_->positionLevels());
    engine_->Stop();
    awaitingMove_ = true;
    changed.Emit();
    const int done = static_cast<int>(positions_.size());
    char text[256];
    std::snprintf(text, sizeof text, kMovePositionFormat, done, positionCount_, done + 1);
    const Answer answer = measuring_.dialogs.Ask(kAutoEqTitle, text, Buttons::OkCancel, Icon::Information);
    awaitingMove_ = false;
    if (phase_ != Phase::Running) return;  // closed while the question was open
    if (answer != Answer::Ok) {
        positions_.clear();
        return Fail(nullptr, nullptr);  // the user's choice: no message
    }
    engine_->SetEarlierPositions(positions_);
    runStarted_ = std::chrono::steady_clock::now();
    ClearLevels();
    changed.Emit();
    levelsChanged.Emit();
    settle_.start(timings_.settleMs);
}

void AutoEqWizard::Finish() {
    timeout_.stop();
    if (position() < positionCount_) return NextPosition();
    positions_.push_back(engine_->positionLevels());
    spread_ = positions_.size() > 1 ? measure::Spread(positions_) : BandSpectrum{};
    result_ = engine_->Results();
    targetShape_ = pendingShape_;
    engine_->Stop();
    LeaveState();
    levels_ = result_.levelsDb;
    overallEq_ = OverallEqCurve(measuring_.grid, result_, minBand_, maxBand_);
    measuredCurve_ = MeasuredCurve(measuring_.grid, result_.levelsDb, minBand_, maxBand_);
    targetCurve_ = MeasuredCurve(measuring_.grid, targetShape_, minBand_, maxBand_);
    measuredDeviation_ = BandDeviationDb(FromTarget(result_.levelsDb), minBand_, maxBand_, &result_.corrected);
    phase_ = Phase::Result;
    changed.Emit();
    levelsChanged.Emit();
}

void AutoEqWizard::ToggleVerify() {
    if (live_ == Live::Verify) return StopLive();
    if (phase_ != Phase::Applied) return;
    StopLive();
    const MeasureSettings& s = measuring_.measure.settings();
    if (!MakeEngine(kAutoEqTitle) || !EnterState(EqDuringMeasurement::Bypassed)) return;
    if (std::string refused = engine_->LiveAnalysis(s.card, s.input); !refused.empty()) {
        LeaveState();
        measuring_.dialogs.Message(kAutoEqTitle, refused, Icon::Exclamation);
        return;
    }
    verifiedPower_.fill(0);
    verifiedCount_ = 0;
    verified_.fill(kSilentBandDb);
    live_ = Live::Verify;
    changed.Emit();
}

bool AutoEqWizard::Apply() {
    if (phase_ != Phase::Result && phase_ != Phase::Applied) return false;
    const Status sent = measure::ApplyAutoEq(measuring_.writer, slot_, output_, result_, minBand_, maxBand_);
    // The model holds the bands either way: the editors show what it holds.
    {
        const LinkState::SuppressSends quiet(measuring_.link);
        measuring_.events.channelLevelRefreshed.Emit(slot_);
        measuring_.events.outputEditorRefreshed.Emit(slot_);
    }
    if (sent != kOk) {
        measuring_.dialogs.Message(kAutoEqTitle, kApplyFailedText, Icon::Exclamation);
        return false;
    }
    phase_ = Phase::Applied;
    changed.Emit();
    return true;
}

void AutoEqWizard::Close(bool ask) {
    settle_.stop();
    timeout_.stop();
    if (live_ != Live::Off) {
        live_ = Live::Off;
        if (engine_) engine_->Stop();
    }
    if (phase_ == Phase::Running) {
        if (engine_) engine_->Stop();
        phase_ = Phase::Settings;
    }
    LeaveState();
    if (ask && phase_ == Phase::Result &&
        measuring_.dialogs.Ask(kCloseAutoEqTitle, kApplyAutoEqQuestion, Buttons::YesNo) == Answer::Yes)
        Apply();
}

}  // namespace zef
