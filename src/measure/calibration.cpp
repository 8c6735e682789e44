#include "measure/calibration.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "measure/fir_design_fft.h"
#include "measure/real_fft.h"
#include "measure/third_octave.h"

namespace zef::measure {
namespace {

// Points per band for the average: the curves are smooth at this scale.
constexpr int kPointsPerBand = 32;
// The correction's transform length at least: 0.73 Hz per bin at 48 kHz.
constexpr std::size_t kMinCorrectionFft = 1 << 16;

// A phase correction needs a phase for every part of the chain.
bool CarriesPhase(const Calibration& c) {
    return (c.microphone.empty() || c.microphone.hasPhase) && (c.card.empty() || c.card.hasPhase);
}

}  // namespace

BandSpectrum BandAveragesDb(const std::function<double(double hz)>& dbAt) {
    BandSpectrum averages{};
    for (std::size_t b = 0; b < kAnalyserBandCount; ++b) {
        const double centre = BandCentreHz(b);
        double power = 0;
        for (int i = 0; i < kPointsPerBand; ++i) {
            // Midpoints of equal log steps from the lower edge to the upper.
            const double at = (i + 0.5) / kPointsPerBand - 0.5;  // -0.5..0.5 of the band's width
            power += std::pow(10.0, dbAt(centre * std::pow(10.0, at / 10.0)) / 10.0);
        }
        averages[b] = 10.0 * std::log10(power / kPointsPerBand);
    }
    return averages;
}

BandSpectrum BandAveragesDb(const FrequencyCurve& curve) {
    return BandAveragesDb([&curve](double hz) { return curve.DbAt(hz); });
}

BandSpectrum BandCorrectionsDb(const Calibration& calibration) {
    BandSpectrum corrections{};
    if (calibration.empty()) return corrections;
    corrections = BandAveragesDb([&calibration](double hz) { return calibration.DbAt(hz); });
    for (double& c : corrections) c = -c;
    return corrections;
}

void CorrectImpulseResponse(std::span<double> response, const Calibration& calibration, double rate) {
    if (calibration.empty() || response.empty()) return;
    // Twice the length (and enough bins for the cepstrum's resolution), so
    // that the correction's own decay does not wrap onto the response.
    DesignFft fft(static_cast<int>(GoodFftSize(std::max<std::size_t>(2 * response.size(), kMinCorrectionFft))));
    const std::size_t bins = static_cast<std::size_t>(fft.bins());
    const double binHz = rate / fft.length();
    // Bin 0 takes the lowest frequency's figure, as the curves hold their ends.
    const auto hzOf = [&](std::size_t k) { return std::max(static_cast<double>(k), 0.5) * binHz; };
    Spectrum correction(bins);
    if (CarriesPhase(calibration)) {
        for (std::size_t k = 0; k < bins; ++k)
            correction[k] = std::polar(std::pow(10.0, -calibration.DbAt(hzOf(k)) / 20.0),
                                       -calibration.PhaseDegAt(hzOf(k)) * std::numbers::pi / 180.0);
    } else {
        std::vector<double> logMagnitude(bins);
        for (std::size_t k = 0; k < bins; ++k) logMagnitude[k] = -calibration.DbAt(hzOf(k)) * std::numbers::ln10 / 20.0;
        correction = MinimumPhaseSpectrum(logMagnitude, fft);
    }
    Spectrum spectrum = fft.Forward(std::span<const double>(response.data(), response.size()));
    for (std::size_t k = 0; k < bins; ++k) spectrum[k] *= correction[k];
    const std::vector<double> corrected = fft.Inverse(spectrum);
    std::copy_n(corrected.begin(), response.size(), response.begin());
}

CalibratedAnalyser::CalibratedAnalyser(RealTimeAnalyser& inner, const Calibration& calibration)
    : inner_(inner), corrections_(BandCorrectionsDb(calibration)) {}

void CalibratedAnalyser::SetSpectrumHandler(SpectrumHandler handler) {
    if (!handler) return inner_.SetSpectrumHandler({});
    inner_.SetSpectrumHandler([this, handler = std::move(handler)](const BandSpectrum& levels) {
        BandSpectrum corrected = levels;
        for (std::size_t b = 0; b < corrected.size(); ++b) corrected[b] += corrections_[b];
        ++delivered_;
        handler(corrected);
    });
}

}  // namespace zef::measure
