// Files and FIR import: how long a full project (32 devices) takes to encode
// and parse, a 384-line FIR text to parse, and the import analysis to run.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "dsp/response_calculator.h"
#include "dsp/fir_coefficients.h"
#include "files/fir_import.h"
#include "files/preset_file.h"
#include "files/project_file.h"

namespace {

std::unique_ptr<zef::Model> FullModel() {
    auto m = std::make_unique<zef::Model>();
    for (zef::DeviceSlot s = 1; s <= 32; ++s) {
        m->entry(s).inList = true;
        m->entry(s).name = "ZEF-4.260";
        m->entry(s).ip = "127.0.0." + std::to_string(s);
        m->entry(s).uniqueId = "00A1B2C3D4E5";
        m->device(s).preset[s] = static_cast<std::uint8_t>(s);
    }
    return m;
}

void BM_ProjectEncode32(benchmark::State& state) {
    const auto m = FullModel();
    for (auto _ : state) benchmark::DoNotOptimize(zef::EncodeProject(zef::CaptureProject(*m)));
}
BENCHMARK(BM_ProjectEncode32);

void BM_ProjectDecode32(benchmark::State& state) {
    const auto bytes = *zef::EncodeProject(zef::CaptureProject(*FullModel()));
    for (auto _ : state) benchmark::DoNotOptimize(zef::DecodeProject(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ProjectDecode32);

void BM_PresetDecode(benchmark::State& state) {
    const auto bytes = zef::EncodePresetFile(zef::DeviceModel{});
    for (auto _ : state) benchmark::DoNotOptimize(zef::DecodePresetFile(bytes));
}
BENCHMARK(BM_PresetDecode);

void BM_FirTextParse384(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 384; ++i) text += "-0.001234567890123\r\n";
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    for (auto _ : state) benchmark::DoNotOptimize(zef::fir::ParseFirFile("f.txt", bytes, false));
}
BENCHMARK(BM_FirTextParse384);

void BM_FirImportAnalysis(benchmark::State& state) {
    zef::dsp::FftwResponseCalculator calculator;
    const auto grid = zef::dsp::FrequencyGrid::Nominal();
    std::vector<double> c(384, 0.0);
    for (std::size_t i = 0; i < c.size(); ++i) c[i] = 1.0 / static_cast<double>(i + 1);
    for (auto _ : state) benchmark::DoNotOptimize(zef::fir::AnalyseFir(c, calculator, grid));
}
BENCHMARK(BM_FirImportAnalysis);

}  // namespace

BENCHMARK_MAIN();
