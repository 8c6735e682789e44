// measure ir, rta: the sweep measurement and the third-octave analyser from
// the command line, through a sound card or the virtual rig; rta --wav
// analyses a recording instead.
#include <QJsonArray>
#include <QJsonObject>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "audio/audio_system.h"
#include "audio/wav_file.h"
#include "audio_backend.h"
#include "base/c_number.h"
#include "cli.h"
#include "files/irw_file.h"
#include "measure/card_analyser.h"
#include "measure/measurement_exports.h"
#include "measure/sweep.h"
#include "measure/sweep_engine.h"
#include "measure/third_octave_bank.h"
#include "measure_options.h"
#include "output.h"

namespace zefctl {
namespace {

namespace zm = zef::measure;

// The machine's sound cards, or with --rig the one virtual rig alone (its
// card is then number 0).
std::unique_ptr<zef::audio::System> RealBackend(const std::optional<std::string>& rig, std::string& error) {
    zef::audio::AudioSystemOptions options;
    if (rig) {
        options.rigs = {*rig};
        options.soundCards = false;
    }
    return zef::audio::MakeAudioSystem(options, error);
}

AudioSystemFactory& Factory() {
    static AudioSystemFactory factory = RealBackend;
    return factory;
}

// --rig HOST:PORT, checked to be a loopback address.
std::optional<std::string> RigOption(const Context& ctx) {
    std::optional<std::string> rig = Named(ctx, "--rig");
    if (!rig) return rig;
    const std::size_t colon = rig->rfind(':');
    const std::string host = rig->substr(0, colon);
    if (colon == std::string::npos || colon + 1 == rig->size() ||
        (host.rfind("127.", 0) != 0 && host != "localhost"))
        Usage("--rig wants HOST:PORT on a loopback address, e.g. 127.0.0.1:30400");
    return rig;
}

}  // namespace

std::unique_ptr<zef::audio::System> CommandAudioSystem(const Context& ctx) {
    std::string error;
    std::unique_ptr<zef::audio::System> system = OpenAudioSystem(RigOption(ctx), error);
    if (!system) Fail(error.empty() ? "no sound card" : error);
    return system;
}

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);
// The longest a run may take beyond its own length before zefctl gives up.
constexpr double kSpareSeconds = 30.0;

std::string SweepFolder(const Context& ctx) {
    if (std::optional<std::string> dir = Named(ctx, "--sweeps")) return *dir;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return (base.isEmpty() ? std::string(".") : base.toStdString()) + "/zef-editor/TS";
}

// Ratios in dB as JSON and text take them: infinities become +-999.
double Finite(double db) { return std::isfinite(db) ? db : (db > 0 ? 999.0 : -999.0); }

double Dbfs(double linear) { return linear > 0.0 ? 20.0 * std::log10(linear) : -999.0; }

void DrawProgress(std::ostream& err, int percent) {
    const int filled = percent / 5;
    err << "\rmeasuring [" << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(20 - filled), '.') << "] " << percent << " %" << std::flush;
}

// --wav FILE (the response as 32-bit float) and --response FILE ("frequency dB phase").
void WriteIrExports(const Context& ctx, const std::vector<double>& ir) {
    if (const std::optional<std::string> wav = Named(ctx, "--wav"))
        if (std::string e = zef::audio::WriteWavAtomic(*wav, ir, zm::kSweepSampleRate); !e.empty()) Fail(e);
    if (const std::optional<std::string> text = Named(ctx, "--response")) {
        const zef::FrequencyCurve curve = zm::ResponseCurve(ir, zm::kPreDelaySamples, zm::kSweepSampleRate);
        if (std::string e = zef::WriteFrequencyCurve(*text, curve, "measured response: frequency (Hz), dB, phase "
                                                                  "(degrees) from time zero");
            !e.empty())
            Fail(e);
    }
}

struct SweepChannels {
    int card = 0;
    int output = 0;
    int input = 0;
};

// One sweep through `engine`, waited for with a progress bar: its impulse response.
std::vector<double> RunSweep(Context& ctx, zm::SweepMeasurementEngine& engine, const std::string& folder,
                             const SweepChannels& channels, double decay) {
    int rate = 0;
    const int decayMs = static_cast<int>(std::lround(decay * 1000.0));
    if (std::string e = engine.SweepMeasurement(folder + "/SW.wav", folder + "/ISW.wav", rate, decayMs,
                                                channels.card, channels.output, channels.input);
        !e.empty())
        Fail(e);

    // The run's own length (the sweep file may be any length) plus spare time.
    std::vector<double> sweep;
    zm::LoadOrCreateSweep(folder + "/SW.wav", sweep);
    const double runSeconds =
        static_cast<double>(zm::SweepTiming{sweep.size(), 0}.RecordingLength()) / zm::kSweepSampleRate +
        decay;
    const auto limit =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                               std::chrono::duration<double>(runSeconds + kSpareSeconds));
    int shown = -1;
    while (engine.MeasurementState() != zef::MeasurementEngine::State::Done) {
        if (std::chrono::steady_clock::now() > limit)
            Fail("the measurement did not finish: check the card settings");
        if (const int p = engine.Progress(); p != shown && !ctx.options.json)
            DrawProgress(ctx.err, shown = p);
        std::this_thread::sleep_for(kPollInterval);
    }
    if (!ctx.options.json) {
        DrawProgress(ctx.err, 100);
        ctx.err << "\n";
    }
    std::vector<double> ir;
    if (engine.ComputeImpulseResponse(zm::kSweepSampleRate, ir) != 0)
        Fail("the measurement failed: " + engine.Error());
    for (const std::string& w : engine.Warnings()) ctx.err << "zefctl: warning: " << w << "\n";
    return ir;
}

int MeasureIr(Context& ctx) {
    if (Arg(ctx, 0, "what to measure (ir)") != "ir") Usage("measure takes 'ir'");
    const std::optional<std::string> out = Named(ctx, "--out");
    if (!out) Usage("measure ir needs --out FILE.irw");
    // Cards and channels are numbered from 1, as `zefctl cards` lists them.
    SweepChannels channels;
    channels.card = NamedInt(ctx, "--card", 1, 1, 1024) - 1;
    channels.output = NamedInt(ctx, "--output", 1, 1, 1024) - 1;
    channels.input = NamedInt(ctx, "--input", 1, 1, 1024) - 1;
    const int reference = NamedInt(ctx, "--reference", 0, 1, 1024) - 1;
    const double decay = NamedDouble(ctx, "--decay", 2.0, 0.1, 10.0);
    const int repeat = NamedInt(ctx, "--repeat", 1, 1, 16);
    const std::string folder = SweepFolder(ctx);
    const zm::Calibration calibration = CalibrationOptions(ctx);

    std::unique_ptr<zef::audio::System> system = CommandAudioSystem(ctx);
    zm::SweepMeasurementEngine engine(*system);
    engine.SetReferenceInput(reference);
    // Several sweeps: their responses, each aligned on its own time zero,
    // are averaged; uncorrelated noise falls by 10 log10 N dB.
    std::vector<std::vector<double>> sweeps;
    for (int k = 0; k < repeat; ++k) sweeps.push_back(RunSweep(ctx, engine, folder, channels, decay));
    std::vector<double> ir = zm::AverageResponses(sweeps);
    zm::CorrectImpulseResponse(ir, calibration, zm::kSweepSampleRate);
    const std::vector<std::string> warnings = engine.Warnings();
    if (std::string e = zef::WriteIrwFile(*out, ir); !e.empty()) Fail(e);
    WriteIrExports(ctx, ir);

    const zm::SweepResult& r = *engine.LastResult();
    const zm::MeasurementQuality& q = r.quality;
    const double peakToTail = zm::PeakToTailDb(ir);  // of the average
    if (ctx.options.json) {
        QJsonObject j;
        j["file"] = Q(*out);
        j["samples"] = static_cast<qint64>(ir.size());
        j["time_zero_sample"] = static_cast<qint64>(zm::kPreDelaySamples);
        j["delay_ms"] = r.delaySeconds * 1000.0;
        j["aligned_by"] = r.alignedByReference ? "reference" : "arrival";
        j["input_peak_dbfs"] = Dbfs(q.inputPeak);
        j["signal_to_noise_db"] = Finite(q.signalToNoiseDb);
        j["peak_to_tail_db"] = Finite(peakToTail);
        j["sweeps"] = repeat;
        j["drift_ppm"] = q.driftPpm ? QJsonValue(*q.driftPpm) : QJsonValue();
        QJsonArray w;
        for (const std::string& text : warnings) w.append(Q(text));
        j["warnings"] = w;
        PrintJson(ctx.out, j);
        return kExitOk;
    }
    using zef::CFixed;
    ctx.out << "wrote " << *out << ": " << ir.size() << " samples ("
            << CFixed(static_cast<double>(ir.size()) / zm::kSweepSampleRate, 3) << " s), time zero at sample "
            << zm::kPreDelaySamples << " (" << CFixed(1000.0 * zm::kPreDelaySamples / zm::kSweepSampleRate, 1)
            << " ms)\ndelay " << CFixed(r.delaySeconds * 1000.0, 2) << " ms (aligned on the "
            << (r.alignedByReference ? "loopback reference" : "first arrival") << ")\ninput peak "
            << CFixed(Dbfs(q.inputPeak), 1) << " dBFS, signal to noise "
            << CFixed(Finite(q.signalToNoiseDb), 1) << " dB, peak to tail "
            << CFixed(Finite(peakToTail), 1) << " dB" << (repeat > 1 ? " (average of " + std::to_string(repeat) + " sweeps)" : "")
            << "\n";
    if (q.driftPpm) ctx.out << "clock drift between the card's output and input " << CFixed(*q.driftPpm, 1) << " ppm\n";
    return kExitOk;
}

void PrintBands(Context& ctx, const zef::BandSpectrum& levels, const char* source, double seconds) {
    if (ctx.options.json) {
        QJsonObject j;
        QJsonArray hz;
        QJsonArray db;
        for (std::size_t b = 0; b < zm::kThirdOctaveBands; ++b) {
            hz.append(zm::kBandLabelsHz[b]);
            db.append(std::round(levels[b] * 100.0) / 100.0);
        }
        j["source"] = source;
        j["seconds"] = seconds;
        j["bands_hz"] = hz;
        j["levels_db"] = db;
        PrintJson(ctx.out, j);
        return;
    }
    ctx.out << "band_hz level_db\n";
    char line[64];
    for (std::size_t b = 0; b < zm::kThirdOctaveBands; ++b) {
        std::snprintf(line, sizeof line, "%7d %s\n", zm::kBandLabelsHz[b],
                      zef::CFixed(levels[b], 2, 8).c_str());
        ctx.out << line;
    }
}

// --out FILE.csv: the levels as CSV.
void WriteBandsCsv(const Context& ctx, const zef::BandSpectrum& levels) {
    if (const std::optional<std::string> csv = Named(ctx, "--out"))
        if (std::string e = zm::WriteBandLevelsCsv(*csv, levels); !e.empty()) Fail(e);
}

int RtaOfFile(Context& ctx, const std::string& path) {
    zef::audio::WavData audio;
    if (std::string e = zef::audio::ReadWav(path, audio); !e.empty()) Fail(e);
    if (audio.sampleRate < zm::kAnalyserMinRate)
        Fail(path + ": the file is at " + std::to_string(audio.sampleRate) +
             " Hz; the analyser needs 48000 Hz or more (its 20 kHz band must fit)");
    const int channel = NamedInt(ctx, "--input", 1, 1, audio.channels) - 1;
    const std::vector<double> samples = audio.Channel(channel);
    // No level of nothing, nor of a sample that is not a number: either would print as a quiet band.
    if (samples.empty()) Fail(path + ": the file holds no samples");
    const auto bad = std::find_if(samples.begin(), samples.end(), [](double x) { return !std::isfinite(x); });
    if (bad != samples.end())
        Fail(path + ": sample " + std::to_string(bad - samples.begin() + 1) + " of channel " +
             std::to_string(channel + 1) + " is not a finite number");
    zef::BandSpectrum levels = zm::AnalyseRecording(samples, audio.sampleRate);
    const zef::BandSpectrum corrections = zm::BandCorrectionsDb(CalibrationOptions(ctx));
    for (std::size_t b = 0; b < levels.size(); ++b) levels[b] += corrections[b];
    WriteBandsCsv(ctx, levels);
    PrintBands(ctx, levels, "wav", static_cast<double>(audio.frames()) / audio.sampleRate);
    return kExitOk;
}

int Rta(Context& ctx) {
    if (std::optional<std::string> wav = Named(ctx, "--wav")) return RtaOfFile(ctx, *wav);
    const int card = NamedInt(ctx, "--card", 1, 1, 1024) - 1;
    const int input = NamedInt(ctx, "--input", 1, 1, 1024) - 1;
    const zm::Calibration calibration = CalibrationOptions(ctx);
    std::unique_ptr<zef::audio::System> system = CommandAudioSystem(ctx);
    zm::CardAnalyser cardAnalyser(*system);
    zm::CalibratedAnalyser analyser(cardAnalyser, calibration);
    zef::BandSpectrum last{};
    std::size_t spectra = 0;
    analyser.SetSpectrumHandler([&](const zef::BandSpectrum& s) {
        last = s;
        ++spectra;
    });
    analyser.SetAveraging(zef::BandAveraging::Long);
    if (std::string e = analyser.Start(card, input); !e.empty()) Fail(e);
    const auto start = std::chrono::steady_clock::now();
    const std::chrono::duration<double> run(ctx.options.seconds);
    while (std::chrono::steady_clock::now() - start < run) {
        std::this_thread::sleep_for(kPollInterval);
        cardAnalyser.DeliverPending();
        if (!analyser.IsRunning()) Fail("the sound card stopped: " + cardAnalyser.Error());
    }
    cardAnalyser.DeliverPending();
    analyser.Stop();
    if (spectra == 0) Fail("no spectrum arrived from the card");
    WriteBandsCsv(ctx, last);
    PrintBands(ctx, last, "card", ctx.options.seconds);
    return kExitOk;
}

}  // namespace

void SetAudioSystemFactory(AudioSystemFactory factory) {
    Factory() = factory ? std::move(factory) : AudioSystemFactory(RealBackend);
}

std::unique_ptr<zef::audio::System> OpenAudioSystem(const std::optional<std::string>& rig,
                                                    std::string& error) {
    return Factory()(rig, error);
}

void AddMeasureCommands(SubCommandTable& table) {
    const OptionSpec card{"--card"};
    const OptionSpec input{"--input"};
    const OptionSpec rig{"--rig"};
    const OptionSpec micCal{"--mic-cal"};
    const OptionSpec cardCal{"--card-cal"};
    table.push_back(
        {"measure",
         "measure ir [--rig HOST:PORT] [--card N] [--output N] [--input N] [--reference N] "
         "[--decay S] [--sweeps DIR] [--repeat N] [--mic-cal FILE] [--card-cal FILE] [--wav FILE.wav] "
         "[--response FILE.txt] --out FILE.irw",
         "measures an impulse response with the sweep (cards and channels numbered from 1, as `cards` lists them; "
         "--reference names a loopback input; --decay 0.1..10 s, default 2; sweep files in "
         "DIR/SW.wav and DIR/ISW.wav, made when missing, default the editor's TS folder; --repeat 1..16 "
         "averages N sweeps (noise falls by 10 log10 N dB); --mic-cal/--card-cal "
         "take the microphone's and the card's own response out; --wav and --response also write the response "
         "as 32-bit float WAV and as \"frequency dB phase\" text)",
         MeasureIr,
         {card, {"--output"}, input, {"--reference"}, {"--decay"}, {"--sweeps"}, {"--out"}, rig, micCal, cardCal,
          {"--wav"}, {"--response"}, {"--repeat"}}});
    table.push_back(
        {"rta",
         "rta [--rig HOST:PORT] [--card N] [--input N] [--seconds S] | rta --wav FILE [--input N]; either with "
         "[--mic-cal FILE] [--card-cal FILE] [--out FILE.csv]",
         "the 30 third-octave band levels (dB re a full-scale sine) of a card input averaged over "
         "S seconds (default 10), or of a recording's channel N averaged over the whole file; --out also "
         "writes them as CSV (band_hz,level_db)",
         Rta,
         {card, input, rig, {"--wav"}, micCal, cardCal, {"--out"}}});
}

}  // namespace zefctl
