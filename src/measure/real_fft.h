#pragma once
// One real-to-complex transform length with its two FFTW plans (double
// precision) over buffers it owns.
//
// Threads: FFTW's planner is shared by the whole process and is not
// thread-safe, so a RealFft is made and destroyed on the thread that plans
// every other transform (the control thread). Forward() and Inverse() only
// execute plans and may run on any one thread at a time, e.g. a worker.

#include <fftw3.h>

#include <complex>
#include <cstddef>
#include <memory>
#include <span>

namespace zef::measure {

// The smallest n >= minimum whose only prime factors are 2, 3, 5 and 7: the
// lengths FFTW transforms fastest. minimum 0 gives 1.
std::size_t GoodFftSize(std::size_t minimum);

class RealFft {
public:
    // Plans a transform of `length` points (at least 2) with FFTW_ESTIMATE.
    // Throws std::bad_alloc when FFTW cannot allocate or plan.
    explicit RealFft(std::size_t length);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    std::size_t size() const { return length_; }
    std::size_t bins() const { return length_ / 2 + 1; }

    // The time-domain buffer (size() samples) and the spectrum (bins()).
    std::span<double> time() { return {time_, length_}; }
    std::span<std::complex<double>> spectrum() {
        return {reinterpret_cast<std::complex<double>*>(spectrum_), bins()};
    }

    // time() -> spectrum(); time() is left unchanged.
    void Forward();
    // spectrum() -> time(), unnormalised (the result is size() times the
    // signal); spectrum() is overwritten.
    void Inverse();

    // Copies `samples` (at most size()) to time() and zero-fills the rest.
    void Load(std::span<const double> samples);
    void Load(std::span<const float> samples);

private:
    void Release();

    std::size_t length_;
    double* time_ = nullptr;
    fftw_complex* spectrum_ = nullptr;
    fftw_plan forward_ = nullptr;
    fftw_plan inverse_ = nullptr;
};

}  // namespace zef::measure
