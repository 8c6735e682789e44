// cards, play, record: the sound cards and virtual rigs, and a quick check of one of them.
#include <QJsonArray>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "audio/audio_system.h"
#include "audio/stream_bridge.h"
#include "audio/wav_file.h"
#include "base/c_number.h"
#include "cli.h"
#include "output.h"

namespace zefctl {
namespace {

using Clock = std::chrono::steady_clock;
using zef::audio::DeviceInfo;

const OptionSpec kRigOption{"--rig", true, true};
const OptionSpec kCardOption{"--card", true, false};
constexpr std::size_t kBridgeFrames = 2 * zef::audio::kSampleRate;  // two seconds each way
constexpr auto kGrace = std::chrono::seconds(10);                   // beyond the audio's own length

std::unique_ptr<zef::audio::System> AudioSystem(const Context& ctx) {
    std::string error;
    auto system = zef::audio::MakeAudioSystem({NamedAll(ctx, "--rig"), true}, error);
    if (!system) Usage(error);
    return system;
}

std::string Join(const std::vector<std::string>& names) {
    std::string s;
    for (const auto& n : names) s += (s.empty() ? "" : ", ") + n;
    return s.empty() ? "-" : s;
}

QJsonArray JsonNames(const std::vector<std::string>& names) {
    QJsonArray a;
    for (const auto& n : names) a.append(Q(n));
    return a;
}

int Cards(Context& ctx) {
    auto system = AudioSystem(ctx);
    const auto list = system->Devices();
    if (ctx.options.json) {
        QJsonArray cards;
        for (std::size_t i = 0; i < list.size(); ++i) {
            QJsonObject c;
            c["number"] = int(i + 1);
            c["name"] = Q(list[i].name);
            c["hostApi"] = Q(list[i].hostApi);
            c["usable"] = list[i].usable;
            c["controlPanel"] = list[i].hasControlPanel;
            c["inputs"] = JsonNames(list[i].inputNames);
            c["outputs"] = JsonNames(list[i].outputNames);
            cards.append(c);
        }
        PrintJson(ctx.out, cards);
        return kExitOk;
    }
    if (list.empty()) ctx.out << "no sound cards or virtual rigs\n";
    for (std::size_t i = 0; i < list.size(); ++i) {
        const DeviceInfo& d = list[i];
        ctx.out << i + 1 << "  " << d.name << "  " << (d.usable ? "usable" : "not usable") << ", "
                << d.inputNames.size() << " in, " << d.outputNames.size() << " out\n"
                << "     in:  " << Join(d.inputNames) << "\n     out: " << Join(d.outputNames) << "\n";
    }
    return kExitOk;
}

// The card of --card N (as `cards` numbers them), else the first usable one with inputs
// (recording) or outputs (playing).
int ChooseCard(const Context& ctx, const std::vector<DeviceInfo>& list, bool forInput) {
    const int card = NamedInt(ctx, "--card", 0, 1, 1000);
    if (card > 0) {
        if (card > int(list.size()))
            Fail("there is no card " + std::to_string(card) + " (zefctl cards lists " +
                 std::to_string(list.size()) + ")");
        return card - 1;
    }
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].usable && !(forInput ? list[i].inputNames : list[i].outputNames).empty()) return int(i);
    Fail(std::string("no usable card with ") + (forInput ? "inputs" : "outputs") +
         " (give a virtual rig with --rig HOST:PORT)");
}

// "\r[########------------]  40%   4.0 / 10.0 s" on the error stream.
void Progress(const Context& ctx, double done, double total) {
    constexpr int kWidth = 24;
    const double part = total > 0 ? std::clamp(done / total, 0.0, 1.0) : 1.0;
    const int filled = int(std::lround(part * kWidth));
    char line[128];
    std::snprintf(line, sizeof line, "\r[%s%s] %3d%%  %s / %s s",
                  std::string(std::size_t(filled), '#').c_str(),
                  std::string(std::size_t(kWidth - filled), '-').c_str(), int(std::lround(part * 100)),
                  zef::CFixed(done, 1, 5).c_str(), zef::CFixed(total, 1).c_str());
    ctx.err << line << std::flush;
}

struct Running {
    std::unique_ptr<zef::audio::Stream> stream;
    std::unique_ptr<zef::audio::StreamBridge> bridge;
};

Running Start(const Context& ctx, zef::audio::System& system, int card, const DeviceInfo& info) {
    Running r;
    r.bridge = std::make_unique<zef::audio::StreamBridge>(int(info.inputNames.size()),
                                                          int(info.outputNames.size()), kBridgeFrames);
    std::string error;
    r.stream = system.Open(card, r.bridge->MakeCallback(), error);
    if (!r.stream) Fail(error);
    if (const std::string e = r.stream->Start(); !e.empty()) Fail(e);
    (void)ctx;
    return r;
}

void Report(Context& ctx, const char* verb, const std::string& file, std::size_t frames, int channels,
            const DeviceInfo& card, const Running& r) {
    const double seconds = double(frames) / zef::audio::kSampleRate;
    const std::uint64_t lost = r.bridge->Overruns() + r.bridge->Underruns();
    if (ctx.options.json) {
        QJsonObject j;
        j["file"] = Q(file);
        j["card"] = Q(card.name);
        j["frames"] = double(frames);
        j["seconds"] = seconds;
        j["channels"] = channels;
        j["xruns"] = double(r.stream->Xruns());
        j["lostFrames"] = double(lost);
        PrintJson(ctx.out, j);
        return;
    }
    ctx.out << verb << " " << zef::CFixed(seconds, 2) << " s (" << channels << " channels) "
            << (verb[0] == 'r' ? "to " : "from ") << file << " on " << card.name;
    if (r.stream->Xruns() || lost)
        ctx.out << "; " << r.stream->Xruns() << " xruns, " << lost << " frames lost";
    ctx.out << "\n";
}

int Record(Context& ctx) {
    const std::string file = Arg(ctx, 0, "FILE.wav");
    auto system = AudioSystem(ctx);
    const auto list = system->Devices();
    const int card = ChooseCard(ctx, list, true);
    const DeviceInfo& info = list[std::size_t(card)];
    const int channels = int(info.inputNames.size());
    if (channels == 0) Fail(info.name + " has no inputs");
    const std::size_t total = std::size_t(std::llround(ctx.options.seconds * zef::audio::kSampleRate));
    zef::audio::WavWriter writer;
    std::string error;
    if (!writer.Open(file, channels, zef::audio::kSampleRate, error)) Fail(error);

    Running r = Start(ctx, *system, card, info);
    std::vector<float> chunk(std::size_t(channels) * 4800);
    std::size_t written = 0;
    const auto giveUp =
        Clock::now() + std::chrono::milliseconds(std::llround(ctx.options.seconds * 1000)) + kGrace;
    auto nextBar = Clock::now();
    while (written < total) {
        const std::size_t want = std::min(total - written, chunk.size() / std::size_t(channels));
        const std::size_t got = r.bridge->TakeCaptured(std::span(chunk).first(want * std::size_t(channels)));
        if (got > 0 && !writer.Write(std::span(chunk).first(got * std::size_t(channels)), error)) Fail(error);
        written += got;
        if (Clock::now() >= nextBar || written == total) {
            Progress(ctx, double(written) / zef::audio::kSampleRate, ctx.options.seconds);
            nextBar = Clock::now() + std::chrono::milliseconds(100);
        }
        if (got > 0) continue;
        if (!r.stream->IsActive()) {
            ctx.err << "\n";
            Fail(r.stream->Error().empty() ? info.name + " stopped" : r.stream->Error());
        }
        if (Clock::now() > giveUp) {
            ctx.err << "\n";
            Fail(info.name + " delivers no audio");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    r.stream->Stop();
    ctx.err << "\n";
    if (!writer.Commit(error)) Fail(error);
    Report(ctx, "recorded", file, written, channels, info, r);
    return kExitOk;
}

int Play(Context& ctx) {
    const std::string file = Arg(ctx, 0, "FILE.wav");
    zef::audio::WavData wav;
    std::string error;
    if (std::string e = zef::audio::ReadWav(file, wav); !e.empty()) Fail(e);
    if (wav.sampleRate != zef::audio::kSampleRate)
        Fail(file + " is at " + std::to_string(wav.sampleRate) + " Hz; the cards run at 48000 Hz");
    auto system = AudioSystem(ctx);
    const auto list = system->Devices();
    const int card = ChooseCard(ctx, list, false);
    const DeviceInfo& info = list[std::size_t(card)];
    const std::size_t outputs = info.outputNames.size();
    if (outputs == 0) Fail(info.name + " has no outputs");

    // File channel c plays on output c; channels beyond the card's are left out.
    const std::size_t frames = wav.frames(), fileChannels = std::size_t(wav.channels);
    std::vector<float> mapped(frames * outputs, 0.0f);
    for (std::size_t f = 0; f < frames; ++f)
        for (std::size_t c = 0; c < std::min(outputs, fileChannels); ++c)
            mapped[f * outputs + c] = wav.samples[f * fileChannels + c];

    Running r = Start(ctx, *system, card, info);
    const double seconds = double(frames) / zef::audio::kSampleRate;
    const auto giveUp = Clock::now() + std::chrono::milliseconds(std::llround(seconds * 1000)) + kGrace;
    std::size_t queued = 0;
    auto nextBar = Clock::now();
    while (true) {
        queued += r.bridge->Queue(std::span(mapped).subspan(queued * outputs));
        const std::size_t played = queued - r.bridge->QueuedFrames();
        if (Clock::now() >= nextBar || played == frames) {
            Progress(ctx, double(played) / zef::audio::kSampleRate, seconds);
            nextBar = Clock::now() + std::chrono::milliseconds(100);
        }
        if (played == frames) break;
        if (!r.stream->IsActive() || Clock::now() > giveUp) {
            ctx.err << "\n";
            Fail(!r.stream->Error().empty() ? r.stream->Error() : info.name + " stopped playing");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    r.stream->Stop();
    ctx.err << "\n";
    Report(ctx, "played", file, frames, int(std::min(outputs, fileChannels)), info, r);
    return kExitOk;
}

}  // namespace

void AddAudioCommands(SubCommandTable& table) {
    table.push_back(
        {"cards",
         "cards [--rig HOST:PORT]...",
         "list the sound cards and virtual rigs: channels and whether they open at 48000 Hz (--json)",
         Cards,
         {kRigOption}});
    table.push_back(
        {"record",
         "record FILE.wav [--card N] [--seconds S] [--rig HOST:PORT]...",
         "record every input of a card (default: the first usable one) for S seconds (default 10)",
         Record,
         {kRigOption, kCardOption}});
    table.push_back({"play",
                     "play FILE.wav [--card N] [--rig HOST:PORT]...",
                     "play a 48000 Hz WAV file, channel n on output n (default card: the first usable one)",
                     Play,
                     {kRigOption, kCardOption}});
}

}  // namespace zefctl
