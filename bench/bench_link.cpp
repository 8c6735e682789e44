// Speed of the device link against the in-process simulator:
//   tcp_round_trip      one 13-byte exchange (frame, reply, trailing 0x00) over
//                       loopback TCP; counter median_us over every exchange.
//   serial_read_120     one 120-byte ReadMemory over the pty paced at 9600 baud;
//                       counter ratio = measured time / wire time, where the wire
//                       time is all request and reply bytes x 10 bits / 9600 baud.

#include <benchmark/benchmark.h>

#include <vector>

#include "bench_util.h"
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

}  // namespace

int main(int argc, char** argv) { return zefbench::RunWithEventLoop(argc, argv); }
