#include "app/output_analyser.h"

#include <algorithm>

#include "app/calibration_store.h"
#include "app/measure_rules.h"
#include "app/measuring_link.h"
#include "app/texts.h"
#include "measure/autoeq_measurement.h"
#include "measure/calibration.h"
#include "measure/card_analyser.h"

namespace zef {

OutputAnalyser::OutputAnalyser(const MeasureContext& context, DeviceSlot slot, ChannelCode output)
    : measuring_(context), slot_(slot), output_(output) {
    levels_.fill(kSilentBandDb);
}

OutputAnalyser::~OutputAnalyser() { Stop(); }

std::string OutputAnalyser::Start() {
    if (running_) return "";
    MeasureSettings& s = measuring_.measure.settings();
    if (s.card < 0 || s.input < 0) return kChooseCardText;
    measure::Calibration calibration;
    std::string error = KeptCalibration(measuring_.dataFolder, s.cardName, s.input, calibration);
    if (!error.empty()) return error;
    audio::System* system = measuring_.audio(error);
    if (!system) return error;
    card_ = std::make_unique<measure::CardAnalyser>(*system, PosterFor(context_));
    analyser_ = std::make_unique<measure::CalibratedAnalyser>(*card_, calibration);
    analyser_->SetSpectrumHandler([this](const BandSpectrum& levels) {
        levels_ = levels;
        spectrum.Emit(levels_);
    });
    levels_.fill(kSilentBandDb);
    const MeasuringSetup setup = AnalyserSetup(output_, s.noiseLevel);
    if (EnterMeasuring(measuring_, slot_, setup) != kOk) {
        LeaveMeasuring(measuring_, slot_, setup);
        Release();
        return kDeviceStateText;
    }
    if (std::string refused = analyser_->Start(s.card, s.input); !refused.empty()) {
        LeaveMeasuring(measuring_, slot_, setup);
        Release();
        return refused;
    }
    running_ = true;
    spectrum.Emit(levels_);
    return "";
}

void OutputAnalyser::Stop() {
    if (!running_) return;
    running_ = false;
    analyser_->Stop();
    Release();
    LeaveMeasuring(measuring_, slot_, AnalyserSetup(output_, measuring_.measure.settings().noiseLevel));
    levels_.fill(kSilentBandDb);
    spectrum.Emit(levels_);
}

void OutputAnalyser::SetNoiseLevel(int v) {
    MeasureSettings& s = measuring_.measure.settings();
    s.noiseLevel = std::clamp(v, 0, kNoiseLevelMax);
    const MeasuringSetup setup = AnalyserSetup(output_, s.noiseLevel);
    ChangeNoiseLevel(measuring_, slot_, s.noiseLevel, running_ ? &setup : nullptr);
}

void OutputAnalyser::Release() {
    analyser_.reset();
    card_.reset();
}

double OutputAnalyser::micLevelDb() const { return measure::MicLevelOf(levels_); }

}  // namespace zef
