// Speed of finding and reading amplifiers against the in-process simulator:
//   range_scan_256   a network search over 127.0.1.0 .. 127.0.1.255 with five
//                    simulated devices: probing, identifying each answering
//                    device, closing it, and merging the results into the list.
//   dump_one_device  connect, identify, firmware check, read settings, preset
//                    and both FIRs, write the project file (zefctl dump without
//                    the process start).

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "recording_dialogs.h"
#include "bench_util.h"
#include "app/search.h"
#include "files/project_file.h"
#include "session.h"
#include "sim_network.h"
#include "temp_folder.h"

namespace {

using zef::test::SimNetwork;
using zef::test::TempFolder;

// Simulated devices "Bench 1", "Bench 2", ... on the given hosts, one common port.
void StartDevices(SimNetwork& net, const std::vector<std::string>& hosts) {
    std::vector<std::pair<std::string, zefsim::DeviceConfig>> plan;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        zefsim::DeviceConfig c;
        c.name = "Bench " + std::to_string(i + 1);
        plan.emplace_back(hosts[i], c);
    }
    net.Start(plan);
}

void RangeScan256(benchmark::State& state) {
    TempFolder folder;
    SimNetwork devices;
    StartDevices(devices, {"127.0.1.3", "127.0.1.50", "127.0.1.100", "127.0.1.200", "127.0.1.250"});
    std::vector<std::string> addresses;
    for (int k = 0; k < 256; ++k) addresses.push_back("127.0.1." + std::to_string(k));
    zef::RecordingDialogs dialogs;
    zef::LinkState link;
    zef::QtTransport transport(zef::SerialPortMap::RegisteredOnly());
    zef::LinkSettings settings;
    settings.devicePort = devices.port();
    settings.configFolder = folder.path().string();
    int found = 0;
    for (auto _ : state) {
        auto model = std::make_unique<zef::Model>();
        zef::DeviceExchange exchange(*model, link, transport, settings);
        zef::DeviceList list(*model);
        zef::DeviceSearch search(list, exchange, dialogs, zef::SearchSettings{.loopbackIsNetwork = true});
        search.Open();
        search.StartTcpAddresses(addresses);
        search.WaitUntilDone(20000);
        found = search.Close().added;
    }
    state.counters["devices_found"] = found;
}
BENCHMARK(RangeScan256)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void DumpOneDevice(benchmark::State& state) {
    TempFolder folder;
    SimNetwork devices;
    StartDevices(devices, {"127.0.0.2"});
    zefctl::Options options;
    options.port = devices.port();
    options.config = folder.path().string();
    const std::string file = folder.file("dump.prp");
    for (auto _ : state) {
        auto session = std::make_unique<zefctl::Session>(options);
        session->Connect("127.0.0.2");
        if (!zef::SaveProject(file, session->model)) state.SkipWithError("cannot write the project");
        session->Close();
    }
}
BENCHMARK(DumpOneDevice)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace

int main(int argc, char** argv) { return zefbench::RunWithEventLoop(argc, argv); }
