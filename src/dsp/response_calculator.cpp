#include "dsp/response_calculator.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/grid.h"

namespace zef::dsp {

struct FftwResponseCalculator::Plan {
    explicit Plan(int n)
        : length(n),
          input(fftw_alloc_real(static_cast<std::size_t>(n))),
          output(fftw_alloc_complex(static_cast<std::size_t>(n / 2 + 1))),
          plan(fftw_plan_dft_r2c_1d(n, input, output, FFTW_ESTIMATE)) {}
    ~Plan() {
        if (plan) fftw_destroy_plan(plan);
        fftw_free(output);
        fftw_free(input);
    }
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;

    int length;
    double* input;
    fftw_complex* output;
    fftw_plan plan;
};

FftwResponseCalculator::FftwResponseCalculator() = default;
FftwResponseCalculator::~FftwResponseCalculator() = default;

Status FftwResponseCalculator::compute(std::span<const double> coefficients, int transformLength,
                                       double sampleRate) {
    magnitudeDb_.clear();
    phase_.clear();
    if (transformLength < 2 || coefficients.size() > static_cast<std::size_t>(transformLength) ||
        !(sampleRate > 0.0) || !std::isfinite(sampleRate)) {
        frequencies_.clear();
        return kFailed;
    }
    if (!plan_ || plan_->length != transformLength) {
        plan_.reset();
        plan_ = std::make_unique<Plan>(transformLength);
        if (!plan_->input || !plan_->output || !plan_->plan) {
            plan_.reset();
            frequencies_.clear();
            return kFailed;
        }
        frequencies_.clear();
    }

    double* in = plan_->input;
    std::copy(coefficients.begin(), coefficients.end(), in);
    std::fill(in + coefficients.size(), in + transformLength, 0.0);
    fftw_execute(plan_->plan);

    const std::size_t bins = static_cast<std::size_t>(transformLength / 2 + 1);
    magnitudeDb_.resize(bins);
    phase_.resize(bins);
    const double floorPower = std::pow(10.0, kFaultDb / 10.0);
    const fftw_complex* out = plan_->output;
    for (std::size_t k = 0; k < bins; ++k) {
        const double re = out[k][0];
        const double im = out[k][1];
        const double power = re * re + im * im;
        magnitudeDb_[k] = power > floorPower ? 10.0 * std::log10(power) : kFaultDb;
        phase_[k] = std::atan2(im, re);
        if (phase_[k] == -std::numbers::pi) phase_[k] = std::numbers::pi;
    }

    if (frequencies_.size() != bins || frequencyRate_ != sampleRate) {
        frequencies_.resize(bins);
        for (std::size_t k = 0; k < bins; ++k) {
            frequencies_[k] = static_cast<double>(k) * sampleRate / transformLength;
        }
        frequencyRate_ = sampleRate;
    }
    return kOk;
}

}  // namespace zef::dsp
