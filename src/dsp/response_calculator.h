#pragma once
// The response calculator: the spectrum of a set of FIR coefficients (or any
// impulse response), zero-padded to a transform length, as magnitude in dB
// and phase in radians per bin, with the bin frequencies. One object is made
// at start-up and reused; the real implementation runs FFTW in double
// precision and keeps its plan between calls of the same length.

#include <memory>
#include <span>
#include <vector>

#include "model/slots.h"

namespace zef::dsp {

class ResponseCalculator {
public:
    virtual ~ResponseCalculator() = default;

    // Transforms `coefficients` zero-padded to `transformLength` points taken
    // at `sampleRate`. kOk on success. kFailed, with every result array left
    // empty, when transformLength is below 2 or below coefficients.size(), or
    // when sampleRate is not positive.
    virtual Status compute(std::span<const double> coefficients, int transformLength, double sampleRate) = 0;

    // Results of the last successful compute, one entry per bin k = 0 ..
    // transformLength/2:
    // 20 log10 |X(k)| in dB, never below -200 dB (a zero bin reads -200).
    virtual std::span<const double> magnitudeDb() const = 0;
    // arg X(k) in radians, in (-pi, pi]; 0 for a zero bin.
    virtual std::span<const double> phase() const = 0;
    // k * sampleRate / transformLength in Hz.
    virtual std::span<const double> frequencies() const = 0;
};

// FFTW (double precision, real-to-complex). Use from one thread only: the
// FFTW planner is shared by the whole process.
class FftwResponseCalculator final : public ResponseCalculator {
public:
    FftwResponseCalculator();
    ~FftwResponseCalculator() override;
    FftwResponseCalculator(const FftwResponseCalculator&) = delete;
    FftwResponseCalculator& operator=(const FftwResponseCalculator&) = delete;

    Status compute(std::span<const double> coefficients, int transformLength, double sampleRate) override;
    std::span<const double> magnitudeDb() const override { return magnitudeDb_; }
    std::span<const double> phase() const override { return phase_; }
    std::span<const double> frequencies() const override { return frequencies_; }

private:
    struct Plan;
    std::unique_ptr<Plan> plan_;  // rebuilt only when the transform length changes
    std::vector<double> magnitudeDb_;
    std::vector<double> phase_;
    std::vector<double> frequencies_;
    double frequencyRate_ = 0.0;  // sample rate the frequency array was built for
};

}  // namespace zef::dsp
