// Speed of a firmware update against the in-process simulator's boot loader:
//   firmware_load/N    a whole load of an N-byte image (enter, HELLO, erase, blocks, verify,
//                      run) over the pty paced at 9600 baud; counter ratio = measured time /
//                      the image's own wire time (N bytes x 10 bits / 9600 baud), so the
//                      protocol's whole overhead (headers, checksums, acknowledgements,
//                      turn-arounds, erasing) is what the ratio shows above 1.

#include <benchmark/benchmark.h>

#include <random>

#include "bench_util.h"
#include "bootloader.h"
#include "transport/qt_transport.h"
#include "device/serial_fw_loader.h"
#include "files/sfu_file.h"
#include "simulator.h"
#include "temp_folder.h"

namespace {

void FirmwareLoad(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const zef::test::TempFolder folder;

    zefsim::Simulator sim;
    zefsim::Device& device = sim.addDevice();
    zefsim::installBootloader(device);
    const std::string tty = folder.file("ttyZEF");
    sim.openSerial(device, tty);
    sim.start();

    std::vector<std::uint8_t> image(size);
    std::mt19937 random(1);
    for (auto& b : image) b = static_cast<std::uint8_t>(random());
    const std::string file = folder.file("fw.sfu");
    zef::WriteFileAtomically(file, zef::BuildSfu({zef::kModelCodeZef4260, 3, 0, 0, 0, 0}, image));

    zef::SerialPortMap ports = zef::SerialPortMap::RegisteredOnly();
    ports.Register(tty);
    zef::SerialFwLoader loader(std::make_unique<zef::QtSerialPort>(ports));
    const double wireSeconds = static_cast<double>(size) * 10.0 / 9600.0;
    const std::vector<double> runs = zefbench::TimedRuns(
        state, "load failed", [&] { return loader.Load(file, "COM1", 9600) == zef::kFwLoaded; });
    const double seconds = runs.empty() ? 0 : runs.back();
    state.counters["wire_s"] = wireSeconds;
    state.counters["load_s"] = seconds;
    state.counters["ratio"] = seconds / wireSeconds;
    sim.stop();
}
BENCHMARK(FirmwareLoad)->Arg(4096)->Arg(65536)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) { return zefbench::RunWithEventLoop(argc, argv); }
