// Speed and memory of the channel editor (offscreen):
//   drag_step     one step of a band dragged on the graph: the band's response
//                 recomputed, its group re-summed, the curve copied into the
//                 graph, and the 800 x 300 graph painted into an image.
//                 Counters: median and p99 of the step (wall clock, and p99
//                 of the thread's processor time); the baseline is the
//                 median of the same graph repainted without a change.
//   open_editor   opening the editor on a device already read: every page
//                 built and filled, the responses computed, the first paint
//                 of the 1000 x 680 window; closing it again is not timed.
//   editors_32    32 simulated amplifiers on loopback, connected and read,
//                 an editor open on each in the main window: the process's
//                 resident memory before and after opening the editors.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/editor_session.h"
#include "bench_util.h"
#include "model/demo_program.h"
#include "model/device_model.h"
#include "recording_dialogs.h"
#include "sim_link.h"
#include "sim_network.h"
#include "temp_folder.h"
#include "ui/band_graph.h"
#include "ui/channel_editor.h"
#include "ui/main_window.h"
#include "ui/response_graph.h"
#include "widgets_main.h"

namespace {

using zef::test::TempFolder;

// Processor time of this thread, in seconds: a step's own work without the
// time the machine gave to other processes.
double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// Resident set size of this process in MB (VmRSS).
double ResidentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

// A session with device 1 listed and read (off-line: nothing is sent), running the
// two-way demonstration program.
struct OneDevice {
    OneDevice() : session(zef::EditorOptions{}, folder.path().string(), dialogs) {
        session.Start();
        zef::DeviceEntry& e = session.model().entry(1);
        e.inList = true;
        e.name = "Bench";
        zef::ApplyDemoProgram(session.model().device(1), zef::DemoProgram::MainSystem);
    }
    TempFolder folder;
    zef::RecordingDialogs dialogs;
    zef::EditorSession session;
};

void DragStep(benchmark::State& state) {
    OneDevice f;
    zef::ChannelEditorWindow editor(zef::EditorContextOf(f.session, 1), zef::EditorToolsOf(f.session));
    editor.statusTimer().stop();
    editor.SetPageChannel(0);
    zef::ResponseGraph& graph = *editor.graph();
    graph.resize(800, 300);
    QImage image(graph.size(), QImage::Format_ARGB32_Premultiplied);
    const QRect plot = graph.plotArea();
    // The baseline: the same graph repainted without a change.
    std::vector<double> steps, cpuSteps, repaints;
    for (int k = 0; k < 500; ++k) {
        const auto start = std::chrono::steady_clock::now();
        graph.render(&image);
        const std::chrono::duration<double> repaint = std::chrono::steady_clock::now() - start;
        repaints.push_back(repaint.count());
    }
    int i = 0;
    for (auto _ : state) {
        // Band 2 of input L swept back and forth across the plot.
        const double x = plot.width() * (0.2 + 0.6 * ((i % 100) / 99.0));
        const double y = plot.height() * (0.3 + 0.4 * ((i % 37) / 36.0));
        ++i;
        const double cpuStart = ThreadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        editor.bandGraph().BandDragged(2, x, y);
        graph.render(&image);
        const std::chrono::duration<double> step = std::chrono::steady_clock::now() - start;
        cpuSteps.push_back(ThreadCpuSeconds() - cpuStart);
        state.SetIterationTime(step.count());
        steps.push_back(step.count());
    }
    editor.bandGraph().BandReleased();
    const double median = zefbench::Median(steps);
    const double baseline = zefbench::Median(repaints);
    state.counters["median_ms"] = median * 1e3;
    state.counters["p99_ms"] = Percentile(steps, 0.99) * 1e3;
    state.counters["p99_cpu_ms"] = Percentile(cpuSteps, 0.99) * 1e3;
    state.counters["repaint_ms"] = baseline * 1e3;
    state.counters["step_per_repaint"] = baseline > 0 ? median / baseline : 0;
}
BENCHMARK(DragStep)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMillisecond);

void OpenEditor(benchmark::State& state) {
    OneDevice f;
    std::vector<double> opens;
    std::vector<double> builds;  // construction alone, the rest is layout and the first paint
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto editor = std::make_unique<zef::ChannelEditorWindow>(zef::EditorContextOf(f.session, 1),
                                                                   zef::EditorToolsOf(f.session));
        const auto built = std::chrono::steady_clock::now();
        editor->resize(1000, 680);
        QImage image(editor->size(), QImage::Format_ARGB32_Premultiplied);
        editor->render(&image);
        const auto now = std::chrono::steady_clock::now();
        const std::chrono::duration<double> took = now - start;
        state.SetIterationTime(took.count());
        opens.push_back(took.count());
        builds.push_back(std::chrono::duration<double>(built - start).count());
        editor.reset();
    }
    state.counters["median_ms"] = zefbench::Median(opens) * 1e3;
    state.counters["max_ms"] = Percentile(opens, 1.0) * 1e3;
    state.counters["build_ms"] = zefbench::Median(builds) * 1e3;
}
BENCHMARK(OpenEditor)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void Editors32(benchmark::State& state) {
    constexpr int kDevices = 32;
    for (auto _ : state) {
        TempFolder folder;
        zef::test::SimNetwork net;
        std::vector<std::pair<std::string, zefsim::DeviceConfig>> plan;
        for (int k = 1; k <= kDevices; ++k) {
            zefsim::DeviceConfig c;
            c.name = "Bench " + std::to_string(k);
            plan.emplace_back("127.0.1." + std::to_string(k), c);
        }
        net.Start(plan);
        zef::RecordingDialogs dialogs;
        zef::EditorOptions options;
        options.announcePort = 0;
        options.loopbackLan = true;
        options.devicePort = net.port();
        zef::EditorSession session(options, folder.path().string(), dialogs,
                                   zef::test::FastLinkSettings(folder.path().string()));
        if (!session.Start()) {
            state.SkipWithError("the session did not start");
            return;
        }
        zef::MainWindow main(session, zef::MainTimings{600000, 600000, 600000});
        main.resize(1280, 900);
        main.show();
        main.ShowDeviceList();
        for (int k = 1; k <= kDevices; ++k) {
            const auto slot = static_cast<zef::DeviceSlot>(k);
            zef::DeviceEntry& e = session.model().entry(slot);
            e = zef::ClearedEntry(slot);
            e.inList = true;
            e.interface = zef::kInterfaceTcp;
            e.ip = "127.0.1." + std::to_string(k);
            e.name = "ZEF-4.260";
            session.connection().ConnectDevice(slot, zef::ConnectMode::Read);
            if (!e.online) {
                state.SkipWithError("a simulated device did not come on-line");
                return;
            }
        }
        QApplication::processEvents();
        const double before = ResidentMb();
        for (int k = 1; k <= kDevices; ++k) {
            zef::ChannelEditorWindow& editor = main.ShowEditor(static_cast<zef::DeviceSlot>(k));
            editor.statusTimer().stop();  // no traffic: the figure is the editors' memory
            QApplication::processEvents();
        }
        const double after = ResidentMb();
        state.counters["rss_before_mb"] = before;
        state.counters["rss_after_mb"] = after;
        state.counters["per_editor_mb"] = (after - before) / kDevices;
    }
}
BENCHMARK(Editors32)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return zefbench::RunWidgetBenchmarks(argc, argv); }
