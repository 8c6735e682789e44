#include "measure/fir_design.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "measure/smoothing.h"

namespace zef::measure {

namespace {

using Complex = std::complex<double>;

constexpr double kPi = std::numbers::pi;
constexpr double kSamplesPerMs = kFirDesignRate / 1000.0;
constexpr double kFadeInMs = 0.5;
constexpr double kTaperOctaves = 0.5;
constexpr double kFloorPower = 1e-12;  // -120 dB below the strongest bin
constexpr std::size_t kTargetSamples = 1024;
const double kNeperPerDb = std::log(10.0) / 20.0;

// Raised cosine from 0 to 1 as x goes from 0 to 1.
double Rise(double x) { return 0.5 * (1 - std::cos(kPi * std::clamp(x, 0.0, 1.0))); }

struct WindowedIr {
    std::vector<double> samples;
    int onset = 0;  // samples before the peak inside the window
};

WindowedIr WindowImpulse(std::span<const double> ir, double windowMs) {
    std::size_t peak = 0;
    for (std::size_t i = 1; i < ir.size(); ++i)
        if (std::fabs(ir[i]) > std::fabs(ir[peak])) peak = i;
    const int pre =
        std::min(static_cast<int>(peak), static_cast<int>(std::lround(kFadeInMs * kSamplesPerMs)));
    const std::size_t start = peak - static_cast<std::size_t>(pre);
    const int length = static_cast<int>(std::lround(windowMs * kSamplesPerMs));
    const int fadeOut = (length - pre) / 2;
    WindowedIr out;
    out.onset = pre;
    out.samples.resize(static_cast<std::size_t>(length));
    for (int n = 0; n < length; ++n) {
        const std::size_t at = start + static_cast<std::size_t>(n);
        double w = 1.0;
        if (n < pre) w = Rise((n + 0.5) / pre);
        if (n >= length - fadeOut) w = Rise((length - n - 0.5) / fadeOut);
        out.samples[static_cast<std::size_t>(n)] = at < ir.size() ? ir[at] * w : 0.0;
    }
    return out;
}

// 1 inside [fmin, fmax], falling with a raised cosine in log-frequency to 0
// half an octave below fmin and half an octave above fmax (or at 24 kHz).
double RangeWeight(double f, double fmin, double fmax) {
    if (f <= 0) return 0;
    if (f < fmin) return Rise(1 - std::log2(fmin / f) / kTaperOctaves);
    if (f > fmax) {
        const double top = std::min(fmax * std::exp2(kTaperOctaves), kFirDesignRate / 2);
        if (top <= fmax) return 0;
        return Rise(1 - std::log2(f / fmax) / std::log2(top / fmax));
    }
    return 1;
}

// Phase of each bin, unwrapped by accumulating the wrapped steps between neighbours.
std::vector<double> UnwrappedPhase(const std::vector<Complex>& x) {
    std::vector<double> phase(x.size());
    for (std::size_t k = 1; k < x.size(); ++k) phase[k] = phase[k - 1] + std::arg(x[k] * std::conj(x[k - 1]));
    if (!x.empty()) phase[0] = std::arg(x[0]);
    for (std::size_t k = 1; k < x.size(); ++k) phase[k] += phase[0];
    return phase;
}

// Position of the largest |x[i]| of a circular sequence, refined between
// samples by a parabola through it and its neighbours; positions in the last
// half count as negative.
double PeakPosition(const std::vector<double>& x) {
    const std::size_t n = x.size();
    std::size_t peak = 0;
    for (std::size_t i = 1; i < n; ++i)
        if (std::fabs(x[i]) > std::fabs(x[peak])) peak = i;
    const double left = std::fabs(x[(peak + n - 1) % n]);
    const double centre = std::fabs(x[peak]);
    const double right = std::fabs(x[(peak + 1) % n]);
    const double curve = left - 2 * centre + right;
    const double offset = curve < 0 ? 0.5 * (left - right) / curve : 0.0;
    const double position = static_cast<double>(peak) + std::clamp(offset, -0.5, 0.5);
    return position > static_cast<double>(n) / 2 ? position - static_cast<double>(n) : position;
}

std::vector<double> Convolve(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.empty() || b.empty()) return {};
    std::vector<double> out(a.size() + b.size() - 1, 0.0);
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j) out[i + j] += a[i] * b[j];
    return out;
}

// The windowed taps: nothing earlier than `preSpan` taps before the main tap,
// raised-cosine fades over the first half of the pre-response and the last
// half of the post-response.
void WindowTaps(std::vector<double>& taps, int mainTap, int preSpan) {
    const int n = static_cast<int>(taps.size());
    const int first = mainTap - preSpan;
    const int fadeIn = preSpan / 2;
    const int post = n - mainTap;
    const int fadeOut = post / 2;
    for (int i = 0; i < n; ++i) {
        double w = 1.0;
        if (i < first)
            w = 0;
        else if (i < first + fadeIn)
            w = Rise((i - first + 0.5) / fadeIn);
        if (i >= n - fadeOut) w = Rise((n - i - 0.5) / fadeOut);
        taps[static_cast<std::size_t>(i)] *= w;
    }
}

}  // namespace

FirDesignSettings NormaliseFirDesignSettings(const FirDesignSettings& settings) {
    FirDesignSettings s = settings;
    FirDesignInputs& in = s.inputs;
    s.mode = s.mode == 1 ? 1 : 0;
    double window = in.windowMs;
    if (!(window > 0) || !std::isfinite(window))
        window =
            in.minFrequency > 0 && std::isfinite(in.minFrequency) ? 1000.0 / in.minFrequency : kMaxWindowMs;
    in.windowMs = std::clamp(window, kMinWindowMs, kMaxWindowMs);
    const double lowest = 1000.0 / in.windowMs;
    in.minFrequency =
        std::isfinite(in.minFrequency) ? std::clamp(in.minFrequency, lowest, kMaxMinFrequencyHz) : lowest;
    in.maxFrequency = std::isfinite(in.maxFrequency)
                          ? std::clamp(in.maxFrequency, kMinMaxFrequencyHz, kMaxMaxFrequencyHz)
                          : kMaxMaxFrequencyHz;
    in.smoothingType = std::clamp(in.smoothingType, 0, 2);
    in.smoothingWidth =
        std::clamp(in.smoothingWidth, 0, static_cast<int>(kSmoothingWidthsOctaves.size()) - 1);
    in.smoothingThreshold = std::clamp(in.smoothingThreshold, 0, 10);
    in.precision = std::clamp(in.precision, 1, 10);
    const double latency = std::isfinite(s.latencyMs) ? std::clamp(s.latencyMs, kMinLatencyMs, kMaxLatencyMs)
                                                      : kDefaultLatencyMs;
    const double lastTap = std::floor(kMaxLatencyMs / kFirTapMs);
    s.latencyMs = std::min(std::round(latency / kFirTapMs), lastTap) * kFirTapMs;
    return s;
}

FirDesignEngine::FirDesignEngine() : fft_(kFirDesignFftLength) {}

namespace {
constexpr const char* kLevelOutOfRange = "the impulse response's level is out of range for a design";
}  // namespace

FirDesignResult FirDesignEngine::Design(std::span<const double> impulseResponse,
                                        const FirDesignSettings& settings) {
    FirDesignResult result;
    result.used = NormaliseFirDesignSettings(settings);
    const FirDesignSettings& s = result.used;
    const FirDesignInputs& in = s.inputs;
    if (impulseResponse.empty()) {
        result.error = "the impulse response is empty";
        return result;
    }
    double largest = 0;
    for (double v : impulseResponse) {
        if (!std::isfinite(v)) {
            result.error = "the impulse response holds a value that is not a number";
            return result;
        }
        largest = std::max(largest, std::fabs(v));
    }
    if (largest == 0) {
        result.error = "the impulse response is silent";
        return result;
    }

    const WindowedIr windowed = WindowImpulse(impulseResponse, in.windowMs);
    const int n = fft_.length();
    const std::size_t bins = static_cast<std::size_t>(fft_.bins());
    const double binHz = kFirDesignRate / n;
    auto hz = [&](std::size_t k) { return static_cast<double>(k) * binHz; };
    auto delayTerm = [&](std::size_t k, double samples) {
        return std::polar(1.0, -2 * kPi * static_cast<double>(k) * samples / n);
    };

    // Measured response, its power floored at -120 dB below the strongest bin.
    const Spectrum x = fft_.Forward(windowed.samples);
    std::vector<double> power(bins);
    double strongest = 0;
    for (std::size_t k = 0; k < bins; ++k) strongest = std::max(strongest, std::norm(x[k]));
    // A response at the edge of double arithmetic (a peak of 1e-300 squares to
    // nothing, one of 1e300 to infinity) has no spectrum to correct.
    if (!(strongest > 0) || !std::isfinite(strongest)) {
        result.error = kLevelOutOfRange;
        return result;
    }
    for (std::size_t k = 0; k < bins; ++k) power[k] = std::max(std::norm(x[k]), strongest * kFloorPower);

    // Smoothing.
    const double width = kSmoothingWidthsOctaves[static_cast<std::size_t>(in.smoothingWidth)];
    std::vector<double> smoothed = power;
    Spectrum phaseSource = x;
    if (in.smoothingType != 0) {
        std::vector<double> reference(bins);
        SmoothOctaveFraction(power, width, reference);
        std::vector<double> limited = power;
        LimitDips(limited, reference, in.smoothingThreshold);
        SmoothOctaveFraction(limited, width, smoothed);
    }
    if (in.smoothingType == 2) {
        Spectrum aligned(bins);
        for (std::size_t k = 0; k < bins; ++k) aligned[k] = x[k] * std::conj(delayTerm(k, windowed.onset));
        Spectrum averaged(bins);
        SmoothOctaveFraction(aligned, width, averaged);
        for (std::size_t k = 0; k < bins; ++k) phaseSource[k] = averaged[k] * delayTerm(k, windowed.onset);
    }

    // Mean level over the range (log-frequency weighted): the target's 0 dB.
    double levelSum = 0;
    double weightSum = 0;
    for (std::size_t k = 1; k < bins; ++k) {
        const double f = hz(k);
        if (f < in.minFrequency || f > in.maxFrequency) continue;
        levelSum += 10 * std::log10(smoothed[k]) / f;
        weightSum += 1 / f;
    }
    const double levelDb = levelSum / weightSum;

    // Excess phase: the phase source's phase minus the minimum phase of its
    // magnitude, less the bulk delay. The bulk delay is where the excess
    // phase's all-pass response, band-limited to the range, peaks: the
    // arrival that the correction then leaves in place, so that the
    // correction's own main tap lands on the latency. The branch is the one
    // that starts the range near zero.
    std::vector<double> logMagnitude(bins);
    double phaseStrongest = 0;
    for (std::size_t k = 0; k < bins; ++k)
        phaseStrongest = std::max(phaseStrongest, std::norm(phaseSource[k]));
    for (std::size_t k = 0; k < bins; ++k)
        logMagnitude[k] = 0.5 * std::log(std::max(std::norm(phaseSource[k]), phaseStrongest * kFloorPower));
    const std::vector<double> minimumPhase = MinimumPhase(logMagnitude, fft_);
    Spectrum excess(bins);
    Spectrum bandExcess(bins);
    for (std::size_t k = 0; k < bins; ++k) {
        excess[k] = std::polar(1.0, std::arg(phaseSource[k]) - minimumPhase[k]);
        bandExcess[k] = excess[k] * RangeWeight(hz(k), in.minFrequency, in.maxFrequency);
    }
    const double bulkDelay = PeakPosition(fft_.Inverse(bandExcess));  // samples
    std::vector<double> psi = UnwrappedPhase(excess);
    for (std::size_t k = 0; k < bins; ++k) psi[k] += 2 * kPi * static_cast<double>(k) * bulkDelay / n;
    const std::size_t startBin = static_cast<std::size_t>(std::ceil(in.minFrequency / binHz));
    // A constant pi is polarity, which the FIR never changes: the branch is
    // the nearest multiple of pi, not of 2 pi.
    const double branch = kPi * std::round(psi[startBin] / kPi);
    for (double& v : psi) v -= branch;

    // Corrections, faded out around the range.
    std::vector<double> correctionNeper(bins, 0.0);
    std::vector<double> phaseCorrection(bins);
    const EqTargetCurve target(s.sections, s.leading);
    // Below the range the phase correction fades into the pure delay that
    // matches it at the minimum frequency (a straight line through 0 Hz), so
    // the low end is only moved in time, never given a new phase shape; above
    // the range it fades to the multiple of 2 pi nearest the correction at the
    // maximum frequency (no correction, and no phase winding through the fade).
    const std::size_t endBin =
        std::min(bins - 1, static_cast<std::size_t>(std::floor(in.maxFrequency / binHz)));
    const double topTurns = 2 * kPi * std::round(psi[endBin] / (2 * kPi));
    const double startHz = hz(startBin);
    const double startCorrection = -psi[startBin];
    for (std::size_t k = 0; k < bins; ++k) {
        const double f = hz(k);
        const double weight = RangeWeight(f, in.minFrequency, in.maxFrequency);
        if (f < startHz) {
            phaseCorrection[k] = -psi[k] * weight + startCorrection * (f / startHz) * (1 - weight);
        } else {
            phaseCorrection[k] = -((psi[k] - topTurns) * weight + topTurns);
        }
        if (s.mode == 1 && weight > 0) {
            const double wanted = target.Db(f) - (10 * std::log10(smoothed[k]) - levelDb);
            correctionNeper[k] = std::clamp(wanted, -kMaxCutDb, kMaxBoostDb) * weight * kNeperPerDb;
        }
    }
    const Spectrum magnitudeCorrection = MinimumPhaseSpectrum(correctionNeper, fft_);

    const int mainTap = static_cast<int>(std::lround(s.latencyMs / kFirTapMs));
    Spectrum ideal(bins);
    for (std::size_t k = 0; k < bins; ++k)
        ideal[k] = magnitudeCorrection[k] * std::polar(1.0, phaseCorrection[k]) * delayTerm(k, mainTap);
    std::vector<double> impulse = fft_.Inverse(ideal);
    std::vector<double> taps(impulse.begin(), impulse.begin() + kFirDesignTaps);
    WindowTaps(taps, mainTap, static_cast<int>(std::lround(mainTap * in.precision / 10.0)));

    // Largest gain at any frequency; scaled to 0 dB when above.
    const Spectrum realised = fft_.Forward(taps);
    double peak = 0;
    for (const Complex& v : realised) peak = std::max(peak, std::abs(v));
    double scale = 1.0;
    if (peak > 1.0) {
        scale = 1.0 / peak;
        for (double& t : taps) t *= scale;
        result.gainReductionDb = 20 * std::log10(peak);
        result.gainReduced = result.gainReductionDb > kClipToleranceDb;
    }

    std::size_t largestTap = 0;
    for (std::size_t i = 1; i < taps.size(); ++i)
        if (std::fabs(taps[i]) > std::fabs(taps[largestTap])) largestTap = i;
    result.mainTap = static_cast<int>(largestTap);
    result.latencyMs = result.mainTap * kFirTapMs;

    // The target combination: the EQ target (mode 1) or the loudspeaker's own
    // smoothed magnitude (mode 0) at the combination's level, minimum phase,
    // delayed like the combination.
    std::vector<double> targetNeper(bins);
    for (std::size_t k = 0; k < bins; ++k) {
        const double db = s.mode == 1 ? levelDb + target.Db(hz(k)) : 10 * std::log10(smoothed[k]);
        targetNeper[k] = (db + 20 * std::log10(scale)) * kNeperPerDb;
    }
    Spectrum targetSpectrum = MinimumPhaseSpectrum(targetNeper, fft_);
    for (std::size_t k = 0; k < bins; ++k) targetSpectrum[k] *= delayTerm(k, bulkDelay + mainTap);
    std::vector<double> targetImpulse = fft_.Inverse(targetSpectrum);
    targetImpulse.resize(kTargetSamples);

    // The last guard before taps can reach an amplifier.
    for (const double t : taps)
        if (!std::isfinite(t)) {
            result.error = kLevelOutOfRange;
            return result;
        }
    result.ok = true;
    result.coefficients = taps;
    result.ir = windowed.samples;
    result.fir = taps;
    result.combined = Convolve(windowed.samples, taps);
    result.target = std::move(targetImpulse);
    return result;
}

void SpectralFirDesigner::AddFilterSection(const TargetSection& section) {
    if (section.index < 0 || section.index >= kTargetSectionCount) return;
    settings_.sections[static_cast<std::size_t>(section.index)] = section;
}

int SpectralFirDesigner::Design(const FirDesignInputs& inputs, double& latencyMs, int& integerResult,
                                std::vector<double>& work) {
    settings_.inputs = inputs;
    settings_.latencyMs = latencyMs;
    last_ = engine_.Design(work, settings_);
    if (!last_.ok) {
        integerResult = 0;
        return 0;
    }
    latencyMs = last_.latencyMs;
    integerResult = static_cast<int>(last_.coefficients.size());
    return last_.gainReduced ? 1 : 0;
}

std::vector<double> DirectSoundWindow(std::span<const double> impulseResponse, double windowMs) {
    if (impulseResponse.empty()) return {};
    return WindowImpulse(impulseResponse, std::clamp(windowMs, kMinWindowMs, kMaxWindowMs)).samples;
}

}  // namespace zef::measure
