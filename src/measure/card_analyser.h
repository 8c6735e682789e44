#pragma once
// The real-time analyser of one sound-card input (RealTimeAnalyser).
//
// Threads:
// - the card's callback copies the chosen input into a lock-free ring and
//   returns (no allocation, lock or wait; samples that do not fit are counted
//   in Overruns());
// - a worker drains the ring through the filter bank and makes a spectrum
//   every 1/20 s of audio (so a card running faster than real time gives
//   more spectra per second, never fewer samples per spectrum);
// - the owner's thread gets the spectra. This core knows no event loop, so
//   it hands them over in one of two ways:
//     * with a Poster: when a spectrum arrives and none is waiting, the
//       worker calls post(task); the owner runs `task` on its own thread
//       (Qt: QMetaObject::invokeMethod(receiver, task, Qt::QueuedConnection))
//       and the task calls the handler for every waiting spectrum;
//     * without one: the owner calls DeliverPending() itself, e.g. from a
//       timer, which calls the handler for every waiting spectrum.
//   At most 64 spectra wait; older ones are dropped first. Nothing is
//   delivered after Stop(), even by tasks posted before it, and a posted task
//   that runs after the analyser is gone does nothing.
//
// Start, Stop, IsRunning, SetSpectrumHandler, SetAveraging, DeliverPending:
// owner's thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_io.h"
#include "audio/spsc_ring.h"
#include "measure/analyser.h"

namespace zef::measure {

class CardAnalyser final : public RealTimeAnalyser {
public:
    using Poster = std::function<void(std::function<void()> task)>;
    static constexpr int kSpectraPerSecond = 20;

    explicit CardAnalyser(audio::System& system, Poster post = {});
    ~CardAnalyser() override;
    CardAnalyser(const CardAnalyser&) = delete;
    CardAnalyser& operator=(const CardAnalyser&) = delete;

    void SetSpectrumHandler(SpectrumHandler handler) override;
    std::string Start(int device, int input) override;
    void Stop() override;
    // True while the card delivers samples; false after Stop() or when the
    // card stopped by itself (Error() says why).
    bool IsRunning() override;
    void SetAveraging(BandAveraging mode) override;

    // Calls the handler for every spectrum waiting; returns how many.
    std::size_t DeliverPending();
    std::string Error();
    // Input samples lost because the worker fell behind.
    std::uint64_t Overruns() const { return overruns_.load(std::memory_order_relaxed); }

private:
    struct Mailbox;

    void Callback(const float* in, float* out, std::size_t frames);
    void Work();

    audio::System& system_;
    Poster post_;
    std::shared_ptr<Mailbox> mailbox_;
    std::unique_ptr<audio::Stream> stream_;
    std::string error_;

    // Callback side.
    std::unique_ptr<audio::SpscRing<float>> ring_;
    std::vector<float> scratch_;
    int input_ = 0;
    audio::StreamChannels channels_;
    std::atomic<std::uint64_t> overruns_{0};

    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::atomic<int> averaging_{static_cast<int>(BandAveraging::Fast)};
    std::atomic<unsigned> averagingChanges_{0};
};

}  // namespace zef::measure
