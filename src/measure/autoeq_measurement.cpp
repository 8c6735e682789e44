#include "measure/autoeq_measurement.h"

#include <chrono>
#include <cmath>

#include "measure/band_levels.h"

namespace zef::measure {

double MicLevelOf(const BandSpectrum& levelsDb) {
    double power = 0;
    for (double db : levelsDb)
        if (std::isfinite(db)) power += std::pow(10.0, db / 10);
    return power > 0 ? 10 * std::log10(power) : -200.0;
}

AnalyserAutoEqEngine::AnalyserAutoEqEngine(RealTimeAnalyser& analyser, AutoEqEngineOptions options)
    : analyser_(analyser), options_(std::move(options)) {
    analyser_.SetSpectrumHandler([this](const BandSpectrum& levels) { OnSpectrum(levels); });
}

AnalyserAutoEqEngine::~AnalyserAutoEqEngine() {
    Stop();
    analyser_.SetSpectrumHandler({});
}

double AnalyserAutoEqEngine::Now() const {
    if (options_.clock) return options_.clock();
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void AnalyserAutoEqEngine::JoinWorker() {
    if (worker_.joinable()) worker_.join();
}

std::string AnalyserAutoEqEngine::RunAnalyser(int device, int input, State state) {
    Stop();
    const std::string refused = analyser_.Start(device, input);
    if (!refused.empty()) return refused;
    state_ = state;
    startTime_ = Now();
    return "";
}

std::string AnalyserAutoEqEngine::MicTest(int device, int input) {
    return RunAnalyser(device, input, State::Live);
}

std::string AnalyserAutoEqEngine::LiveAnalysis(int device, int input) {
    return RunAnalyser(device, input, State::Live);
}

void AnalyserAutoEqEngine::Stop() {
    if (state_ != State::Idle && state_ != State::Finished) analyser_.Stop();
    JoinWorker();
    if (state_ != State::Finished) state_ = State::Idle;
}

std::string AnalyserAutoEqEngine::Start(int device, int input, int& maxGainHalfDb, int minBand, int maxBand) {
    Stop();  // a fit still running finishes before its state is reset
    range_ = NormaliseAutoEqRange(maxGainHalfDb, options_.maxCutHalfDb > 0 ? options_.maxCutHalfDb : maxGainHalfDb,
                                  minBand, maxBand);
    maxGainHalfDb = range_.maxGainHalfDb;
    powerSum_.fill(0);
    blocks_ = 0;
    fitDone_ = false;
    return RunAnalyser(device, input, State::Settling);
}

void AnalyserAutoEqEngine::Fail(int progress) {
    analyser_.Stop();
    state_ = State::Idle;
    if (progressHandler_) progressHandler_(progress);
}

void AnalyserAutoEqEngine::OnSpectrum(const BandSpectrum& levelsDb) {
    if (state_ == State::Idle || state_ == State::Finished) return;
    spectrum_ = levelsDb;
    micLevelDb_ = MicLevelOf(levelsDb);
    const double now = Now();

    if (state_ == State::Settling && now - startTime_ >= options_.settleSeconds) {
        state_ = State::Averaging;
        averageStart_ = now;
    }
    if (state_ == State::Averaging) {
        if (micLevelDb_ > options_.tooHighDb) return Fail(kInputTooHigh);
        if (micLevelDb_ < options_.tooLowDb) return Fail(kInputTooLow);
        for (std::size_t b = 0; b < kAnalyserBandCount; ++b)
            if (std::isfinite(levelsDb[b])) powerSum_[b] += std::pow(10.0, levelsDb[b] / 10);
        ++blocks_;
    }
    if (spectrumHandler_) spectrumHandler_(kRunning);
    if (state_ == State::Idle) return;  // the handler stopped us

    if (state_ == State::Averaging && now - averageStart_ >= options_.averageSeconds) {
        for (std::size_t b = 0; b < kAnalyserBandCount; ++b)
            ownLevels_[b] = powerSum_[b] > 0 ? 10 * std::log10(powerSum_[b] / blocks_) : -200.0;
        averaged_ = ownLevels_;
        if (!earlier_.empty()) {
            std::vector<BandSpectrum> all = earlier_;
            all.push_back(ownLevels_);
            averaged_ = PowerAverage(all);
        }
        state_ = State::Fitting;
        fitDone_ = false;
        const BandSpectrum levels = Relative(averaged_, options_.targetShapeDb);
        const AutoEqRange range = range_;
        worker_ = std::thread([this, levels, range] {
            pending_ = FitAutoEq(levels, range);
            fitDone_.store(true, std::memory_order_release);
        });
        return;
    }
    if (state_ == State::Fitting && fitDone_.load(std::memory_order_acquire)) {
        JoinWorker();
        fit_ = pending_;
        results_ = ToAutoEqResult(fit_, averaged_);
        analyser_.Stop();
        state_ = State::Finished;
        if (progressHandler_) progressHandler_(kFinished);
    }
}

}  // namespace zef::measure
