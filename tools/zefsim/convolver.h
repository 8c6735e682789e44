#pragma once
// Streaming convolution with a long impulse response and no added latency: output sample t is
// the exact linear convolution of the input up to t with the response.
//
// The response is cut in pieces of growing size: its first 64 taps are applied directly; the
// rest is split into levels of partitions of 64, 256, 1024, 4096 and 16384 taps, each level
// convolved by FFT (overlap-add with a frequency-domain delay line). A level of partition size
// P starts at tap P or later, so the contribution of a completed input chunk always lands in
// the future and can be computed the moment the chunk is complete.
//
// One object is used by one thread at a time. FFT plans are made in the constructor.

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace zefsim {

// Lets threads make FFT plans concurrently (the planner serialises itself from then on).
// Call it once before a second thread plans; every Convolver calls it too.
void MakeFftPlanningThreadSafe();

class Convolver {
public:
    explicit Convolver(std::span<const double> response);
    ~Convolver();
    Convolver(const Convolver&) = delete;
    Convolver& operator=(const Convolver&) = delete;

    std::size_t length() const { return length_; }

    // Forgets the input history (silence before the next sample).
    void reset();

    // Convolves the next in.size() input samples into `out` (same size; may alias `in`).
    void process(std::span<const double> in, std::span<double> out);

private:
    struct Level;
    void processRun(const double* in, double* out, std::size_t n);

    std::size_t length_ = 0;
    std::vector<double> head_;     // taps 0..63, reversed
    std::vector<double> history_;  // the last 63 inputs, then the current run
    std::vector<std::unique_ptr<Level>> levels_;
    std::vector<double> future_;  // ring of contributions to coming outputs
    std::size_t time_ = 0;        // index of the next input sample
};

}  // namespace zefsim
