#include "measure/card_analyser.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <mutex>

#include "measure/third_octave_bank.h"

namespace zef::measure {
namespace {

constexpr std::size_t kMaxWaiting = 64;
// 21.8 s at 48000 Hz (4 MiB): a card that runs faster than real time (the
// virtual rig for tests) may deliver far ahead of the filter bank on a busy
// machine, and AutoEQ's average counts the audio, so none may be lost.
constexpr std::size_t kRingCapacity = 1 << 20;
constexpr std::size_t kScratchFrames = 1024;
constexpr std::size_t kWorkerBlock = 4096;
constexpr auto kWorkerIdle = std::chrono::milliseconds(5);

}  // namespace

// Spectra on their way from the worker to the owner's thread.
struct CardAnalyser::Mailbox {
    std::mutex mutex;
    std::deque<BandSpectrum> waiting;
    SpectrumHandler handler;
    bool open = false;
    bool posted = false;  // a delivery task is on its way

    // Worker: true when a delivery task must be posted.
    bool Put(const BandSpectrum& spectrum, bool canPost) {
        std::lock_guard lock(mutex);
        if (!open) return false;
        waiting.push_back(spectrum);
        if (waiting.size() > kMaxWaiting) waiting.pop_front();
        if (!canPost || posted) return false;
        posted = true;
        return true;
    }

    // Owner: hands every waiting spectrum to the handler, outside the lock.
    std::size_t Deliver() {
        std::deque<BandSpectrum> taken;
        SpectrumHandler h;
        {
            std::lock_guard lock(mutex);
            posted = false;
            if (!open) return 0;
            taken.swap(waiting);
            h = handler;
        }
        if (h)
            for (const BandSpectrum& s : taken) h(s);
        return taken.size();
    }

    void SetOpen(bool isOpen) {
        std::lock_guard lock(mutex);
        open = isOpen;
        waiting.clear();
    }
};

CardAnalyser::CardAnalyser(audio::System& system, Poster post)
    : system_(system),
      post_(std::move(post)),
      mailbox_(std::make_shared<Mailbox>()),
      scratch_(kScratchFrames) {}

CardAnalyser::~CardAnalyser() { Stop(); }

void CardAnalyser::SetSpectrumHandler(SpectrumHandler handler) {
    std::lock_guard lock(mailbox_->mutex);
    mailbox_->handler = std::move(handler);
}

void CardAnalyser::SetAveraging(BandAveraging mode) {
    averaging_.store(static_cast<int>(mode));
    averagingChanges_.fetch_add(1, std::memory_order_release);
}

std::string CardAnalyser::Start(int device, int input) {
    Stop();
    if (input < 0) return "Choose an input of the sound card.";
    error_.clear();
    input_ = input;
    ring_ = std::make_unique<audio::SpscRing<float>>(kRingCapacity);
    overruns_ = 0;
    const auto callback = [this](const float* in, float* out, std::size_t n) { Callback(in, out, n); };
    std::string e = audio::OpenStream(system_, device, callback, stream_, channels_);
    if (e.empty()) e = audio::ChannelError("input", input, channels_.inputs);
    if (!e.empty()) {
        stream_.reset();
        return e;
    }
    mailbox_->SetOpen(true);
    stop_ = false;
    worker_ = std::thread([this] { Work(); });
    e = stream_->Start();
    if (!e.empty()) Stop();
    return e;
}

void CardAnalyser::Stop() {
    if (stream_) {
        stream_->Stop();
        stream_.reset();
    }
    stop_ = true;
    if (worker_.joinable()) worker_.join();
    mailbox_->SetOpen(false);
}

bool CardAnalyser::IsRunning() {
    if (!stream_) return false;
    if (const std::string e = stream_->Error(); !e.empty()) {
        error_ = e;
        return false;
    }
    return stream_->IsActive();
}

std::string CardAnalyser::Error() {
    IsRunning();
    return error_;
}

std::size_t CardAnalyser::DeliverPending() { return mailbox_->Deliver(); }

void CardAnalyser::Callback(const float* in, float* out, std::size_t frames) {
    std::fill(out, out + frames * channels_.outputs, 0.0f);  // the analyser plays nothing
    const std::size_t stride = channels_.inputs;
    const auto channel = static_cast<std::size_t>(input_);
    std::uint64_t lost = 0;
    for (std::size_t done = 0; done < frames;) {
        const std::size_t n = std::min(frames - done, scratch_.size());
        for (std::size_t i = 0; i < n; ++i) scratch_[i] = in[(done + i) * stride + channel];
        lost += ring_->Push(std::span<const float>(scratch_.data(), n));
        done += n;
    }
    if (lost) overruns_.fetch_add(lost, std::memory_order_relaxed);
}

void CardAnalyser::Work() {
    ThirdOctaveAnalyser analyser(audio::kSampleRate);
    unsigned changesSeen = 0;
    const std::size_t hop = audio::kSampleRate / kSpectraPerSecond;
    std::size_t sinceSpectrum = 0;
    std::vector<float> block(kWorkerBlock);
    const std::weak_ptr<Mailbox> weak = mailbox_;
    while (!stop_.load()) {
        const unsigned changes = averagingChanges_.load(std::memory_order_acquire);
        if (changes != changesSeen) {
            changesSeen = changes;
            analyser.SetAveraging(static_cast<BandAveraging>(averaging_.load()));
        }
        const std::size_t got = ring_->Pop(block);
        if (got == 0) {
            std::this_thread::sleep_for(kWorkerIdle);
            continue;
        }
        for (std::size_t done = 0; done < got;) {
            const std::size_t n = std::min(got - done, hop - sinceSpectrum);
            analyser.Process(std::span<const float>(block.data() + done, n));
            done += n;
            sinceSpectrum += n;
            if (sinceSpectrum < hop) continue;
            sinceSpectrum = 0;
            if (mailbox_->Put(analyser.LevelsDb(), static_cast<bool>(post_))) {
                post_([weak] {
                    if (const auto box = weak.lock()) box->Deliver();
                });
            }
        }
    }
}

}  // namespace zef::measure
