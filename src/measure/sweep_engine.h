#pragma once
// The sweep measurement engine over a sound card (zef::audio::System).
//
// Threads:
// - control thread (the window's, or zefctl's): every member function. It
//   opens, starts, stops and closes the stream; the polling calls
//   (MeasurementState, MicTestRunning, Progress) also close the stream once
//   the run has ended, so poll until the state is Done.
// - the card's callback: plays the sweep from a prepared buffer and copies the
//   chosen inputs into preallocated buffers; it publishes its sample count and
//   the input peak through atomics and never allocates, locks or waits.
// - one worker per measurement: transforms the inverse filter while the sweep
//   plays, waits for the recording (polling the sample count, so a card that
//   runs faster than real time is fine), then deconvolves and computes the
//   plots; state Computing while it works, Done when it has finished.
//
// A run that fails (the card stops, or delivers nothing for 5 s) ends in Done
// too; ComputeImpulseResponse then returns -1 and Error() says why.

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_io.h"
#include "measure/measurement_engine.h"
#include "measure/sweep_analysis.h"

namespace zef::measure {

class SweepMeasurementEngine final : public MeasurementEngine {
public:
    explicit SweepMeasurementEngine(audio::System& system);
    ~SweepMeasurementEngine() override;
    SweepMeasurementEngine(const SweepMeasurementEngine&) = delete;
    SweepMeasurementEngine& operator=(const SweepMeasurementEngine&) = delete;

    // The loopback reference input (0-based) for the next measurements, -1
    // for none (the default): the response is then aligned on its arrival.
    void SetReferenceInput(int input) { referenceInput_ = input; }

    std::string MicTest(const std::string& sweepPath, int& sampleRate, int device, int output,
                        int input) override;
    // A missing sweep or inverse file is made first (sweep.h). Room decay
    // 0..60000 ms.
    std::string SweepMeasurement(const std::string& sweepPath, const std::string& inverseSweepPath,
                                 int& sampleRate, int roomDecayMs, int device, int output,
                                 int input) override;

    void Stop() override;
    State MeasurementState() override;
    int MicTestRunning() override;
    int Progress() override;
    double PeakValue() override;

    // After a measurement has finished (state Done), the next call returns
    // its impulse response in `impulseResponse` (time zero at sample
    // kPreDelaySamples). Otherwise the call takes `impulseResponse` as given
    // (a response loaded from a file) and computes its plots. 0 when done;
    // -1 for a failed measurement, an empty response or a sample rate other
    // than 48000.
    int ComputeImpulseResponse(int sampleRate, std::vector<double>& impulseResponse) override;

    std::vector<double> ImpulseResponse() override { return views_.timeValues; }
    std::vector<double> TimePlotX() override { return views_.timeMs; }
    std::vector<double> TimePlotY() override { return views_.timeValues; }
    std::vector<double> FrequencyPlotX() override { return views_.frequencyHz; }
    std::vector<double> FrequencyPlotY() override { return views_.magnitudeDb; }

    std::vector<std::string> Warnings() override;
    std::string Error() override;

    // The whole result of the last finished measurement (quality figures,
    // delay), or nullptr.
    const SweepResult* LastResult();

private:
    enum class Mode { None, MicTest, Measurement };

    std::string Begin(Mode mode, int device, int output, int input, int reference);
    void Callback(const float* in, float* out, std::size_t frames);
    void Work();
    // Closes the stream once the run has ended or the card has failed.
    void Poll();
    void JoinWorker();

    audio::System& system_;
    int referenceInput_ = -1;

    // Set on the control thread before the stream starts; read by the callback.
    Mode mode_ = Mode::None;
    std::vector<float> play_;       // the output signal: pre-roll silence, then the sweep
    std::size_t runLength_ = 0;     // frames the run lasts
    std::size_t recordLength_ = 0;  // frames recorded (0 for a mic test)
    float* inputBuffer_ = nullptr;
    float* referenceBuffer_ = nullptr;
    audio::StreamChannels channels_;
    int output_ = 0;
    int input_ = 0;
    int reference_ = -1;

    // Written by the callback.
    std::atomic<std::size_t> frames_{0};
    std::atomic<float> peak_{0.0f};

    std::unique_ptr<audio::Stream> stream_;  // control thread only
    std::uint64_t xrunsAtStart_ = 0;
    std::uint64_t xruns_ = 0;
    std::string error_;  // control thread's failure text

    std::unique_ptr<SweepAnalysis> analysis_;
    SweepRecording recording_;
    std::thread worker_;
    std::atomic<bool> abort_{false};
    std::atomic<int> state_{static_cast<int>(State::Idle)};
    std::unique_ptr<SweepResult> result_;  // written by the worker before state_ becomes Done
    bool resultTaken_ = true;
    IrViews views_;
};

}  // namespace zef::measure
