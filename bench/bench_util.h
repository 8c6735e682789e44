#pragma once
// Helpers of the benchmark programs that run the link, the search or the
// firmware loader against the in-process simulator.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <vector>

namespace zefbench {

// The median of `v`; 0 for none.
inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t mid = v.size() / 2;
    return v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

// Runs `step` once per iteration of `state` and reports each run's wall time
// as the iteration time (for UseManualTime). A step that returns false ends
// the benchmark with `error`. Returns the seconds of each successful run.
template <typename Step>
std::vector<double> TimedRuns(benchmark::State& state, const char* error, Step step) {
    std::vector<double> seconds;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!step()) {
            state.SkipWithError(error);
            break;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        seconds.push_back(took.count());
    }
    return seconds;
}

// main() of a benchmark program whose code waits in local event loops: one
// QCoreApplication around the whole run.
inline int RunWithEventLoop(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace zefbench
