// Speed of the FIR import window (offscreen):
//   load_fir_views  a 384-tap FIR text file through to the drawn views: the
//                   file read and parsed, the coefficients quantised, the
//                   16384-point response, the four phase series and the
//                   group delay, then the plot drawn into a 720 x 400 image
//                   in each of the three views ("Mag", "Phase", "Group
//                   Delay"). Counters: the median of the whole, and the
//                   medians of its parts measured in the same iterations:
//                   the load (read, parse, response, series), the device
//                   image, and drawing the three views (the baseline the
//                   whole is compared with).

#include <benchmark/benchmark.h>

#include <QImage>
#include <QRadioButton>
#include <chrono>
#include <string>
#include <vector>

#include "app/editor_session.h"
#include "bench_util.h"
#include "widgets_main.h"
#include "device/fir_store.h"
#include "dsp/demo_fir.h"
#include "measure/fir_design_io.h"
#include "recording_dialogs.h"
#include "temp_folder.h"
#include "ui/fir_import_window.h"
#include "ui/fir_plot.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void LoadFirViews(benchmark::State& state) {
    zef::test::TempFolder folder;
    zef::RecordingDialogs dialogs;
    zef::EditorSession session(zef::EditorOptions{}, folder.path().string(), dialogs);
    session.Start();
    session.model().entry(1).inList = true;
    const std::string path = folder.path().string() + "/bandpass.txt";
    const std::vector<double> coefficients = zef::dsp::BandPassFir(384, 150.0, 9000.0);
    zef::measure::WriteDesignedFirFile(path, coefficients);
    int filterIndex = 0;
    zef::FirImportWindow window(zef::EditorContextOf(session, 1), zef::EditorToolsOf(session), 0,
                                filterIndex);
    zef::FirPlot& plot = *window.plot();
    plot.resize(720, 400);
    QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
    const zef::fir::FirView views[] = {zef::fir::FirView::Magnitude, zef::fir::FirView::Phase,
                                       zef::fir::FirView::GroupDelay};
    std::vector<double> totals, loads, quantises, draws;
    for (auto _ : state) {
        const auto start = Clock::now();
        // The window's load: read, parse, response, phase series, group delay.
        if (!window.LoadFile(path)) {
            state.SkipWithError("the FIR file did not load");
            break;
        }
        const double load = Since(start);
        const auto quantiseStart = Clock::now();
        const zef::fir::StoredFir quantised = zef::fir::MakeStoredFir("bandpass", coefficients);
        benchmark::DoNotOptimize(quantised.image.data());
        const double quantise = Since(quantiseStart);
        const auto drawStart = Clock::now();
        for (zef::fir::FirView v : views) {
            window.viewOption(v)->setChecked(true);
            window.UpdatePlot();
            plot.render(&image);
        }
        const double draw = Since(drawStart);
        const double total = Since(start);
        state.SetIterationTime(total);
        totals.push_back(total);
        loads.push_back(load);
        quantises.push_back(quantise);
        draws.push_back(draw);
    }
    const double draw = zefbench::Median(draws);
    state.counters["median_ms"] = zefbench::Median(totals) * 1e3;
    state.counters["load_ms"] = zefbench::Median(loads) * 1e3;
    state.counters["quantise_ms"] = zefbench::Median(quantises) * 1e3;
    state.counters["draw3_ms"] = draw * 1e3;
    state.counters["total_per_draw3"] = draw > 0 ? zefbench::Median(totals) / draw : 0;
}
BENCHMARK(LoadFirViews)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return zefbench::RunWidgetBenchmarks(argc, argv); }
