#include "convolver.h"

#include "base/check.h"

#include <fftw3.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace zefsim {
namespace {

constexpr std::size_t kHead = 64;
constexpr std::size_t kLargestPartition = 16384;

std::size_t NextPowerOfTwo(std::size_t n) {
    std::size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

}  // namespace

void MakeFftPlanningThreadSafe() {
    static std::once_flag once;
    std::call_once(once, [] { fftw_make_planner_thread_safe(); });
}

struct Convolver::Level {
    Level(std::size_t partition, std::size_t first, std::size_t count)
        : P(partition), start(first), parts(count), stride(partition + 2) {
        chunk = fftw_alloc_real(2 * P);
        output = fftw_alloc_real(2 * P);
        spectra = fftw_alloc_complex(parts * stride);
        fdl = fftw_alloc_complex(parts * stride);
        sum = fftw_alloc_complex(stride);
        std::fill_n(chunk, 2 * P, 0.0);
        forward = fftw_plan_dft_r2c_1d(static_cast<int>(2 * P), chunk, fdl, FFTW_ESTIMATE);
        inverse = fftw_plan_dft_c2r_1d(static_cast<int>(2 * P), sum, output, FFTW_ESTIMATE);
    }
    ~Level() {
        fftw_destroy_plan(forward);
        fftw_destroy_plan(inverse);
        fftw_free(chunk);
        fftw_free(output);
        fftw_free(spectra);
        fftw_free(fdl);
        fftw_free(sum);
    }
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

    fftw_complex* slot(fftw_complex* base, std::size_t i) const { return base + i * stride; }

    // Transforms partition j of the response (taps start + jP ..) into its spectrum.
    void setPartition(std::size_t j, std::span<const double> response) {
        const std::size_t from = start + j * P;
        const std::size_t to = std::min(response.size(), from + P);
        std::fill_n(chunk, 2 * P, 0.0);
        std::copy(response.begin() + static_cast<std::ptrdiff_t>(from),
                  response.begin() + static_cast<std::ptrdiff_t>(to), chunk);
        fftw_execute_dft_r2c(forward, chunk, slot(spectra, j));
        std::fill_n(chunk, 2 * P, 0.0);
    }

    void reset() {
        fill = 0;
        index = 0;
        std::fill_n(chunk, 2 * P, 0.0);
        std::memset(fdl, 0, sizeof(fftw_complex) * parts * stride);
    }

    // The chunk just completed: adds its contributions (and those of the earlier chunks still
    // in the delay line) to the outputs from index * P + start on.
    void complete(std::vector<double>& future, std::size_t mask) {
        const std::size_t k = index % parts;
        fftw_execute_dft_r2c(forward, chunk, slot(fdl, k));
        std::memset(sum, 0, sizeof(fftw_complex) * stride);
        for (std::size_t j = 0; j < parts && j <= index; ++j) {
            const fftw_complex* x = slot(fdl, (k + parts - j) % parts);
            const fftw_complex* h = slot(spectra, j);
            for (std::size_t b = 0; b <= P; ++b) {
                sum[b][0] += x[b][0] * h[b][0] - x[b][1] * h[b][1];
                sum[b][1] += x[b][0] * h[b][1] + x[b][1] * h[b][0];
            }
        }
        fftw_execute_dft_c2r(inverse, sum, output);
        const double scale = 1.0 / static_cast<double>(2 * P);
        const std::size_t at = index * P + start;
        for (std::size_t i = 0; i + 1 < 2 * P; ++i) future[(at + i) & mask] += output[i] * scale;
        fill = 0;
        ++index;
    }

    const std::size_t P, start, parts, stride;
    std::size_t fill = 0;   // samples in the current chunk
    std::size_t index = 0;  // number of the current chunk
    double* chunk;          // P samples, then P zeros
    double* output;
    fftw_complex* spectra;  // partitions of the response
    fftw_complex* fdl;      // spectra of the last `parts` chunks
    fftw_complex* sum;
    fftw_plan forward, inverse;
};

Convolver::Convolver(std::span<const double> response) : length_(response.size()) {
    MakeFftPlanningThreadSafe();
    head_.assign(kHead, 0.0);
    for (std::size_t m = 0; m < kHead && m < response.size(); ++m) head_[kHead - 1 - m] = response[m];
    history_.assign(2 * kHead, 0.0);

    std::size_t span = kHead;
    for (std::size_t P = kHead, begin = kHead; begin < response.size(); P *= 4) {
        const std::size_t end =
            P == kLargestPartition ? response.size() : std::min(response.size(), 4 * begin);
        const std::size_t parts = (end - begin + P - 1) / P;
        auto level = std::make_unique<Level>(P, begin, parts);
        for (std::size_t j = 0; j < parts; ++j) level->setPartition(j, response);
        span = std::max(span, begin + 2 * P);
        levels_.push_back(std::move(level));
        begin = end;
    }
    future_.assign(NextPowerOfTwo(span + kHead), 0.0);
    reset();
}

Convolver::~Convolver() = default;

void Convolver::reset() {
    std::fill(history_.begin(), history_.end(), 0.0);
    std::fill(future_.begin(), future_.end(), 0.0);
    for (auto& level : levels_) level->reset();
    time_ = 0;
}

void Convolver::process(std::span<const double> in, std::span<double> out) {
    if (!ZEF_CHECK(in.size() == out.size())) return;
    std::size_t done = 0;
    while (done < in.size()) {
        std::size_t run = std::min(in.size() - done, kHead);
        for (const auto& level : levels_) run = std::min(run, level->P - level->fill);
        processRun(in.data() + done, out.data() + done, run);
        done += run;
    }
}

void Convolver::processRun(const double* in, double* out, std::size_t n) {
    const std::size_t mask = future_.size() - 1;
    double* x = history_.data();  // x[kHead - 1 + i] is input i of this run
    std::copy_n(in, n, x + kHead - 1);
    for (const auto& level : levels_) std::copy_n(in, n, level->chunk + level->fill);

    double y[kHead] = {};
    for (std::size_t m = 0; m < kHead; ++m) {
        const double h = head_[m];
        for (std::size_t i = 0; i < n; ++i) y[i] += h * x[i + m];
    }
    for (std::size_t i = 0; i < n; ++i) {
        double& pending = future_[(time_ + i) & mask];
        out[i] = y[i] + pending;
        pending = 0.0;
    }
    std::copy(x + n, x + n + kHead - 1, x);
    time_ += n;
    for (const auto& level : levels_) {
        level->fill += n;
        if (level->fill == level->P) level->complete(future_, mask);
    }
}

}  // namespace zefsim
