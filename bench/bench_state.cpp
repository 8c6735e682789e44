// Speed of a whole-device read against the in-process simulator: identify,
// the firmware version (3 bytes at address 1), the settings block (2 x 120
// bytes), the preset block (8 x 78) and both FIRs (2 x 6 x 192).
//   WholeReadTcp     over loopback TCP; counter median_ms.
//   WholeReadSerial  over the pty paced at 9600 baud; counter ratio = measured
//                    time / wire time, the wire time being all request and
//                    reply bytes x 10 bits / 9600 baud.

#include <benchmark/benchmark.h>

#include <vector>

#include "bench_util.h"
#include "device/device_reader.h"
#include "device/refresh_hooks.h"
#include "sim_bench.h"

namespace {

using zefbench::kSlot;
using zefbench::Median;
using zefbench::SimBench;

// Request and reply bytes of one whole read: 13-byte requests; replies of 30
// (identify) and count + 5 (memory reads).
constexpr int kWireBytes = (13 + 30) + (13 + 3 + 5) + 2 * (13 + 120 + 5) + 8 * (13 + 78 + 5) +
                           12 * (13 + 192 + 5);
constexpr double kWireSeconds = kWireBytes * 10.0 / 9600.0;

bool ReadWholeDevice(SimBench& bench, zef::DeviceReader& reader) {
    if (!bench.exchange->IdentifyDevice(kSlot)) return false;
    const zef::CommandParams version{0, 1, 3, 0, 0, 0, 0, 0};
    if (bench.exchange->SendCommandFrame(kSlot, 20, version) != zef::kOk) return false;
    return reader.ReadWholeDevice(kSlot) == zef::kOk;
}

void WholeRead(benchmark::State& state, bool serial) {
    SimBench bench;
    if (serial) {
        bench.ConnectSerial();
    } else {
        bench.ConnectTcp();
    }
    zef::RefreshEvents events;
    zef::DeviceReader reader(bench.model, *bench.exchange, events);
    const std::vector<double> samples =
        zefbench::TimedRuns(state, "read failed", [&] { return ReadWholeDevice(bench, reader); });
    state.counters["median_ms"] = Median(samples) * 1e3;
    if (serial) {
        state.counters["wire_ms"] = kWireSeconds * 1e3;
        state.counters["ratio"] = Median(samples) / kWireSeconds;
    }
}

void WholeReadTcp(benchmark::State& state) { WholeRead(state, false); }
void WholeReadSerial(benchmark::State& state) { WholeRead(state, true); }
BENCHMARK(WholeReadTcp)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(WholeReadSerial)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return zefbench::RunWithEventLoop(argc, argv); }
