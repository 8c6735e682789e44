#pragma once
// An in-memory sound card for the measurement tests and benchmarks: one
// device whose stream thread calls the callback in blocks of 128 frames, as
// fast as it can (or paced at a multiple of real time), and feeds the output back:
//
//   output `roomOutput` -> room impulse response -> + noise + tone -> input `micInput`
//   output `roomOutput` -> (straight)                              -> input `loopbackInput`
//
// both `latency` frames later, clipped to +-1 like a converter. The output
// played is kept so that tests can see what the engine sent.

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/audio_io.h"

namespace zef::test {

inline constexpr std::size_t kFakeBlock = 128;

struct FakeCardSetup {
    std::vector<double> room = {1.0};
    std::size_t latency = 480;  // at least kFakeBlock
    double noiseRms = 0.0;      // white Gaussian noise at the microphone
    double toneHz = 0.0;        // a sine added at the microphone (analyser tests)
    double toneAmplitude = 0.0;
    int roomOutput = 0;
    int micInput = 0;
    int loopbackInput = 1;  // -1: none
    int inputs = 2;
    int outputs = 2;
    double speed = 0.0;               // multiple of real time the callback is paced at; 0: as fast as it can
    std::size_t failAfterFrames = 0;  // > 0: the stream dies with an error after this many frames
    unsigned seed = 1;  // of the first stream's noise; each further stream opened adds 1
};

class FakeAudioSystem final : public audio::System {
public:
    explicit FakeAudioSystem(FakeCardSetup setup);

    std::vector<audio::DeviceInfo> Devices() override;
    std::unique_ptr<audio::Stream> Open(int device, audio::Callback callback, std::string& error) override;
    void OpenControlPanel(int) override {}

    FakeCardSetup& setup() { return setup_; }
    // Output `roomOutput` of the last stream, sample by sample (read it after
    // the stream has stopped).
    const std::vector<float>& played() const { return *played_; }
    int opened() const { return opened_; }

private:
    FakeCardSetup setup_;
    std::shared_ptr<std::vector<float>> played_ = std::make_shared<std::vector<float>>();
    int opened_ = 0;
};

}  // namespace zef::test
