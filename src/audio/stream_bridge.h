#pragma once
// Carries a stream's samples between its real-time callback and an ordinary thread through
// two lock-free rings: the callback copies every input frame into the capture ring and takes
// its output frames from the playback ring (silence when it is empty), and does nothing else.
// Frames are interleaved floats with the stream's channel counts; only whole frames move.
//
// The callback is the single producer of the capture ring and the single consumer of the
// playback ring; one other thread calls TakeCaptured and Queue.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

#include "audio/audio_io.h"
#include "audio/spsc_ring.h"

namespace zef::audio {

class StreamBridge {
public:
    // Each ring holds `capacityFrames` frames.
    StreamBridge(int inputs, int outputs, std::size_t capacityFrames);

    // The callback to give to System::Open. The bridge must outlive the stream.
    Callback MakeCallback();

    // Moves whole captured frames into `frames` (its size a multiple of the input count);
    // returns the number of frames moved.
    std::size_t TakeCaptured(std::span<float> frames);
    // Queues whole frames for playback; returns how many fitted.
    std::size_t Queue(std::span<const float> frames);
    // Frames queued and not played yet.
    std::size_t QueuedFrames() const;

    // Input frames the capture ring had no room for; output frames played as silence because
    // the playback ring ran dry (counted only after the first queued frame).
    std::uint64_t Overruns() const { return overruns_; }
    std::uint64_t Underruns() const { return underruns_; }

    int inputs() const { return inputs_; }
    int outputs() const { return outputs_; }

private:
    void OnAudio(const float* in, float* out, std::size_t frames);

    const int inputs_, outputs_;
    SpscRing<float> captured_, playback_;
    std::atomic<std::uint64_t> overruns_{0}, underruns_{0};
    std::atomic<bool> playing_{false};
};

}  // namespace zef::audio
