// Speed of finding and reading amplifiers against the in-process simulator:
//   range_scan_256   a network search over 127.0.1.0 .. 127.0.1.255 with five
//                    simulated devices: probing, identifying each answering
//                    device, closing it, and merging the results into the list.
//   dump_one_device  connect, identify, firmware check, read settings, preset
//                    and both FIRs, write the project file (zefctl dump without
//                    the process start).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "link/search.h"
#include "model/project_file.h"
#include "session.h"
#include "simulator.h"

namespace {

struct Folder {
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zef-bench-devices-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
        path = pattern;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
};

// Five devices on the given hosts, one common port.
struct Devices {
    explicit Devices(const std::vector<std::string>& hosts) {
        for (int attempt = 0; attempt < 8 && port == 0; ++attempt) {
            sim = std::make_unique<zefsim::Simulator>();
            try {
                std::uint16_t p = 0;
                for (std::size_t i = 0; i < hosts.size(); ++i) {
                    zefsim::DeviceConfig c;
                    c.name = "Bench " + std::to_string(i + 1);
                    p = sim->listenTcp(sim->addDevice(c), hosts[i], p);
                }
                port = p;
            } catch (const std::runtime_error&) {
            }
        }
        if (port == 0) throw std::runtime_error("no common free port");
        sim->start();
    }
    ~Devices() { sim->stop(); }
    std::unique_ptr<zefsim::Simulator> sim;
    std::uint16_t port = 0;
};

void RangeScan256(benchmark::State& state) {
    Folder folder;
    Devices devices({"127.0.1.3", "127.0.1.50", "127.0.1.100", "127.0.1.200", "127.0.1.250"});
    std::vector<std::string> addresses;
    for (int k = 0; k < 256; ++k) addresses.push_back("127.0.1." + std::to_string(k));
    zef::RecordingDialogs dialogs;
    zef::LinkState link;
    zef::QtTransport transport(zef::SerialPortMap("/dev", false));
    zef::NullReconnectPresenter presenter;
    zef::LinkSettings settings;
    settings.devicePort = devices.port;
    settings.configFolder = folder.path.string();
    int found = 0;
    for (auto _ : state) {
        auto model = std::make_unique<zef::Model>();
        zef::ModRxTx rxtx(*model, link, transport, dialogs, presenter, settings);
        zef::DeviceList list(*model, dialogs);
        zef::DeviceSearch search(list, rxtx, zef::SearchSettings{.loopbackIsNetwork = true});
        search.Open();
        search.StartTcpAddresses(addresses);
        search.WaitUntilDone(20000);
        found = search.Close().added;
    }
    state.counters["devices_found"] = found;
}
BENCHMARK(RangeScan256)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void DumpOneDevice(benchmark::State& state) {
    Folder folder;
    Devices devices({"127.0.0.2"});
    zefctl::Options options;
    options.port = devices.port;
    options.config = folder.path.string();
    const std::string file = (folder.path / "dump.prp").string();
    for (auto _ : state) {
        auto session = std::make_unique<zefctl::Session>(options);
        session->Connect("127.0.0.2");
        if (!zef::SaveProject(file, session->model)) state.SkipWithError("cannot write the project");
        session->Close();
    }
}
BENCHMARK(DumpOneDevice)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
