#include "app/wizard_measurement.h"

#include <algorithm>
#include <cmath>

#include "app/wizard_texts.h"
#include "audio/device_manager.h"
#include "measure/sweep_analysis.h"

namespace zef::wizard {

namespace t = wizard_text;

int PeakDb(double linearPeak) {
    if (!(linearPeak > 0.0)) return kNoPeakDb;
    const double db = std::log(linearPeak) * 8.686;
    return std::max(kNoPeakDb, static_cast<int>(std::trunc(std::min(db, 99.0))));
}

int VuLitSegments(int peakDb) { return std::clamp((peakDb + 51) / 3 + 1, 0, kVuSegments) * (peakDb >= -51); }

const char* ActionTitle(Action action) {
    switch (action) {
        case Action::MicTest:
            return t::kTestTitle;
        case Action::Verify:
            return t::kVerifyTitle;
        default:
            return t::kMeasureIrTitle;
    }
}

Measurement::Measurement(MeasurementEngine& engine, Dialogs& dialogs, std::string sweepFolder)
    : engine_(engine),
      dialogs_(dialogs),
      sweepPath_(sweepFolder + "/SW.wav"),
      inversePath_(sweepFolder + "/ISW.wav") {}

bool Measurement::Refuse(const char* title, const char* text) {
    dialogs_.Message(title, text, Icon::Exclamation);
    return false;
}

bool Measurement::Started(Action action, const std::string& engineResult) {
    if (!engineResult.empty()) return Refuse(ActionTitle(action), t::kCommunicationProblemText);
    running_ = action;
    return true;
}

bool Measurement::StartMicTest(const CardSelection& card) {
    if (running_ != Action::None) return false;
    if (!card.complete()) return Refuse(t::kTestMicTitle, t::kSetAllAsioText);
    int rate = kMeasurementSampleRate;
    return Started(Action::MicTest, engine_.MicTest(sweepPath_, rate, card.device, card.output, card.input));
}

bool Measurement::StartMeasure(const CardSelection& card, int roomDecaySeconds, bool deviceOnline) {
    if (running_ != Action::None) return false;
    if (!card.complete()) return Refuse(t::kMeasureIrTitle, t::kSetAllAsioText);
    if (!deviceOnline) return Refuse(t::kMeasureIrTitle, t::kCommunicationProblemText);
    int rate = kMeasurementSampleRate;
    return Started(Action::Measure,
                   engine_.SweepMeasurement(sweepPath_, inversePath_, rate, roomDecaySeconds * 1000,
                                            card.device, card.output, card.input));
}

bool Measurement::StartVerify(const CardSelection& card, int roomDecaySeconds) {
    if (running_ != Action::None) return false;
    if (!card.complete()) return Refuse(t::kVerifyTitle, t::kSetAllAsioText);
    int rate = kMeasurementSampleRate;
    return Started(Action::Verify,
                   engine_.SweepMeasurement(sweepPath_, inversePath_, rate, roomDecaySeconds * 1000,
                                            card.device, card.output, card.input));
}

int Measurement::TimeoutMs() const {
    switch (running_) {
        case Action::MicTest:
            return kMicTestTimeoutMs;
        case Action::Measure:
            return kMeasureTimeoutMs;
        case Action::Verify:
            return kVerifyTimeoutMs;
        case Action::None:
            break;
    }
    return 0;
}

Measurement::Tick Measurement::Poll() {
    Tick tick;
    if (running_ == Action::None) return tick;
    const double peak = engine_.PeakValue();
    tick.peakDb = PeakDb(peak);
    if (peak > 0.0) tick.peakDbfs = 20.0 * std::log10(peak);
    tick.clipped = peak >= measure::kClipLevel;
    tick.progress = std::clamp(engine_.Progress(), 0, 100);
    if (running_ == Action::MicTest) {
        if (engine_.MicTestRunning() != 0) return tick;
        running_ = Action::None;
        tick.finished = true;
        tick.ok = engine_.Error().empty();
        if (!tick.ok) dialogs_.Message(t::kMeasureIrTitle, t::kCommunicationProblemText, Icon::Exclamation);
        return tick;
    }
    tick.state = engine_.MeasurementState();
    if (tick.state != MeasurementEngine::State::Done) return tick;
    const Action action = running_;
    running_ = Action::None;
    tick.finished = true;
    tick.progress = 100;
    tick.ok = FetchResult();
    if (!tick.ok) dialogs_.Message(ActionTitle(action), t::kCommunicationProblemText, Icon::Exclamation);
    return tick;
}

bool Measurement::FetchResult() {
    std::vector<double> ir;
    if (engine_.ComputeImpulseResponse(kMeasurementSampleRate, ir) != 0 || ir.empty()) return false;
    std::vector<std::string> warnings = engine_.Warnings();
    if (!calibration_.empty()) {
        measure::CorrectImpulseResponse(ir, calibration_, kMeasurementSampleRate);
        if (!Plot(ir)) return false;
    } else {
        ir_ = std::move(ir);
        TakePlots();
    }
    warnings_ = std::move(warnings);
    return true;
}

void Measurement::TimedOut() {
    if (running_ == Action::None) return;
    const Action action = running_;
    running_ = Action::None;
    engine_.Stop();  // the card is free for the next "Test" or "Measure IR"
    dialogs_.Message(ActionTitle(action), t::kTimeoutText, Icon::Exclamation);
}

bool Measurement::Plot(const std::vector<double>& ir) {
    std::vector<double> work = ir;
    if (engine_.ComputeImpulseResponse(kMeasurementSampleRate, work) != 0) return false;
    ir_ = ir;
    TakePlots();
    return true;
}

void Measurement::TakePlots() {
    timeX_ = engine_.TimePlotX();
    timeY_ = engine_.TimePlotY();
    freqX_ = engine_.FrequencyPlotX();
    freqY_ = engine_.FrequencyPlotY();
}

bool Measurement::ShowLoaded(const std::vector<double>& ir) {
    if (!Plot(ir)) return false;
    warnings_.clear();
    return true;
}

}  // namespace zef::wizard
