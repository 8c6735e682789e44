// Response computation speed: the straightforward evaluation (one sine and two
// logarithms per point, every band of a group re-added per point, a fresh FFT
// plan per FIR) against the library's path (per-grid tables, one vectorised
// logarithm per point, block sums, a reused real-to-complex plan).
//
//   band edit     one band's coefficients, 6827 points, its group sum
//   whole device  84 bands, 4 crossovers, 5 group sums
//   FIR response  16384-point transform of 384 taps, 6827 magnitudes and phases, the output sum

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dsp/curves.h"
#include "dsp/fir.h"
#include "dsp/responses.h"
#include "model/memory_map.h"

namespace {

using namespace zef;
using namespace zef::dsp;

constexpr DeviceSlot kSlot = 1;

// Every band in use with a distinct setting; a 384-tap FIR on each output.
void FillDevice(DeviceModel& d) {
    for (int band = 0; band < kBands; ++band) {
        const auto i = static_cast<std::size_t>(band);
        d.values.bandType[i] = static_cast<std::int16_t>(band % 6);
        d.values.bandFrequency[i] = std::round(25.0 * std::pow(1.085, band));
        d.values.bandQ[i] = 0.7 + 0.1 * (band % 20);
        d.values.bandGain[i] = (band % 2 ? -1 : 1) * (1.0 + 0.5 * (band % 25));
    }
    d.values.crossoverSlope = {2, 7, 6, 8};
    d.values.crossoverFrequency = {60, 16000, 90, 12000};
    for (int o = 0; o < 2; ++o) {
        for (std::size_t t = 0; t < kFirTapCount; ++t) {
            const double x = (static_cast<double>(t) - 191.5) / 40.0;
            d.firTaps[static_cast<std::size_t>(o)][t] =
                CoefficientToTap(0.2 * std::exp(-x * x) * std::cos(x));
        }
    }
}

// The straightforward path keeps its own arrays.
struct PlainArrays {
    std::vector<Curve> bands = std::vector<Curve>(kBands);
    std::vector<Curve> crossovers = std::vector<Curve>(kCrossovers);
    std::vector<Curve> fir = std::vector<Curve>(kFirOutputs);
    std::vector<Curve> firPhase = std::vector<Curve>(kFirOutputs);
    std::vector<Curve> groups = std::vector<Curve>(kGroups);
};

// The group sum as the rules read: for every point, start and add every member.
void PlainSumGroup(const DeviceModel& device, PlainArrays& a, int group) {
    const GroupSumPlan plan = PlanGroupSum(device, group);
    const int first = kGroupInfo[static_cast<std::size_t>(group)].firstBand;
    const int o = group - kGroupOutput1;
    Curve& out = a.groups[static_cast<std::size_t>(group)];
    for (std::size_t k = 0; k < kGridPoints; ++k) {
        double sum = 0.0;
        if (plan.crossovers) {
            sum = a.crossovers[static_cast<std::size_t>(2 * o)][k] +
                  a.crossovers[static_cast<std::size_t>(2 * o + 1)][k];
        }
        for (int b = first; b < first + plan.bandCount; ++b) sum += a.bands[static_cast<std::size_t>(b)][k];
        if (plan.fir) sum += a.fir[static_cast<std::size_t>(o)][k];
        out[k] = sum;
    }
}

void PlainBand(const DeviceModel& device, const GridTables& tables, PlainArrays& a, int band) {
    BandCurveDbReference(BandSettingOf(device.values, band), tables, a.bands[static_cast<std::size_t>(band)]);
}

void PlainFir(const DeviceModel& device, PlainArrays& a, int output) {
    const FirCoefficients c = TapCoefficients(device.firTaps[static_cast<std::size_t>(output)]);
    const int n = kTransformLength;
    auto* in = fftw_alloc_complex(static_cast<std::size_t>(n));
    auto* out = fftw_alloc_complex(static_cast<std::size_t>(n));
    fftw_plan plan = fftw_plan_dft_1d(n, in, out, FFTW_FORWARD, FFTW_ESTIMATE);
    for (int i = 0; i < n; ++i) {
        in[i][0] = i < static_cast<int>(c.size()) ? c[static_cast<std::size_t>(i)] : 0.0;
        in[i][1] = 0.0;
    }
    fftw_execute(plan);
    for (std::size_t k = 0; k < kGridPoints; ++k) {
        const std::complex<double> x(out[k][0], out[k][1]);
        a.fir[static_cast<std::size_t>(output)][k] = std::max(kFaultDb, 20 * std::log10(std::abs(x)));
        a.firPhase[static_cast<std::size_t>(output)][k] = std::arg(x) * kDegreesPerRadian;
    }
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
}

struct Fixture {
    Fixture() {
        FillDevice(device);
        device.preset[pi::kEqMode] = 0;  // 30-band mode: the largest band edit sum
        UpdateAllResponses(store, device, kSlot);
    }
    DeviceModel device;
    ResponseStore store;
    PlainArrays plain;
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

constexpr int kEditedBand = 20;  // an output 1 band

void BandEditStraightforward(benchmark::State& state) {
    Fixture& f = Shared();
    double gain = 1.0;
    for (auto _ : state) {
        f.device.values.bandGain[kEditedBand] = gain = -gain;
        PlainBand(f.device, f.store.tables(), f.plain, kEditedBand);
        PlainSumGroup(f.device, f.plain, GroupOfBand(kEditedBand));
        benchmark::ClobberMemory();
    }
}

void BandEditOptimised(benchmark::State& state) {
    Fixture& f = Shared();
    double gain = 1.0;
    for (auto _ : state) {
        f.device.values.bandGain[kEditedBand] = gain = -gain;
        benchmark::DoNotOptimize(UpdateBandResponse(f.store, f.device, kSlot, kEditedBand));
        benchmark::ClobberMemory();
    }
}

void WholeDeviceStraightforward(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        for (int band = 0; band < kBands; ++band) PlainBand(f.device, f.store.tables(), f.plain, band);
        for (int x = 0; x < kCrossovers; ++x) {
            CrossoverCurveDbReference(CrossoverSettingOf(f.device.values, x), f.store.tables(),
                                      f.plain.crossovers[static_cast<std::size_t>(x)]);
        }
        for (int g = 0; g < kGroups; ++g) PlainSumGroup(f.device, f.plain, g);
        benchmark::ClobberMemory();
    }
}

void WholeDeviceOptimised(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        UpdateAllResponses(f.store, f.device, kSlot);
        benchmark::ClobberMemory();
    }
}

void FirStraightforward(benchmark::State& state) {
    Fixture& f = Shared();
    f.device.preset[pi::kEqMode] = 1;
    for (auto _ : state) {
        PlainFir(f.device, f.plain, 0);
        PlainSumGroup(f.device, f.plain, kGroupOutput1);
        benchmark::ClobberMemory();
    }
    f.device.preset[pi::kEqMode] = 0;
}

void FirOptimised(benchmark::State& state) {
    Fixture& f = Shared();
    f.device.preset[pi::kEqMode] = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ComputeFirResponse(f.store, f.device, kSlot, 0));
        benchmark::ClobberMemory();
    }
    f.device.preset[pi::kEqMode] = 0;
}

BENCHMARK(BandEditStraightforward)->Unit(benchmark::kMicrosecond);
BENCHMARK(BandEditOptimised)->Unit(benchmark::kMicrosecond);
BENCHMARK(WholeDeviceStraightforward)->Unit(benchmark::kMicrosecond);
BENCHMARK(WholeDeviceOptimised)->Unit(benchmark::kMicrosecond);
BENCHMARK(FirStraightforward)->Unit(benchmark::kMicrosecond);
BENCHMARK(FirOptimised)->Unit(benchmark::kMicrosecond);

// Console output as usual, plus the CPU time per iteration of each benchmark
// for the summary (the median when run with repetitions). CPU time, because
// the machine is shared: wall time counts other processes' slices too.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                microseconds[name] = run.GetAdjustedCPUTime();
                medians.insert(name);
            } else if (run.run_type == Run::RT_Iteration && !medians.count(name)) {
                microseconds[name] = run.GetAdjustedCPUTime();  // the unit is set to microseconds
            }
        }
    }
    std::map<std::string, double> microseconds;
    std::set<std::string> medians;
};

void PrintSummary(const std::map<std::string, double>& us) {
    struct Row {
        const char* what;
        const char* plain;
        const char* fast;
        double goalUs;
    };
    const Row rows[] = {
        {"one band edit", "BandEditStraightforward", "BandEditOptimised", 50},
        {"whole device", "WholeDeviceStraightforward", "WholeDeviceOptimised", 3000},
        {"one FIR response", "FirStraightforward", "FirOptimised", 1000},
    };
    std::printf("\nCPU time per call\n%-18s %16s %12s %8s %10s\n", "", "straightforward", "optimised",
                "ratio", "goal");
    for (const Row& r : rows) {
        const auto p = us.find(r.plain);
        const auto o = us.find(r.fast);
        if (p == us.end() || o == us.end()) continue;
        std::printf("%-18s %13.1f us %9.1f us %7.1fx %7.0f us  %s\n", r.what, p->second, o->second,
                    p->second / o->second, r.goalUs, o->second < r.goalUs ? "met" : "MISSED");
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintSummary(reporter.microseconds);
    return 0;
}
