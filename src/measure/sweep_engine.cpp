#include "measure/sweep_engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "measure/sweep.h"

namespace zef::measure {
namespace {

// The worker gives up when the card delivers nothing for this long.
constexpr auto kStallLimit = std::chrono::seconds(5);
constexpr auto kWorkerPoll = std::chrono::milliseconds(2);
constexpr int kMaxRoomDecayMs = 60000;

// The callback publishes through these without locks.
static_assert(std::atomic<float>::is_always_lock_free && std::atomic<std::size_t>::is_always_lock_free);

}  // namespace

SweepMeasurementEngine::SweepMeasurementEngine(audio::System& system) : system_(system) {}

SweepMeasurementEngine::~SweepMeasurementEngine() {
    if (stream_) stream_->Stop();
    stream_.reset();
    abort_ = true;
    JoinWorker();
}

void SweepMeasurementEngine::JoinWorker() {
    if (worker_.joinable()) worker_.join();
}

std::string SweepMeasurementEngine::Begin(Mode mode, int device, int output, int input, int reference) {
    if (output < 0 || input < 0) return "Choose an output and an input of the sound card.";
    if (reference == input) return "The reference input must not be the measurement input.";

    mode_ = mode;
    output_ = output;
    input_ = input;
    reference_ = reference;
    frames_.store(0);
    peak_.store(0.0f);
    error_.clear();
    xruns_ = 0;
    abort_ = false;

    // The channel numbers are checked against the stream, not against a
    // fresh device list: re-reading the list may disturb other open streams.
    const auto callback = [this](const float* in, float* out, std::size_t n) { Callback(in, out, n); };
    std::string e = audio::OpenStream(system_, device, callback, stream_, channels_);
    if (!stream_) return e;
    e = audio::ChannelError("output", output, channels_.outputs);
    if (e.empty()) e = audio::ChannelError("input", input, channels_.inputs);
    if (e.empty() && reference >= 0) e = audio::ChannelError("input", reference, channels_.inputs);
    if (e.empty()) {
        xrunsAtStart_ = stream_->Xruns();
        e = stream_->Start();
    }
    if (!e.empty()) {
        stream_.reset();
        mode_ = Mode::None;
    }
    return e;
}

std::string SweepMeasurementEngine::MicTest(const std::string& sweepPath, int& sampleRate, int device,
                                            int output, int input) {
    Poll();
    if (stream_ || MeasurementState() == State::Recording || MeasurementState() == State::Computing)
        return "A measurement is running.";
    sampleRate = kSweepSampleRate;
    std::vector<double> sweep;
    if (std::string e = LoadOrCreateSweep(sweepPath, sweep); !e.empty()) return e;
    play_.assign(sweep.begin(), sweep.end());
    runLength_ = play_.size() + kLatencyAllowanceSamples;
    recordLength_ = 0;
    inputBuffer_ = referenceBuffer_ = nullptr;
    return Begin(Mode::MicTest, device, output, input, -1);
}

std::string SweepMeasurementEngine::SweepMeasurement(const std::string& sweepPath,
                                                     const std::string& inverseSweepPath, int& sampleRate,
                                                     int roomDecayMs, int device, int output, int input) {
    Poll();
    if (stream_ || MeasurementState() == State::Recording || MeasurementState() == State::Computing)
        return "A measurement is running.";
    if (roomDecayMs < 0 || roomDecayMs > kMaxRoomDecayMs) return "The room decay must be 0 to 60 s.";
    sampleRate = kSweepSampleRate;
    std::vector<double> sweep;
    std::vector<double> inverse;
    if (std::string e = LoadOrCreateSweep(sweepPath, sweep); !e.empty()) return e;
    if (std::string e = LoadOrCreateInverseSweep(inverseSweepPath, sweep, inverse); !e.empty()) return e;

    JoinWorker();
    SweepTiming timing;
    timing.sweepLength = sweep.size();
    timing.decay = static_cast<std::size_t>(roomDecayMs) * kSweepSampleRate / 1000;
    play_.assign(kPreRollSamples, 0.0f);
    play_.insert(play_.end(), sweep.begin(), sweep.end());
    analysis_.reset();  // plans are destroyed and made on this thread only
    analysis_ = std::make_unique<SweepAnalysis>(std::move(sweep), std::move(inverse), timing);
    recordLength_ = runLength_ = timing.RecordingLength();
    const bool withReference = referenceInput_ >= 0;
    recording_.input.assign(recordLength_, 0.0f);
    recording_.reference.assign(withReference ? recordLength_ : 0, 0.0f);
    inputBuffer_ = recording_.input.data();
    referenceBuffer_ = withReference ? recording_.reference.data() : nullptr;
    result_.reset();
    resultTaken_ = false;

    if (std::string e = Begin(Mode::Measurement, device, output, input, referenceInput_); !e.empty()) {
        resultTaken_ = true;
        state_.store(static_cast<int>(State::Idle));
        return e;
    }
    state_.store(static_cast<int>(State::Recording));
    worker_ = std::thread([this] { Work(); });
    return {};
}

void SweepMeasurementEngine::Callback(const float* in, float* out, std::size_t frames) {
    const std::size_t start = frames_.load(std::memory_order_relaxed);
    const std::size_t outs = channels_.outputs;
    const std::size_t ins = channels_.inputs;
    std::fill(out, out + frames * outs, 0.0f);
    float peak = peak_.load(std::memory_order_relaxed);
    for (std::size_t i = 0; i < frames; ++i) {
        const std::size_t t = start + i;
        if (t >= runLength_) break;
        if (t < play_.size()) out[i * outs + static_cast<std::size_t>(output_)] = play_[t];
        const float x = in[i * ins + static_cast<std::size_t>(input_)];
        peak = std::max(peak, std::abs(x));
        if (t < recordLength_) {
            inputBuffer_[t] = x;
            if (referenceBuffer_) referenceBuffer_[t] = in[i * ins + static_cast<std::size_t>(reference_)];
        }
    }
    peak_.store(peak, std::memory_order_relaxed);
    frames_.store(start + frames, std::memory_order_release);
}

void SweepMeasurementEngine::Work() {
    analysis_->Prepare();
    auto lastProgress = std::chrono::steady_clock::now();
    std::size_t lastFrames = 0;
    bool stalled = false;
    while (!abort_) {
        const std::size_t got = frames_.load(std::memory_order_acquire);
        if (got >= recordLength_) break;
        const auto now = std::chrono::steady_clock::now();
        if (got != lastFrames) {
            lastFrames = got;
            lastProgress = now;
        } else if (now - lastProgress > kStallLimit) {
            stalled = true;
            break;
        }
        std::this_thread::sleep_for(kWorkerPoll);
    }
    auto result = std::make_unique<SweepResult>();
    if (abort_ || stalled) {
        result->error =
            stalled ? "The sound card delivered no samples for 5 s." : "The measurement was stopped.";
    } else {
        state_.store(static_cast<int>(State::Computing));
        *result = analysis_->Analyse(recording_);
    }
    result_ = std::move(result);
    state_.store(static_cast<int>(State::Done), std::memory_order_release);
}

void SweepMeasurementEngine::Poll() {
    if (!stream_) return;
    const bool finished = frames_.load(std::memory_order_acquire) >= runLength_;
    const bool gaveUp = state_.load() == static_cast<int>(State::Done) && mode_ == Mode::Measurement;
    const std::string failure = stream_->Error();
    if (!finished && !gaveUp && failure.empty() && stream_->IsActive()) return;
    xruns_ = stream_->Xruns() - xrunsAtStart_;
    stream_->Stop();
    stream_.reset();
    if (!finished && !gaveUp) {
        error_ = failure.empty() ? "The sound card stopped before the end of the measurement."
                                 : "The sound card stopped: " + failure;
        abort_ = true;
    }
    if (mode_ == Mode::MicTest) mode_ = Mode::None;
}

void SweepMeasurementEngine::Stop() {
    if (stream_) stream_->Stop();
    stream_.reset();
    abort_ = true;
    JoinWorker();
    mode_ = Mode::None;
    resultTaken_ = true;
    state_.store(static_cast<int>(State::Idle), std::memory_order_release);
}

MeasurementEngine::State SweepMeasurementEngine::MeasurementState() {
    Poll();
    return static_cast<State>(state_.load(std::memory_order_acquire));
}

int SweepMeasurementEngine::MicTestRunning() {
    Poll();
    return mode_ == Mode::MicTest && stream_ ? 1 : 0;
}

int SweepMeasurementEngine::Progress() {
    Poll();
    const State state = static_cast<State>(state_.load(std::memory_order_acquire));
    if (mode_ == Mode::Measurement && state == State::Done) return 100;
    if (mode_ == Mode::Measurement && state == State::Computing) return 99;
    if (runLength_ == 0) return 0;
    const std::size_t got = std::min(frames_.load(std::memory_order_relaxed), runLength_);
    const auto percent = static_cast<int>(got * 100 / runLength_);
    return mode_ == Mode::Measurement ? std::min(percent, 98) : percent;
}

double SweepMeasurementEngine::PeakValue() { return peak_.load(std::memory_order_relaxed); }

int SweepMeasurementEngine::ComputeImpulseResponse(int sampleRate, std::vector<double>& impulseResponse) {
    if (MeasurementState() == State::Done && !resultTaken_) {
        resultTaken_ = true;
        if (sampleRate != kSweepSampleRate || !result_ || !result_->error.empty() || !error_.empty())
            return -1;
        impulseResponse = result_->impulseResponse;
        views_ = result_->views;
        return 0;
    }
    if (sampleRate != kSweepSampleRate || impulseResponse.empty()) return -1;
    views_ = ComputeIrViews(impulseResponse, kPreDelaySamples, kSweepSampleRate);
    return 0;
}

std::vector<std::string> SweepMeasurementEngine::Warnings() {
    std::vector<std::string> w;
    if (const SweepResult* r = LastResult()) w = r->warnings;
    if (xruns_ > 0)
        w.push_back("The sound card lost samples " + std::to_string(xruns_) +
                    " times during the run (buffer under- or overruns): measure again, with a larger "
                    "buffer size in the card's control panel if it happens again.");
    return w;
}

std::string SweepMeasurementEngine::Error() {
    Poll();
    if (!error_.empty()) return error_;
    if (const SweepResult* r = LastResult()) return r->error;
    return {};
}

const SweepResult* SweepMeasurementEngine::LastResult() {
    if (MeasurementState() != State::Done) return nullptr;
    return result_.get();
}

}  // namespace zef::measure
