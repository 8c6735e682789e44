#include "fake_card.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdint>
#include <deque>
#include <numbers>
#include <random>
#include <thread>

#include "measure/real_fft.h"

namespace zef::test {
namespace {

// Uniformly partitioned overlap-save convolution, one block in, one block
// out, no added delay.
class BlockConvolver {
public:
    explicit BlockConvolver(const std::vector<double>& ir) : fft_(2 * kFakeBlock) {
        const std::size_t parts = std::max<std::size_t>(1, (ir.size() + kFakeBlock - 1) / kFakeBlock);
        for (std::size_t p = 0; p < parts; ++p) {
            const std::size_t from = p * kFakeBlock;
            const std::size_t n = std::min(kFakeBlock, ir.size() - std::min(from, ir.size()));
            fft_.Load(std::span<const double>(ir).subspan(std::min(from, ir.size()), n));
            fft_.Forward();
            filters_.emplace_back(fft_.spectrum().begin(), fft_.spectrum().end());
        }
        history_.assign(parts, std::vector<std::complex<double>>(fft_.bins()));
        input_.assign(2 * kFakeBlock, 0.0);
        sum_.resize(fft_.bins());
    }

    void Process(const std::vector<double>& block, double* out) {
        std::copy(input_.begin() + kFakeBlock, input_.end(), input_.begin());
        std::copy(block.begin(), block.end(), input_.begin() + kFakeBlock);
        fft_.Load(input_);
        fft_.Forward();
        newest_ = (newest_ + history_.size() - 1) % history_.size();
        std::copy(fft_.spectrum().begin(), fft_.spectrum().end(), history_[newest_].begin());
        std::fill(sum_.begin(), sum_.end(), 0.0);
        for (std::size_t p = 0; p < filters_.size(); ++p) {
            const auto& x = history_[(newest_ + p) % history_.size()];
            const auto& h = filters_[p];
            for (std::size_t k = 0; k < sum_.size(); ++k) sum_[k] += x[k] * h[k];
        }
        std::copy(sum_.begin(), sum_.end(), fft_.spectrum().begin());
        fft_.Inverse();
        const double scale = 1.0 / static_cast<double>(fft_.size());
        for (std::size_t i = 0; i < kFakeBlock; ++i) out[i] = fft_.time()[kFakeBlock + i] * scale;
    }

private:
    measure::RealFft fft_;
    std::vector<std::vector<std::complex<double>>> filters_;
    std::vector<std::vector<std::complex<double>>> history_;
    std::size_t newest_ = 0;
    std::vector<double> input_;
    std::vector<std::complex<double>> sum_;
};

class FakeStream final : public audio::Stream {
public:
    FakeStream(const FakeCardSetup& setup, audio::Callback callback,
               std::shared_ptr<std::vector<float>> played)
        : setup_(setup), callback_(std::move(callback)), room_(setup.room), played_(std::move(played)) {}
    ~FakeStream() override { Stop(); }

    std::string Start() override {
        active_ = true;
        thread_ = std::thread([this] { Run(); });
        return {};
    }
    void Stop() override {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        active_ = false;
    }
    bool IsActive() const override { return active_; }
    std::string Error() const override {
        std::lock_guard lock(mutex_);
        return error_;
    }
    std::uint64_t Xruns() const override { return 0; }
    int InputCount() const override { return setup_.inputs; }
    int OutputCount() const override { return setup_.outputs; }

private:
    void Run() {
        const std::size_t ins = static_cast<std::size_t>(setup_.inputs);
        const std::size_t outs = static_cast<std::size_t>(setup_.outputs);
        std::vector<float> in(kFakeBlock * ins);
        std::vector<float> out(kFakeBlock * outs);
        std::vector<double> block(kFakeBlock);
        std::vector<double> wet(kFakeBlock);
        std::deque<double> mic(setup_.latency, 0.0);
        std::deque<double> loop(setup_.latency, 0.0);
        std::mt19937 random(setup_.seed);
        std::normal_distribution<double> noise(0.0, 1.0);
        const auto start = std::chrono::steady_clock::now();
        std::size_t t = 0;
        while (!stop_) {
            if (setup_.failAfterFrames && t >= setup_.failAfterFrames) {
                std::lock_guard lock(mutex_);
                error_ = "the fake card was unplugged";
                active_ = false;
                return;
            }
            std::fill(in.begin(), in.end(), 0.0f);
            for (std::size_t i = 0; i < kFakeBlock; ++i) {
                double m = mic.front() + setup_.noiseRms * noise(random);
                if (setup_.toneAmplitude != 0.0)
                    m += setup_.toneAmplitude * std::sin(2.0 * std::numbers::pi * setup_.toneHz *
                                                         static_cast<double>(t + i) / 48000.0);
                mic.pop_front();
                in[i * ins + static_cast<std::size_t>(setup_.micInput)] =
                    static_cast<float>(std::clamp(m, -1.0, 1.0));
                if (setup_.loopbackInput >= 0)
                    in[i * ins + static_cast<std::size_t>(setup_.loopbackInput)] =
                        static_cast<float>(std::clamp(loop.front(), -1.0, 1.0));
                loop.pop_front();
            }
            callback_(in.data(), out.data(), kFakeBlock);
            for (std::size_t i = 0; i < kFakeBlock; ++i)
                block[i] = out[i * outs + static_cast<std::size_t>(setup_.roomOutput)];
            room_.Process(block, wet.data());
            mic.insert(mic.end(), wet.begin(), wet.end());
            loop.insert(loop.end(), block.begin(), block.end());
            played_->insert(played_->end(), block.begin(), block.end());
            t += kFakeBlock;
            if (setup_.speed > 0.0)
                std::this_thread::sleep_until(start +
                                              std::chrono::microseconds(static_cast<std::int64_t>(
                                                  static_cast<double>(t) * 1e6 / 48000.0 / setup_.speed)));
        }
    }

    FakeCardSetup setup_;
    audio::Callback callback_;
    BlockConvolver room_;
    std::shared_ptr<std::vector<float>> played_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> active_{false};
    mutable std::mutex mutex_;
    std::string error_;
};

}  // namespace

FakeAudioSystem::FakeAudioSystem(FakeCardSetup setup) : setup_(std::move(setup)) {}

std::vector<audio::DeviceInfo> FakeAudioSystem::Devices() {
    audio::DeviceInfo d;
    d.name = "Fake card";
    d.hostApi = "test";
    for (int i = 0; i < setup_.inputs; ++i) d.inputNames.push_back("In " + std::to_string(i + 1));
    for (int i = 0; i < setup_.outputs; ++i) d.outputNames.push_back("Out " + std::to_string(i + 1));
    d.usable = true;
    return {d};
}

std::unique_ptr<audio::Stream> FakeAudioSystem::Open(int device, audio::Callback callback,
                                                     std::string& error) {
    if (device != 0 || setup_.latency < kFakeBlock) {
        error = "no such fake card";
        return nullptr;
    }
    FakeCardSetup stream = setup_;
    stream.seed += static_cast<unsigned>(opened_++);  // each stream its own noise, as a real microphone's
    played_ = std::make_shared<std::vector<float>>();
    return std::make_unique<FakeStream>(stream, std::move(callback), played_);
}

}  // namespace zef::test
