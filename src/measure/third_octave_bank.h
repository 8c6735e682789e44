#pragma once
// The third-octave filter bank with octave decimation, and the band levels.
//
// The signal is halved in rate once per octave by the half-band low-pass of
// third_octave.h; each band runs at the lowest rate where its centre is at
// most 0.215 of the rate (at 48000 Hz: 6.3 kHz..20 kHz at 48000 Hz, 3.15..5
// kHz at 24000 Hz, and so on to 25..40 Hz at 187.5 Hz). The whole bank costs
// about 60 biquads per input sample.
//
// Levels are the band's mean square, averaged as chosen (BandAveraging),
// in dB relative to a full-scale sine: a sine of peak 1.0 at a band's centre
// reads 0.0 dB in that band. Silence reads kAnalyserFloorDb.
//
// Process() allocates nothing and never waits; one thread at a time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "measure/analyser.h"
#include "measure/third_octave.h"

namespace zef::measure {

inline constexpr double kAnalyserFloorDb = -150.0;
inline constexpr double kFastSeconds = 0.125;
inline constexpr double kSlowSeconds = 1.0;
// The lowest sample rate the 20 kHz band fits below the Nyquist frequency of.
inline constexpr double kAnalyserMinRate = 46000.0;

class ThirdOctaveAnalyser {
public:
    // A bank for `sampleRate`, averaging Fast, silent. Throws
    // std::invalid_argument below kAnalyserMinRate.
    explicit ThirdOctaveAnalyser(double sampleRate = 48000.0);

    double sampleRate() const { return rate_; }

    // Changes the averaging; choosing Long starts its mean afresh. The
    // exponential averages keep running across a change.
    void SetAveraging(BandAveraging mode);
    BandAveraging averaging() const { return mode_; }

    // Back to silence: filters, decimators and averages.
    void Reset();

    void Process(std::span<const float> samples);
    void Process(std::span<const double> samples);

    BandSpectrum LevelsDb() const;

    // The rate band `band` runs at, for tests and the bench.
    double BandRate(std::size_t band) const;

private:
    struct SectionState {
        double s1 = 0.0;
        double s2 = 0.0;
    };
    struct Band {
        BandPass filter;
        std::array<SectionState, kMaxBandSections> state{};
        std::size_t level = 0;
        double fast = 0.0;  // smoothing factors per sample at the band's rate
        double slow = 0.0;
        double meanSquare = 0.0;  // the exponential average
        double sum = 0.0;         // the long mean's sum and count
        std::uint64_t count = 0;
    };
    struct Level {
        double rate = 0.0;
        std::vector<std::size_t> bands;
        std::vector<double> work;  // decimator history (taps - 1), then this chunk's samples
        std::size_t length = 0;    // samples of this chunk in `work` after the history
        bool odd = false;          // the next input sample is an odd one (no output)
    };

    template <typename T>
    void ProcessAny(std::span<const T> samples);
    void ProcessChunk(std::size_t length);
    void RunBand(Band& band, const double* x, std::size_t n);
    void Decimate(Level& from, Level& to);

    double rate_;
    BandAveraging mode_ = BandAveraging::Fast;
    std::array<Band, kThirdOctaveBands> bands_{};
    std::vector<Level> levels_;
    std::vector<double> taps_;
    std::vector<std::size_t> nonZeroTaps_;
};

// The long-mean band levels of a whole recording at `sampleRate` (at least
// kAnalyserMinRate, else std::invalid_argument).
BandSpectrum AnalyseRecording(std::span<const double> samples, double sampleRate);

}  // namespace zef::measure
