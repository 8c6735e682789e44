// Speed of an A/B switch on the 9600-baud serial link: states A and B differ
// in ten EQ band gains of output 1, so a switch is ten band commands (13-byte
// frame, 13-byte echo). The wire time is all request and reply bytes x 10
// bits / 9600 baud; the goal is a switch within 1.1 x that. Prints the
// median switch A->B, the wire time and their ratio, and exits 1 when the
// goal is missed or the switch sent anything but the ten commands.

#include <cstdio>
#include <vector>

#include "app/edit_history.h"
#include "bench_util.h"
#include "device/device_reader.h"
#include "device/parameter_writer.h"
#include "device/refresh_hooks.h"
#include "protocol/commands.h"
#include "sim_bench.h"

namespace {

using zefbench::kSlot;
using zefbench::Median;

constexpr int kDiffering = 10;
constexpr int kExchangeBytes = 13 + 13;
constexpr double kWireSeconds = kDiffering * kExchangeBytes * 10.0 / 9600.0;
constexpr int kRuns = 7;

int Run() {
    zefbench::SimBench bench;
    bench.ConnectSerial();
    zef::RefreshEvents events;
    zef::DeviceReader reader(bench.model, *bench.exchange, events);
    if (reader.ReadWholeDevice(kSlot) != zef::kOk) {
        std::printf("compare: reading the device failed\n");
        return 1;
    }
    zef::ParameterWriter writer(bench.model, *bench.exchange);
    zef::EditHistory history(writer, events, [](zef::DeviceSlot) {});
    history.Track(kSlot);
    history.CopyAToB(kSlot);
    history.SwitchTo(kSlot, zef::EditState::B);
    std::vector<zef::ParameterValue> edit;
    for (int band = 1; band <= kDiffering; ++band)
        edit.push_back({zef::ParameterOf(zef::ParamId::BandGain, {zef::ParamChannel::Out1, band}), -0.5 * band});
    if (writer.Set(kSlot, edit) != zef::kOk || !history.EndStep(kSlot, "bands")) {
        std::printf("compare: making state B failed\n");
        return 1;
    }

    std::vector<double> seconds;
    std::size_t frames = 0;
    for (int run = 0; run < kRuns; ++run) {
        if (!history.SwitchTo(kSlot, zef::EditState::A).ok()) return 1;
        bench.device->clearLog();
        const auto start = std::chrono::steady_clock::now();
        if (!history.SwitchTo(kSlot, zef::EditState::B).ok()) return 1;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        seconds.push_back(took.count());
        frames = bench.device->frames().size();
    }
    const double median = Median(seconds);
    const double ratio = median / kWireSeconds;
    std::printf("A->B switch, %d parameters differing, 9600 baud: %zu exchanges, median %.1f ms, wire time %.1f ms, "
                "ratio %.3f (goal <= 1.1)\n",
                kDiffering, frames, median * 1e3, kWireSeconds * 1e3, ratio);
    const bool met = ratio <= 1.1 && frames == static_cast<std::size_t>(kDiffering);
    std::printf("goal %s\n", met ? "met" : "MISSED");
    return met ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return Run();
}
