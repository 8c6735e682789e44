#include "measure/third_octave_bank.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zef::measure {
namespace {

// Input samples per chunk at the full rate.
constexpr std::size_t kChunk = 512;
// A band runs at the lowest rate where its centre is at most this fraction of it.
constexpr double kMaxCentreRatio = 0.215;
// Added to the input and to each squared output so that silence never
// decays into denormal numbers (-400 dB and -300 dB: far below the floor).
constexpr double kInputOffset = 1e-20;
constexpr double kPowerOffset = 1e-30;
// Mean square of a full-scale sine.
constexpr double kFullScaleSine = 0.5;

double Smoothing(double seconds, double rate) { return -std::expm1(-1.0 / (seconds * rate)); }

}  // namespace

ThirdOctaveAnalyser::ThirdOctaveAnalyser(double sampleRate) : rate_(sampleRate), taps_(DesignHalfBand()) {
    if (!(sampleRate >= kAnalyserMinRate))
        throw std::invalid_argument("the analyser needs a sample rate of at least 46000 Hz");
    for (std::size_t t = 0; t < taps_.size(); ++t)
        if (taps_[t] != 0.0) nonZeroTaps_.push_back(t);

    std::size_t levelCount = 1;
    for (std::size_t b = 0; b < kThirdOctaveBands; ++b) {
        const double fm = BandCentreHz(b);
        std::size_t level = 0;
        while (fm / (rate_ / std::exp2(static_cast<double>(level + 1))) <= kMaxCentreRatio) ++level;
        bands_[b].level = level;
        levelCount = std::max(levelCount, level + 1);
    }
    levels_.resize(levelCount);
    for (std::size_t k = 0; k < levelCount; ++k) {
        Level& level = levels_[k];
        level.rate = rate_ / std::exp2(static_cast<double>(k));
        level.work.assign(taps_.size() - 1 + (kChunk >> k) + 1, 0.0);
    }
    for (std::size_t b = 0; b < kThirdOctaveBands; ++b) {
        Band& band = bands_[b];
        const double rate = levels_[band.level].rate;
        band.filter = DesignBandPass(BandCentreHz(b), rate);
        band.fast = Smoothing(kFastSeconds, rate);
        band.slow = Smoothing(kSlowSeconds, rate);
        levels_[band.level].bands.push_back(b);
    }
}

double ThirdOctaveAnalyser::BandRate(std::size_t band) const { return levels_[bands_[band].level].rate; }

void ThirdOctaveAnalyser::SetAveraging(BandAveraging mode) {
    mode_ = mode;
    if (mode == BandAveraging::Long) {
        for (Band& b : bands_) {
            b.sum = 0.0;
            b.count = 0;
        }
    }
}

void ThirdOctaveAnalyser::Reset() {
    for (Band& b : bands_) {
        b.state.fill({});
        b.meanSquare = b.sum = 0.0;
        b.count = 0;
    }
    for (Level& level : levels_) {
        std::fill(level.work.begin(), level.work.end(), 0.0);
        level.length = 0;
        level.odd = false;
    }
}

void ThirdOctaveAnalyser::Process(std::span<const float> samples) { ProcessAny(samples); }
void ThirdOctaveAnalyser::Process(std::span<const double> samples) { ProcessAny(samples); }

template <typename T>
void ThirdOctaveAnalyser::ProcessAny(std::span<const T> samples) {
    const std::size_t history = taps_.size() - 1;
    while (!samples.empty()) {
        const std::size_t n = std::min(samples.size(), kChunk);
        double* in = levels_[0].work.data() + history;
        for (std::size_t i = 0; i < n; ++i) in[i] = static_cast<double>(samples[i]) + kInputOffset;
        levels_[0].length = n;
        ProcessChunk(n);
        samples = samples.subspan(n);
    }
}

void ThirdOctaveAnalyser::ProcessChunk(std::size_t) {
    const std::size_t history = taps_.size() - 1;
    for (std::size_t k = 0; k < levels_.size(); ++k) {
        Level& level = levels_[k];
        const double* x = level.work.data() + history;
        for (std::size_t b : level.bands) RunBand(bands_[b], x, level.length);
        if (k + 1 < levels_.size()) Decimate(level, levels_[k + 1]);
        // Keep the last samples as the next chunk's decimator history.
        std::copy(level.work.begin() + static_cast<std::ptrdiff_t>(level.length),
                  level.work.begin() + static_cast<std::ptrdiff_t>(level.length + history),
                  level.work.begin());
    }
}

void ThirdOctaveAnalyser::RunBand(Band& band, const double* x, std::size_t n) {
    const double smoothing = mode_ == BandAveraging::Slow ? band.slow : band.fast;
    const std::size_t sections = band.filter.count;
    double meanSquare = band.meanSquare;
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        double v = x[i];
        for (std::size_t s = 0; s < sections; ++s) {
            const Biquad& c = band.filter.sections[s];
            SectionState& st = band.state[s];
            const double y = c.b0 * v + st.s1;
            st.s1 = c.b1 * v - c.a1 * y + st.s2;
            st.s2 = c.b2 * v - c.a2 * y;
            v = y;
        }
        const double power = v * v + kPowerOffset;
        meanSquare += smoothing * (power - meanSquare);
        sum += power;
    }
    band.meanSquare = meanSquare;
    band.sum += sum;
    band.count += n;
}

void ThirdOctaveAnalyser::Decimate(Level& from, Level& to) {
    const std::size_t history = taps_.size() - 1;
    double* out = to.work.data() + history;
    std::size_t produced = 0;
    // Input sample i of this chunk is work[history + i]; the output for it
    // (every second input) is the filter over work[i .. i + history].
    for (std::size_t i = 0; i < from.length; ++i) {
        if (!from.odd) {
            const double* w = from.work.data() + i;
            double y = 0.0;
            for (std::size_t t : nonZeroTaps_) y += taps_[t] * w[t];
            out[produced++] = y;
        }
        from.odd = !from.odd;
    }
    to.length = produced;
}

BandSpectrum ThirdOctaveAnalyser::LevelsDb() const {
    BandSpectrum levels{};
    for (std::size_t b = 0; b < kThirdOctaveBands; ++b) {
        const Band& band = bands_[b];
        double meanSquare = band.meanSquare;
        if (mode_ == BandAveraging::Long)
            meanSquare = band.count ? band.sum / static_cast<double>(band.count) : 0.0;
        const double db =
            meanSquare > 0.0 ? 10.0 * std::log10(meanSquare / kFullScaleSine) : kAnalyserFloorDb;
        levels[b] = std::max(db, kAnalyserFloorDb);
    }
    return levels;
}

BandSpectrum AnalyseRecording(std::span<const double> samples, double sampleRate) {
    ThirdOctaveAnalyser analyser(sampleRate);
    analyser.SetAveraging(BandAveraging::Long);
    analyser.Process(samples);
    return analyser.LevelsDb();
}

}  // namespace zef::measure
