#pragma once
// A card whose input runs on its own clock: what the output clock renders is
// sampled again at a rate `ppm` parts per million higher (lower, when
// negative), by cubic (Catmull-Rom) interpolation between the rendered frames.
#include <cstddef>
#include <vector>

namespace zefsim {

class ClockDrift {
public:
    explicit ClockDrift(double ppm) : step_(1.0 / (1.0 + ppm * 1e-6)) {}

    void reset();
    // Takes `frames` frames of two channels at the output clock and appends
    // the frames the input clock samples meanwhile to `outA`, `outB`.
    void process(const double* a, const double* b, std::size_t frames, std::vector<double>& outA,
                 std::vector<double>& outB);

private:
    double step_;               // output-clock frames per input-clock frame
    std::vector<double> a_, b_;  // the frames not yet passed, from the one before the position
    double position_ = 1.0;     // of the next input frame, in a_ / b_
};

}  // namespace zefsim
