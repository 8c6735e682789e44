#include "audio/portaudio_system.h"

#include <portaudio.h>

#include <array>
#include <atomic>
#include <mutex>

#if defined(ZEF_HAVE_ALSA)
#include <alsa/asoundlib.h>
#endif
#if defined(ZEF_HAVE_JACK)
#include <jack/jack.h>
#endif
#if defined(_WIN32) && __has_include(<pa_asio.h>)
#include <pa_asio.h>
#define ZEF_HAVE_PA_ASIO 1
#endif
#if defined(__APPLE__) && __has_include(<pa_mac_core.h>)
#include <pa_mac_core.h>
#define ZEF_HAVE_PA_MAC 1
#endif

namespace zef::audio {
namespace {

constexpr unsigned long kFramesPerBuffer = 256;
constexpr PaStreamCallbackFlags kXrunFlags =
    paInputUnderflow | paInputOverflow | paOutputUnderflow | paOutputOverflow;

#if defined(ZEF_HAVE_ALSA)
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif
#if defined(ZEF_HAVE_JACK)
void QuietJack(const char*) {}
#endif

// The sound libraries under PortAudio print their probing failures (no card, no JACK server)
// to standard error; this program reports what matters itself.
void SilenceBackends() {
    static std::once_flag once;
    std::call_once(once, [] {
#if defined(ZEF_HAVE_ALSA)
        snd_lib_error_set_handler(QuietAlsa);
#endif
#if defined(ZEF_HAVE_JACK)
        jack_set_error_function(QuietJack);
        jack_set_info_function(QuietJack);
#endif
    });
}

std::string PaText(PaError e) { return Pa_GetErrorText(e); }

std::string ChannelName(int paIndex, const PaDeviceInfo& info, bool input, int channel) {
    [[maybe_unused]] const PaHostApiInfo* api = Pa_GetHostApiInfo(info.hostApi);
#if defined(ZEF_HAVE_PA_ASIO)
    if (api && api->type == paASIO) {
        const char* name = nullptr;
        const PaError e = input ? PaAsio_GetInputChannelName(paIndex, channel, &name)
                                : PaAsio_GetOutputChannelName(paIndex, channel, &name);
        if (e == paNoError && name && *name) return name;
    }
#endif
#if defined(ZEF_HAVE_PA_MAC)
    if (api && api->type == paCoreAudio) {
        const char* name = PaMacCore_GetChannelName(paIndex, channel, input);
        if (name && *name) return name;
    }
#endif
    (void)paIndex;
    return (input ? "In " : "Out ") + std::to_string(channel + 1);
}

PaStreamParameters Parameters(int paIndex, int channels, bool input) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(paIndex);
    PaStreamParameters p{};
    p.device = paIndex;
    p.channelCount = channels;
    p.sampleFormat = paFloat32;
    p.suggestedLatency = input ? info->defaultLowInputLatency : info->defaultLowOutputLatency;
    p.hostApiSpecificStreamInfo = nullptr;
    return p;
}

}  // namespace

struct PortAudioSystem::Shared {
    bool initialised = false;
    std::atomic<int> openStreams{0};
};

namespace {

class PaStreamImpl : public Stream {
public:
    PaStreamImpl(std::shared_ptr<PortAudioSystem::Shared> shared, Callback callback, int inputs, int outputs)
        : shared_(std::move(shared)), callback_(std::move(callback)), inputs_(inputs), outputs_(outputs) {
        silence_.assign(kFramesPerBuffer * static_cast<std::size_t>(std::max(inputs, 1)), 0.0f);
        scratch_.assign(kFramesPerBuffer * static_cast<std::size_t>(std::max(outputs, 1)), 0.0f);
        ++shared_->openStreams;
    }
    ~PaStreamImpl() override {
        if (stream_) {
            Pa_AbortStream(stream_);
            Pa_CloseStream(stream_);
        }
        --shared_->openStreams;
    }

    PaError Open(int paIndex) {
        const PaStreamParameters in = Parameters(paIndex, inputs_, true);
        const PaStreamParameters out = Parameters(paIndex, outputs_, false);
        const PaError e =
            Pa_OpenStream(&stream_, inputs_ > 0 ? &in : nullptr, outputs_ > 0 ? &out : nullptr, kSampleRate,
                          kFramesPerBuffer, paNoFlag, &PaStreamImpl::OnAudio, this);
        if (e != paNoError) {
            stream_ = nullptr;
            return e;
        }
        Pa_SetStreamFinishedCallback(stream_, &PaStreamImpl::OnFinished);
        return paNoError;
    }

    std::string Start() override {
        if (IsActive()) return "";
        if (Pa_IsStreamStopped(stream_) == 0) Pa_AbortStream(stream_);  // finished by itself
        stopping_ = false;
        finishedByItself_ = false;
        const PaError e = Pa_StartStream(stream_);
        return e == paNoError ? "" : "the sound card did not start: " + PaText(e);
    }
    void Stop() override {
        stopping_ = true;
        if (Pa_IsStreamStopped(stream_) == 0) Pa_StopStream(stream_);
    }
    bool IsActive() const override { return Pa_IsStreamActive(stream_) == 1; }
    std::string Error() const override {
        return finishedByItself_ ? "the sound card stopped the stream (was it unplugged?)" : "";
    }
    std::uint64_t Xruns() const override { return xruns_; }
    int InputCount() const override { return inputs_; }
    int OutputCount() const override { return outputs_; }

private:
    static int OnAudio(const void* input, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                       PaStreamCallbackFlags flags, void* user) {
        auto* self = static_cast<PaStreamImpl*>(user);
        if (flags & kXrunFlags) self->xruns_.fetch_add(1, std::memory_order_relaxed);
        if (frames > kFramesPerBuffer) return paAbort;  // never with a fixed buffer size
        const float* in = input ? static_cast<const float*>(input) : self->silence_.data();
        float* out = output ? static_cast<float*>(output) : self->scratch_.data();
        self->callback_(in, out, frames);
        return paContinue;
    }
    static void OnFinished(void* user) {
        auto* self = static_cast<PaStreamImpl*>(user);
        if (!self->stopping_) self->finishedByItself_ = true;
    }

    std::shared_ptr<PortAudioSystem::Shared> shared_;
    Callback callback_;
    const int inputs_, outputs_;
    PaStream* stream_ = nullptr;
    std::vector<float> silence_, scratch_;
    std::atomic<std::uint64_t> xruns_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> finishedByItself_{false};
};

}  // namespace

PortAudioSystem::PortAudioSystem() : shared_(std::make_shared<Shared>()) {
    SilenceBackends();
    const PaError e = Pa_Initialize();
    shared_->initialised = e == paNoError;
    if (e != paNoError) initError_ = "the sound-card library did not start: " + PaText(e);
}

PortAudioSystem::~PortAudioSystem() {
    if (shared_->initialised) Pa_Terminate();
}

std::vector<DeviceInfo> PortAudioSystem::Devices() {
    if (!shared_->initialised) return {};
    if (shared_->openStreams == 0) {  // PortAudio reads the hardware when it starts
        Pa_Terminate();
        shared_->initialised = Pa_Initialize() == paNoError;
        if (!shared_->initialised) return {};
    }
    entries_.clear();
    std::vector<DeviceInfo> list;
    const int count = Pa_GetDeviceCount();
    for (int i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info) continue;
        const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
        DeviceInfo d;
        d.hostApi = api ? api->name : "?";
        d.name = d.hostApi + ": " + info->name;
        for (int c = 0; c < info->maxInputChannels; ++c)
            d.inputNames.push_back(ChannelName(i, *info, true, c));
        for (int c = 0; c < info->maxOutputChannels; ++c)
            d.outputNames.push_back(ChannelName(i, *info, false, c));
#if defined(ZEF_HAVE_PA_ASIO)
        d.hasControlPanel = api && api->type == paASIO;
#endif
        PaStreamImpl probe(
            shared_, [](const float*, float*, std::size_t) {}, info->maxInputChannels,
            info->maxOutputChannels);
        d.usable = (info->maxInputChannels > 0 || info->maxOutputChannels > 0) && probe.Open(i) == paNoError;
        entries_.push_back({i, d.name, info->maxInputChannels, info->maxOutputChannels});
        list.push_back(std::move(d));
    }
    return list;
}

std::unique_ptr<Stream> PortAudioSystem::Open(int device, Callback callback, std::string& error) {
    if (!shared_->initialised) {
        error = initError_;
        return nullptr;
    }
    if (device < 0 || device >= static_cast<int>(entries_.size())) {
        error = "there is no sound card number " + std::to_string(device + 1) + " (" +
                (entries_.empty() ? std::string("no sound cards are listed")
                                  : std::to_string(entries_.size()) + " are listed") +
                ")";
        return nullptr;
    }
    const Entry& e = entries_[static_cast<std::size_t>(device)];
    const PaDeviceInfo* info = Pa_GetDeviceInfo(e.paIndex);
    const PaHostApiInfo* api = info ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
    if (!info || !api || std::string(api->name) + ": " + info->name != e.name) {
        error = "the sound card \"" + e.name + "\" is not there any more";
        return nullptr;
    }
    auto stream = std::make_unique<PaStreamImpl>(shared_, std::move(callback), e.inputs, e.outputs);
    if (const PaError pe = stream->Open(e.paIndex); pe != paNoError) {
        error = "the sound card \"" + e.name + "\" cannot be opened at 48000 Hz: " + PaText(pe);
        return nullptr;
    }
    return stream;
}

void PortAudioSystem::OpenControlPanel([[maybe_unused]] int device) {
#if defined(ZEF_HAVE_PA_ASIO)
    if (device >= 0 && device < static_cast<int>(entries_.size()))
        PaAsio_ShowControlPanel(entries_[static_cast<std::size_t>(device)].paIndex, nullptr);
#endif
}

}  // namespace zef::audio
