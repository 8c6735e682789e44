#include "rig_harness.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "room.h"

namespace zef::test {

RigBench::RigBench(double latencyMs, int heard) : device_(zefsim::DeviceConfig{}) {
    zefsim::RigConfig config;
    config.latencyMs = latencyMs;
    config.micNoiseDbfs = std::nullopt;
    config.fast = true;
    config.room = zefsim::DirectWire(heard);
    rig_ = std::make_unique<zefsim::Rig>(device_, config);
}

audio::RigEndpoint RigBench::endpoint() const { return {"127.0.0.1", rig_->port()}; }

Recording RigBench::Record(std::size_t frames, const std::function<void(std::size_t, float*)>& play) {
    Recording r;
    r.mic.assign(frames, 0.0f);
    r.loopback.assign(frames, 0.0f);
    std::atomic<std::size_t> done{0};
    audio::RigSystem system(endpoint());
    std::string error;
    auto stream = system.Open(
        0,
        [&](const float* in, float* out, std::size_t n) {
            const std::size_t at = done.load(std::memory_order_relaxed);
            for (std::size_t i = 0; i < n; ++i) {
                if (at + i < frames) {
                    r.mic[at + i] = in[2 * i];
                    r.loopback[at + i] = in[2 * i + 1];
                }
                play(at + i, out + 2 * i);
            }
            done.store(at + n, std::memory_order_release);
        },
        error);
    if (!stream) {
        r.error = error;
        return r;
    }
    r.error = stream->Start();
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (r.error.empty() && done.load(std::memory_order_acquire) < frames && stream->IsActive() &&
           std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stream->Stop();
    if (r.error.empty()) r.error = stream->Error();
    if (r.error.empty() && done < frames) r.error = "the recording did not complete";
    return r;
}

double LevelDbfs(const std::vector<float>& samples, std::size_t from, std::size_t to) {
    double power = 0;
    for (std::size_t i = from; i < to; ++i) power += double(samples[i]) * samples[i];
    return 10 * std::log10(std::max(power / double(to - from), 1e-30) * 2);
}

}  // namespace zef::test
