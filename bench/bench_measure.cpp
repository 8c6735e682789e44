// Sweep measurement: accuracy of the impulse response and speed of the
// deconvolution.
//
// Accuracy: the engine measures a known room through the in-memory card of
// the tests (tests/measure/fake_card.h) at card latencies from 5 to 200 ms,
// with the microphone noise 60 dB below the sweep's level at the microphone,
// and once without noise as the baseline. The room: a loudspeaker (second-
// order high-pass at 45 Hz, +4 dB resonance at 2 kHz, first-order low-pass
// at 18 kHz) 2.9 m away, a floor and two wall reflections and a diffuse tail
// with a reverberation time of 0.5 s. Printed per latency:
//   alignment   how many samples the response sits away from where the true
//               room's first arrival belongs (the pre-delay), found by cross-
//               correlating measured and true responses (goal 0, at most 1)
//   magnitude   the largest difference of the 1/6-octave smoothed magnitudes
//               of measured and true responses, 25 Hz to 16 kHz (goal 0.2 dB)
//   peak/noise  the response's peak over the RMS of its last 0.8 s, where the
//               true room has decayed by more than 100 dB (goal 90 dB)
//   warnings    how many the engine gave (none expected: no clipping, 60 dB
//               of signal over noise)
//
// Speed: deconvolving a 5 s sweep with 2 s of decay against one FFTW forward
// plus inverse real transform of the same length (goal at most 3x), and the
// whole analysis (deconvolution, alignment, warnings and plots).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <map>
#include <numbers>
#include <random>
#include <thread>

#include "audio/rig_client.h"
#include "fake_card.h"
#include "measure/ir_views.h"
#include "measure/real_fft.h"
#include "measure/sweep.h"
#include "measure/sweep_analysis.h"
#include "measure/sweep_engine.h"
#include "measure/third_octave.h"
#include "rig.h"
#include "simulator.h"
#include "temp_folder.h"

namespace {

using namespace zef::measure;

constexpr double kRate = kSweepSampleRate;
constexpr int kDecayMs = 2000;

// Runs `x` through the biquad in place.
void Filter(std::vector<double>& x, const Biquad& c) {
    double s1 = 0.0;
    double s2 = 0.0;
    for (double& v : x) {
        const double y = c.b0 * v + s1;
        s1 = c.b1 * v - c.a1 * y + s2;
        s2 = c.b2 * v - c.a2 * y;
        v = y;
    }
}

// Textbook biquads (bilinear transform).
Biquad HighPass2(double hz, double q) {
    const double w = 2.0 * std::numbers::pi * hz / kRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    return {(1.0 + std::cos(w)) / 2.0 / a0, -(1.0 + std::cos(w)) / a0, (1.0 + std::cos(w)) / 2.0 / a0,
            -2.0 * std::cos(w) / a0, (1.0 - alpha) / a0};
}

Biquad Peak(double hz, double q, double db) {
    const double a = std::pow(10.0, db / 40.0);
    const double w = 2.0 * std::numbers::pi * hz / kRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha / a;
    return {(1.0 + alpha * a) / a0, -2.0 * std::cos(w) / a0, (1.0 - alpha * a) / a0, -2.0 * std::cos(w) / a0,
            (1.0 - alpha / a) / a0};
}

Biquad LowPass1(double hz) {
    const double k = std::tan(std::numbers::pi * hz / kRate);
    return {k / (1.0 + k), k / (1.0 + k), 0.0, (k - 1.0) / (k + 1.0), 0.0};
}

std::vector<double> Room() {
    std::vector<double> room(static_cast<std::size_t>(kRate), 0.0);  // 1 s
    const std::size_t direct = 406;                                  // 2.9 m
    // The microphone peaks at -7 dBFS with the sweep at -6 dBFS.
    room[direct] = 0.25;
    room[direct + 180] = -0.15;
    room[direct + 700] = 0.1;
    room[direct + 1500] = 0.075;
    std::mt19937 random(11);
    std::normal_distribution<double> normal;
    const double decayPerSample = std::log(1000.0) / (0.5 * kRate);  // -60 dB in 0.5 s
    for (std::size_t i = direct + 480; i < room.size(); ++i)
        room[i] += 0.005 * normal(random) * std::exp(-decayPerSample * static_cast<double>(i - direct - 480));
    for (const Biquad& b : {HighPass2(45.0, 0.7071), Peak(2000.0, 2.0, 4.0), LowPass1(18000.0)})
        Filter(room, b);
    return room;
}

std::vector<float> Convolve(std::span<const double> x, std::span<const double> h) {
    RealFft a(GoodFftSize(x.size() + h.size()));
    RealFft b(a.size());
    a.Load(x);
    a.Forward();
    b.Load(h);
    b.Forward();
    for (std::size_t k = 0; k < a.bins(); ++k)
        a.spectrum()[k] *= b.spectrum()[k] / static_cast<double>(a.size());
    a.Inverse();
    return {a.time().begin(), a.time().begin() + static_cast<std::ptrdiff_t>(x.size() + h.size() - 1)};
}

// The lag of `measured` against `truth` (measured[n] ~ truth[n - lag]) in
// [expected - 64, expected + 64] with the largest correlation.
long BestLag(std::span<const double> measured, std::span<const double> truth, long expected) {
    long best = expected;
    double bestSum = -1e300;
    for (long lag = expected - 64; lag <= expected + 64; ++lag) {
        double sum = 0.0;
        for (std::size_t n = 0; n < truth.size(); ++n) {
            const long m = static_cast<long>(n) + lag;
            if (m >= 0 && m < static_cast<long>(measured.size()))
                sum += measured[static_cast<std::size_t>(m)] * truth[n];
        }
        if (sum > bestSum) {
            bestSum = sum;
            best = lag;
        }
    }
    return best;
}

std::vector<double> SixthOctaveDb(std::span<const double> ir, std::span<const double> hz) {
    RealFft fft(GoodFftSize(std::max<std::size_t>(ir.size(), 1 << 17)));
    fft.Load(ir);
    fft.Forward();
    return SmoothedMagnitudeDb(fft.spectrum(), fft.size(), kRate, hz, 1.0 / 6.0);
}

struct Accuracy {
    std::size_t warnings;
    long alignment;
    double magnitudeDb;
    double worstHz;
    double peakToNoiseDb;
    bool ok;
};

// Where the sweep plays and the microphone listens: the in-memory card, or
// the virtual rig of the simulator (card -> amplifier at power-on, flat at
// 0 dB -> the room -> microphone), served fast over loopback TCP.
enum class Path { FakeCard, Rig };

Accuracy MeasureRoom(const std::vector<double>& room, std::size_t latency, double noiseRms, bool reference,
                     Path path = Path::FakeCard) {
    zef::test::TempFolder folder;
    std::unique_ptr<zef::audio::System> card;
    std::unique_ptr<zefsim::Device> device;
    std::unique_ptr<zefsim::Rig> rig;
    if (path == Path::FakeCard) {
        card = std::make_unique<zef::test::FakeAudioSystem>(
            zef::test::FakeCardSetup{.room = room, .latency = latency, .noiseRms = noiseRms, .seed = 5});
    } else {
        device = std::make_unique<zefsim::Device>(zefsim::DeviceConfig{});
        zefsim::RigConfig config;
        config.fast = true;
        config.latencyMs = static_cast<double>(latency) * 1000.0 / kRate;
        // The rig's noise is an RMS re a full-scale sine (RMS 1/sqrt 2).
        config.micNoiseDbfs =
            noiseRms > 0 ? std::optional<double>(20.0 * std::log10(noiseRms * std::numbers::sqrt2)) : std::nullopt;
        config.room = zefsim::RoomResponse{{room, {}}};
        rig = std::make_unique<zefsim::Rig>(*device, config);
        card = std::make_unique<zef::audio::RigSystem>(zef::audio::RigEndpoint{"127.0.0.1", rig->port()});
    }
    SweepMeasurementEngine engine(*card);
    engine.SetReferenceInput(reference ? 1 : -1);
    int rate = 0;
    if (!engine.SweepMeasurement(folder.file("SW.wav"), folder.file("ISW.wav"), rate, kDecayMs, 0, 0, 0)
             .empty())
        return {0, 0, 0, 0, 0, false};
    while (engine.MeasurementState() != zef::MeasurementEngine::State::Done)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::vector<double> ir;
    if (engine.ComputeImpulseResponse(rate, ir) != 0) return {0, 0, 0, 0, 0, false};

    // Aligned on the arrival, the room's first arrival belongs at the
    // pre-delay; aligned on the loopback, the room's own time zero does.
    const long arrival = reference ? 0 : static_cast<long>(FirstArrival(room, 0, room.size()));
    const long expected = static_cast<long>(kPreDelaySamples) - arrival;
    Accuracy a{engine.Warnings().size(), BestLag(ir, room, expected) - expected, 0.0, 0.0, 0.0, true};
    const std::vector<double> hz = LogFrequencies(25.0, 16000.0, 48.0);
    const std::vector<double> measured = SixthOctaveDb(ir, hz);
    const std::vector<double> truth = SixthOctaveDb(room, hz);
    for (std::size_t i = 0; i < hz.size(); ++i) {
        if (std::abs(measured[i] - truth[i]) > a.magnitudeDb) {
            a.magnitudeDb = std::abs(measured[i] - truth[i]);
            a.worstHz = hz[i];
        }
    }
    const std::span<const double> tail =
        std::span<const double>(ir).last(static_cast<std::size_t>(0.8 * kRate));
    double sum = 0.0;
    for (double x : tail) sum += x * x;
    double peak = 0.0;
    for (double x : ir) peak = std::max(peak, std::abs(x));
    a.peakToNoiseDb = 20.0 * std::log10(peak / std::sqrt(sum / static_cast<double>(tail.size())));
    return a;
}

bool PrintAccuracy() {
    const std::vector<double> room = Room();
    const std::vector<double> sweep = MakeSweep();
    const std::vector<float> atMic = Convolve(sweep, room);
    double sum = 0.0;
    for (std::size_t i = 0; i < sweep.size(); ++i) sum += static_cast<double>(atMic[i]) * atMic[i];
    const double sweepRmsAtMic = std::sqrt(sum / static_cast<double>(sweep.size()));

    std::printf(
        "IR accuracy through the fake card (decay %d ms; goals: alignment 0 +-1 sample, magnitude "
        "<= 0.2 dB, peak/noise >= 90 dB)\n",
        kDecayMs);
    std::printf("%-32s %10s %13s %11s %14s %9s\n", "", "alignment", "magnitude", "(at)", "peak/noise",
                "warnings");
    Path path = Path::FakeCard;
    bool met = true;
    auto row = [&](const char* noise, std::size_t latency, double rms, bool goal, bool reference = false) {
        const Accuracy a = MeasureRoom(room, latency, rms, reference, path);
        char what[64];
        std::snprintf(what, sizeof what, "%s, %.0f ms", noise, static_cast<double>(latency) * 1000.0 / kRate);
        std::printf("%-32s %10ld %10.3f dB %8.0f Hz %11.1f dB %9zu\n", what, a.alignment, a.magnitudeDb,
                    a.worstHz, a.peakToNoiseDb, a.warnings);
        if (goal)
            met =
                met && a.ok && std::abs(a.alignment) <= 1 && a.magnitudeDb <= 0.2 && a.peakToNoiseDb >= 90.0;
    };
    row("no noise (baseline)", 240, 0.0, false);
    for (std::size_t latency : {240, 480, 960, 2400, 4800, 7200, 9600})
        row("noise -60 dB", latency, 1e-3 * sweepRmsAtMic, true);
    row("noise -60 dB, reference", 4800, 1e-3 * sweepRmsAtMic, true, true);
    std::printf("goals %s\n\n", met ? "met" : "MISSED");
    const bool fakeCardMet = met;

    // The same room through the simulator's amplifier and the virtual rig.
    std::printf("IR accuracy through the virtual rig (amplifier at power-on, the same room)\n");
    path = Path::Rig;
    met = true;
    row("no noise (baseline)", 240, 0.0, false);
    for (std::size_t latency : {240, 2400, 9600}) row("noise -60 dB", latency, 1e-3 * sweepRmsAtMic, true);
    row("noise -60 dB, reference", 4800, 1e-3 * sweepRmsAtMic, true, true);
    std::printf("goals %s\n\n", met ? "met" : "MISSED");
    return fakeCardMet && met;
}

// Speed.

struct SpeedFixture {
    SpeedFixture() {
        SweepTiming timing{sweep.size(), 2 * static_cast<std::size_t>(kRate)};
        analysis = std::make_unique<SweepAnalysis>(sweep, MakeInverseSweep(sweep), timing);
        analysis->Prepare();
        recording.input.assign(timing.RecordingLength(), 0.0f);
        std::mt19937 random(3);
        std::normal_distribution<double> normal;
        for (std::size_t i = 0; i < sweep.size(); ++i)
            recording.input[kPreRollSamples + 480 + i] =
                static_cast<float>(0.5 * sweep[i] + 1e-4 * normal(random));
        fft = std::make_unique<RealFft>(analysis->deconvolver().TransformLength());
    }
    std::vector<double> sweep = MakeSweep();
    std::unique_ptr<SweepAnalysis> analysis;
    SweepRecording recording;
    std::unique_ptr<RealFft> fft;
};

SpeedFixture& Shared() {
    static SpeedFixture f;
    return f;
}

void ForwardAndInverse(benchmark::State& state) {
    SpeedFixture& f = Shared();
    for (auto _ : state) {
        state.PauseTiming();
        f.fft->Load(f.recording.input);  // the inverse leaves a scaled copy behind
        state.ResumeTiming();
        f.fft->Forward();
        f.fft->Inverse();
        benchmark::DoNotOptimize(f.fft->time().data());
    }
    state.SetLabel(std::to_string(f.fft->size()) + " points");
}

void Deconvolution(benchmark::State& state) {
    SpeedFixture& f = Shared();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.analysis->deconvolver().Deconvolve(f.recording.input).data());
}

void WholeAnalysis(benchmark::State& state) {
    SpeedFixture& f = Shared();
    for (auto _ : state) benchmark::DoNotOptimize(f.analysis->Analyse(f.recording).impulseResponse.data());
}

BENCHMARK(ForwardAndInverse)->Unit(benchmark::kMillisecond);
BENCHMARK(Deconvolution)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeAnalysis)->Unit(benchmark::kMillisecond);

// CPU time per iteration of each benchmark (the machine is shared: wall time
// counts other processes' slices too).
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) ms[run.run_name.function_name] = run.GetAdjustedCPUTime();
    }
    std::map<std::string, double> ms;
};

// True when the speed goal is met (or the benchmarks were filtered out).
bool PrintSpeed(const std::map<std::string, double>& ms) {
    if (!ms.count("ForwardAndInverse") || !ms.count("Deconvolution") || !ms.count("WholeAnalysis")) return true;
    const double base = ms.at("ForwardAndInverse");
    std::printf("\ndeconvolution of a 5 s sweep with 2 s of decay, CPU time\n");
    std::printf("  one forward + inverse transform   %7.1f ms  (baseline)\n", base);
    std::printf("  deconvolution                     %7.1f ms  %4.2fx  goal <= 3x: %s\n",
                ms.at("Deconvolution"), ms.at("Deconvolution") / base,
                ms.at("Deconvolution") <= 3.0 * base ? "met" : "MISSED");
    std::printf("  whole analysis (with plots)       %7.1f ms  %4.2fx\n", ms.at("WholeAnalysis"),
                ms.at("WholeAnalysis") / base);
    return ms.at("Deconvolution") <= 3.0 * base;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const bool accurate = PrintAccuracy();
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const bool fast = PrintSpeed(reporter.ms);
    return accurate && fast ? 0 : 1;  // a missed goal fails `./zef bench`
}
