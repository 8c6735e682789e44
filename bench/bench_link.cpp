// Speed of the device link against the in-process simulator:
//   tcp_round_trip      one 13-byte exchange (frame, reply, trailing 0x00) over
//                       loopback TCP; counter median_us over every exchange.
//   serial_read_120     one 120-byte ReadMemory over the pty paced at 9600 baud;
//                       counter ratio = measured time / wire time, where the wire
//                       time is all request and reply bytes x 10 bits / 9600 baud.

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "bench_util.h"
#include "link/mod_rxtx.h"
#include "platform/qt_transport.h"
#include "simulator.h"
#include "temp_folder.h"

namespace {

using zef::CommandParams;
using zef::DeviceSlot;
using zefbench::Median;

constexpr DeviceSlot kSlot = 1;

// One simulator, one model, one exchange; connected over TCP or a pty.
struct Bench {
    Bench() {
        device = &sim.addDevice();
        zef::LinkSettings settings;
        settings.configFolder = folder.path().string();
        rxtx = std::make_unique<zef::ModRxTx>(model, link, transport, dialogs, presenter, settings);
    }
    ~Bench() {
        transport.serial().Close();
        transport.tcp().Disconnect(kSlot);
        sim.stop();
    }

    void ConnectTcp() {
        const std::uint16_t port = sim.listenTcp(*device, "127.0.0.1", 0);
        sim.start();
        auto& e = model.entry(kSlot);
        e.interface = zef::kInterfaceTcp;
        e.ip = "127.0.0.1";
        if (transport.tcp().Connect(kSlot, e.ip, port, 2000) != zef::kTransportOk ||
            !rxtx->IdentifyDevice(kSlot))
            throw std::runtime_error("simulator not reachable over TCP");
        e.online = true;
    }

    void ConnectSerial() {
        const std::string path = folder.file("ttyZEF");
        sim.openSerial(*device, path);
        sim.start();
        transport.serialPorts().Register(path);
        link.serialPortNumber = 1;
        auto& e = model.entry(kSlot);
        e.interface = zef::kInterfaceUsb;
        if (!rxtx->IdentifyDevice(kSlot)) throw std::runtime_error("simulator not answering on the pty");
        e.online = true;
    }

    zef::test::TempFolder folder;
    zefsim::Simulator sim;
    zefsim::Device* device = nullptr;
    zef::Model model;
    zef::LinkState link;
    zef::QtTransport transport{zef::SerialPortMap("/dev", false)};
    zef::RecordingDialogs dialogs;
    zef::NullReconnectPresenter presenter;
    std::unique_ptr<zef::ModRxTx> rxtx;
};

void TcpRoundTrip(benchmark::State& state) {
    Bench bench;
    bench.ConnectTcp();
    const CommandParams gain{2, 0, 0, 0, 0, 0, 0, 0x40};
    const std::vector<double> samples = zefbench::TimedRuns(
        state, "exchange failed", [&] { return bench.rxtx->SendCommandFrame(kSlot, 1, gain) == zef::kOk; });
    state.counters["median_us"] = Median(samples) * 1e6;
    state.counters["exchanges"] = static_cast<double>(samples.size());
}
BENCHMARK(TcpRoundTrip)->Iterations(2000)->UseManualTime()->Unit(benchmark::kMicrosecond);

void SerialRead120(benchmark::State& state) {
    Bench bench;
    bench.ConnectSerial();
    const CommandParams read{0x00, 0xF0, 120, 0, 0, 0, 0, 0};
    constexpr double kWireSeconds = (13.0 + 125.0) * 10.0 / 9600.0;
    const std::vector<double> samples = zefbench::TimedRuns(
        state, "exchange failed", [&] { return bench.rxtx->SendCommandFrame(kSlot, 20, read) == zef::kOk; });
    state.counters["wire_ms"] = kWireSeconds * 1e3;
    state.counters["median_ms"] = Median(samples) * 1e3;
    state.counters["ratio"] = Median(samples) / kWireSeconds;
}
BENCHMARK(SerialRead120)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return zefbench::RunWithEventLoop(argc, argv); }
