// Speed of the device link against the in-process simulator:
//   tcp_round_trip      one 13-byte exchange (frame, reply, trailing 0x00) over
//                       loopback TCP; counter median_us over every exchange.
//   serial_read_120     one 120-byte ReadMemory over the pty paced at 9600 baud;
//                       counter ratio = measured time / wire time, where the wire
//                       time is all request and reply bytes x 10 bits / 9600 baud.
// Then the cost of the link statistics (counters, round trips, traffic log) in
// the same run: 13-byte TCP exchanges alternately with the statistics on and
// off give the medians with and without and their ratio; the statistics'
// own work for one exchange, timed in a loop of its own, as a share of the
// median exchange (goal under 1 %; the program exits 1 when it is missed).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench_util.h"
#include "device/link_monitor.h"
#include "protocol/commands.h"
#include "sim_bench.h"

namespace {

using zef::CommandParams;
using zefbench::kSlot;
using zefbench::Median;
using zefbench::SimBench;

void TcpRoundTrip(benchmark::State& state) {
    SimBench bench;
    bench.ConnectTcp();
    const CommandParams gain{2, 0, 0, 0, 0, 0, 0, 0x40};
    const std::vector<double> samples = zefbench::TimedRuns(
        state, "exchange failed", [&] { return bench.exchange->SendCommandFrame(kSlot, 1, gain) == zef::kOk; });
    state.counters["median_us"] = Median(samples) * 1e6;
    state.counters["exchanges"] = static_cast<double>(samples.size());
}
BENCHMARK(TcpRoundTrip)->Iterations(2000)->UseManualTime()->Unit(benchmark::kMicrosecond);

void SerialRead120(benchmark::State& state) {
    SimBench bench;
    bench.ConnectSerial();
    const CommandParams read{0x00, 0xF0, 120, 0, 0, 0, 0, 0};
    constexpr double kWireSeconds = (13.0 + 125.0) * 10.0 / 9600.0;
    const std::vector<double> samples = zefbench::TimedRuns(
        state, "exchange failed", [&] { return bench.exchange->SendCommandFrame(kSlot, 20, read) == zef::kOk; });
    state.counters["wire_ms"] = kWireSeconds * 1e3;
    state.counters["median_ms"] = Median(samples) * 1e3;
    state.counters["ratio"] = Median(samples) / kWireSeconds;
}
BENCHMARK(SerialRead120)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

// The monitor's work for one 13-byte TCP exchange, as the exchange calls it, in seconds.
double StatisticsSecondsPerExchange(zef::LinkMonitor& monitor) {
    const zef::Request request{zef::cmd::kGain, {2, 0, 0, 0, 0, 0, 0, 0x40}, {}};
    const std::vector<std::uint8_t> reply = zef::BuildCommandFrame(1, request);
    constexpr int kRounds = 200000;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i) {
        monitor.BeginExchange(kSlot);
        monitor.FrameSent(kSlot, request, reply.size(), false, true);
        monitor.Replied(kSlot, request.command, reply);
        monitor.ExtraBytesOut(kSlot, 1);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    benchmark::DoNotOptimize(monitor.Figures(kSlot).exchanges);
    return took.count() / kRounds;
}

// Prints the figures; false when the goal is missed.
bool StatisticsCost() {
    SimBench bench;
    bench.ConnectTcp();
    zef::LinkMonitor& monitor = bench.exchange->monitor();
    const CommandParams gain{2, 0, 0, 0, 0, 0, 0, 0x40};
    std::vector<double> with, without;
    for (int i = 0; i < 4000; ++i) {
        const bool on = i % 2 == 0;
        monitor.SetEnabled(on);
        const auto start = std::chrono::steady_clock::now();
        if (bench.exchange->SendCommandFrame(kSlot, 1, gain) != zef::kOk) {
            std::printf("statistics cost: exchange failed\n");
            return false;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        (on ? with : without).push_back(took.count());
    }
    monitor.SetEnabled(true);
    zef::LinkMonitor own;
    const double cost = StatisticsSecondsPerExchange(own);
    const double exchange = Median(without);
    const double share = cost / exchange;
    std::printf(
        "statistics: exchange median %.1f us with, %.1f us without (ratio %.4f); their own work %.3f us per "
        "exchange = %.3f %% of an exchange (goal < 1 %%)\n",
        Median(with) * 1e6, exchange * 1e6, Median(with) / exchange, cost * 1e6, share * 100);
    const bool met = share < 0.01;
    std::printf("goal %s\n", met ? "met" : "MISSED");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return StatisticsCost() ? 0 : 1;
}
