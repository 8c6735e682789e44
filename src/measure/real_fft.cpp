#include "measure/real_fft.h"

#include <algorithm>
#include <new>

namespace zef::measure {

std::size_t GoodFftSize(std::size_t minimum) {
    for (std::size_t n = std::max<std::size_t>(minimum, 1);; ++n) {
        std::size_t rest = n;
        for (std::size_t p : {2, 3, 5, 7})
            while (rest % p == 0) rest /= p;
        if (rest == 1) return n;
    }
}

RealFft::RealFft(std::size_t length) : length_(std::max<std::size_t>(length, 2)) {
    time_ = fftw_alloc_real(length_);
    spectrum_ = fftw_alloc_complex(bins());
    if (time_ && spectrum_) {
        const int n = static_cast<int>(length_);
        // The inverse plan may destroy its input: it is only ever the spectrum.
        forward_ = fftw_plan_dft_r2c_1d(n, time_, spectrum_, FFTW_ESTIMATE);
        inverse_ = fftw_plan_dft_c2r_1d(n, spectrum_, time_, FFTW_ESTIMATE);
    }
    if (!forward_ || !inverse_) {
        Release();
        throw std::bad_alloc();
    }
    std::fill_n(time_, length_, 0.0);
}

RealFft::~RealFft() { Release(); }

void RealFft::Release() {
    if (inverse_) fftw_destroy_plan(inverse_);
    if (forward_) fftw_destroy_plan(forward_);
    fftw_free(spectrum_);
    fftw_free(time_);
    inverse_ = forward_ = nullptr;
    spectrum_ = nullptr;
    time_ = nullptr;
}

void RealFft::Forward() { fftw_execute(forward_); }

void RealFft::Inverse() { fftw_execute(inverse_); }

void RealFft::Load(std::span<const double> samples) {
    const std::size_t n = std::min(samples.size(), length_);
    std::copy_n(samples.begin(), n, time_);
    std::fill(time_ + n, time_ + length_, 0.0);
}

void RealFft::Load(std::span<const float> samples) {
    const std::size_t n = std::min(samples.size(), length_);
    std::copy_n(samples.begin(), n, time_);
    std::fill(time_ + n, time_ + length_, 0.0);
}

}  // namespace zef::measure
