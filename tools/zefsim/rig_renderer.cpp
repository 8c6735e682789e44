#include "rig_renderer.h"

#include <algorithm>
#include <cmath>

namespace zefsim {
namespace {

double Clip(double v) { return std::clamp(v, -1.0, 1.0); }

}  // namespace

RoomConvolvers::RoomConvolvers(const RoomResponse& room) {
    for (std::size_t o = 0; o < 2; ++o)
        if (!room.output[o].empty()) output[o] = std::make_unique<Convolver>(room.output[o]);
}

RigRenderer::RigRenderer(std::unique_ptr<RoomConvolvers> room, std::optional<double> micNoiseDbfs,
                         std::size_t latencyFrames, double driftPpm)
    : room_(std::move(room)), latency_(latencyFrames) {
    if (driftPpm != 0) drift_.emplace(driftPpm);
    if (micNoiseDbfs) micNoiseRms_ = std::sqrt(0.5) * std::pow(10.0, *micNoiseDbfs / 20.0);
    restart();
}

void RigRenderer::setRoom(std::shared_ptr<RoomConvolvers> room) { room_ = std::move(room); }

void RigRenderer::restart() {
    amp_.reset();
    for (auto& c : room_->output)
        if (c) c->reset();
    read_ = write_ = 0;
    if (drift_) drift_->reset();
    pending_.assign(2 * (latency_ + 8192), 0.0f);
    std::vector<double> mic(latency_, 0.0), loop(latency_, 0.0);
    noise(mic.data(), latency_);
    push(mic.data(), loop.data(), latency_);
}

void RigRenderer::noise(double* mic, std::size_t frames) {
    if (!micNoiseRms_) return;
    for (std::size_t i = 0; i < frames; ++i) mic[i] += *micNoiseRms_ * gauss_(random_);
}

void RigRenderer::play(const float* cardOut, std::size_t frames) {
    for (auto* b : {&cardL_, &cardR_, &out1_, &out2_, &mic_, &room2_}) b->resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        cardL_[i] = Clip(cardOut[2 * i]);
        cardR_[i] = Clip(cardOut[2 * i + 1]);
    }
    amp_.process(cardL_.data(), cardR_.data(), out1_.data(), out2_.data(), frames);
    std::fill(mic_.begin(), mic_.end(), 0.0);
    const std::array<std::vector<double>*, 2> outs{&out1_, &out2_};
    for (std::size_t o = 0; o < 2; ++o) {
        if (!room_->output[o]) continue;
        room_->output[o]->process(*outs[o], room2_);
        for (std::size_t i = 0; i < frames; ++i) mic_[i] += room2_[i];
    }
    noise(mic_.data(), frames);
    push(mic_.data(), cardL_.data(), frames);
}

void RigRenderer::push(const double* mic, const double* loop, std::size_t frames) {
    if (!drift_) return store(mic, loop, frames);
    driftedMic_.clear();
    driftedLoop_.clear();
    drift_->process(mic, loop, frames, driftedMic_, driftedLoop_);
    store(driftedMic_.data(), driftedLoop_.data(), driftedMic_.size());
}

void RigRenderer::store(const double* mic, const double* loop, std::size_t frames) {
    const std::size_t capacity = pending_.size() / 2;
    if (available() + frames > capacity) {
        std::vector<float> grown(2 * (available() + frames + 8192));
        for (std::size_t i = 0; i < available(); ++i) {
            const std::size_t at = (read_ + i) % capacity;
            grown[2 * i] = pending_[2 * at];
            grown[2 * i + 1] = pending_[2 * at + 1];
        }
        write_ = available();
        read_ = 0;
        pending_.swap(grown);
    }
    const std::size_t size = pending_.size() / 2;
    for (std::size_t i = 0; i < frames; ++i) {
        const std::size_t at = (write_ + i) % size;
        pending_[2 * at] = static_cast<float>(Clip(mic[i]));
        pending_[2 * at + 1] = static_cast<float>(Clip(loop[i]));
    }
    write_ += frames;
}

void RigRenderer::capture(float* cardIn, std::size_t frames) {
    const std::size_t size = pending_.size() / 2;
    frames = std::min(frames, available());
    for (std::size_t i = 0; i < frames; ++i) {
        const std::size_t at = (read_ + i) % size;
        cardIn[2 * i] = pending_[2 * at];
        cardIn[2 * i + 1] = pending_[2 * at + 1];
    }
    read_ += frames;
}

}  // namespace zefsim
