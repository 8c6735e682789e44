// The virtual rig's speed: rendering the amplifier into the room (seconds of audio per second
// of CPU, full chain: 4 input bands, 24 dB/octave crossovers, 30 bands or 10 bands and the
// 384-tap FIR on both outputs, the built-in one-second room by FFT convolution), and a
// 10-second recording through the virtual card at fast pacing (wall time).

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

#include "address_map.h"
#include "amp_settings.h"
#include "audio/rig_client.h"
#include "bench_util.h"
#include "rig.h"
#include "rig_renderer.h"
#include "room.h"
#include "simulator.h"

namespace {

constexpr std::uint32_t P = 240;
constexpr std::size_t kBlock = 240;
constexpr double kAudioSeconds = 10;

// Every band busy: bells of +3 dB spread over the range, LR 24 dB/octave crossovers, and in
// the FIR mode a FIR of random taps.
void FullChain(zefsim::Device& d, bool firMode) {
    std::mt19937 random(1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> fir(2 * zefsim::kFirSize);
    for (std::size_t t = 0; t < fir.size(); t += 3)
        fir[t] = std::uint8_t(byte(random) & 0x8F), fir[t + 1] = std::uint8_t(byte(random));
    d.setMemory(zefsim::kFirBase, fir);
    for (int o = 0; o < 2; ++o) {
        for (int b = 0; b < 30; ++b) {
            const int hz = int(25 * std::pow(2.0, b / 3.0));
            d.setMemory(P + 118 + 150 * o + 5 * b, {0, std::uint8_t(hz >> 8), std::uint8_t(hz), 16, 36});
        }
        d.setMemory(P + 104 + 3 * o, {7, 0, 40});
        d.setMemory(P + 110 + 3 * o, {7, 0x4E, 0x20});
    }
    for (int b = 0; b < 8; ++b) d.setMemory(P + 30 + 5 * b, {0, 0x03, std::uint8_t(0xE8 + b), 16, 34});
    d.setMemory(P + 116, {std::uint8_t(firMode ? 1 : 0)});
}

void BM_RigRender(benchmark::State& state) {
    zefsim::Device device(zefsim::DeviceConfig{});
    FullChain(device, state.range(0) != 0);
    zefsim::MakeFftPlanningThreadSafe();
    zefsim::RigRenderer renderer(std::make_unique<zefsim::RoomConvolvers>(zefsim::BuiltInRoom()), -90.0, 960);
    renderer.configure(zefsim::DecodeAmpSettings(device.memory(0, zefsim::kMemorySize),
                                                 device.memory(zefsim::kFirBase, 2 * zefsim::kFirSize)));
    std::mt19937 random(2);
    std::uniform_real_distribution<float> noise(-0.1f, 0.1f);
    std::vector<float> out(2 * kBlock), in(2 * kBlock);
    for (float& v : out) v = noise(random);
    const std::size_t blocks = std::size_t(kAudioSeconds * 48000 / kBlock);
    for (auto _ : state) {
        for (std::size_t b = 0; b < blocks; ++b) {
            renderer.play(out.data(), kBlock);
            renderer.capture(in.data(), kBlock);
        }
        benchmark::DoNotOptimize(in.data());
    }
    // Seconds of audio per second of CPU: the rate counter divides by the CPU time.
    state.counters["x_real_time"] =
        benchmark::Counter(kAudioSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RigRender)->Arg(0)->Arg(1)->ArgName("fir")->Unit(benchmark::kMillisecond)->Iterations(3);

// 10 s recorded through the rig's client at fast pacing, end to end over loopback TCP.
void BM_RigRoundTrip(benchmark::State& state) {
    zefsim::Device device(zefsim::DeviceConfig{});
    FullChain(device, true);
    zefsim::RigConfig config;
    config.fast = true;
    config.latencyMs = 100;
    zefsim::Rig rig(device, config);
    zef::audio::RigSystem system({"127.0.0.1", rig.port()});
    const std::size_t frames = std::size_t(kAudioSeconds * 48000);
    const auto seconds = zefbench::TimedRuns(state, "the recording did not complete", [&] {
        std::atomic<std::size_t> done{0};
        std::string error;
        auto stream = system.Open(
            0,
            [&](const float*, float* out, std::size_t n) {
                std::fill_n(out, 2 * n, 0.01f);
                done.fetch_add(n, std::memory_order_release);
            },
            error);
        if (!stream || !stream->Start().empty()) return false;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (done.load(std::memory_order_acquire) < frames && stream->IsActive() &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        stream->Stop();
        return done >= frames;
    });
    state.counters["seconds"] = zefbench::Median(seconds);
    state.counters["x_real_time"] = kAudioSeconds / std::max(zefbench::Median(seconds), 1e-9);
}
BENCHMARK(BM_RigRoundTrip)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
