#include "audio/stream_bridge.h"

#include "base/check.h"

#include <algorithm>

namespace zef::audio {
namespace {

std::size_t Channels(int n) { return static_cast<std::size_t>(std::max(n, 0)); }

}  // namespace

StreamBridge::StreamBridge(int inputs, int outputs, std::size_t capacityFrames)
    : inputs_(inputs),
      outputs_(outputs),
      captured_(capacityFrames * std::max<std::size_t>(Channels(inputs), 1)),
      playback_(capacityFrames * std::max<std::size_t>(Channels(outputs), 1)) {}

Callback StreamBridge::MakeCallback() {
    return [this](const float* in, float* out, std::size_t frames) { OnAudio(in, out, frames); };
}

void StreamBridge::OnAudio(const float* in, float* out, std::size_t frames) {
    const std::size_t ni = Channels(inputs_), no = Channels(outputs_);
    if (ni > 0) {
        const std::size_t room = (captured_.Capacity() - captured_.Size()) / ni;
        const std::size_t fit = std::min(frames, room);
        captured_.Push(std::span<const float>(in, fit * ni));
        if (fit < frames) overruns_.fetch_add(frames - fit, std::memory_order_relaxed);
    }
    if (no > 0) {
        const std::size_t ready = std::min(frames, playback_.Size() / no);
        playback_.Pop(std::span<float>(out, ready * no));
        std::fill(out + ready * no, out + frames * no, 0.0f);
        if (ready < frames && playing_.load(std::memory_order_relaxed))
            underruns_.fetch_add(frames - ready, std::memory_order_relaxed);
    }
}

std::size_t StreamBridge::TakeCaptured(std::span<float> frames) {
    const std::size_t ni = Channels(inputs_);
    if (ni == 0) return 0;
    if (!ZEF_CHECK(frames.size() % ni == 0)) return 0;
    const std::size_t n = std::min(frames.size() / ni, captured_.Size() / ni);
    return captured_.Pop(frames.first(n * ni)) / ni;
}

std::size_t StreamBridge::Queue(std::span<const float> frames) {
    const std::size_t no = Channels(outputs_);
    if (no == 0) return 0;
    if (!ZEF_CHECK(frames.size() % no == 0)) return 0;
    const std::size_t room = (playback_.Capacity() - playback_.Size()) / no;
    const std::size_t n = std::min(frames.size() / no, room);
    playback_.Push(frames.first(n * no));
    if (n > 0) playing_ = true;
    return n;
}

std::size_t StreamBridge::QueuedFrames() const {
    const std::size_t no = Channels(outputs_);
    return no == 0 ? 0 : playback_.Size() / no;
}

}  // namespace zef::audio
