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

// Index of the largest |x[i]| (the first on ties); 0 for an empty sequence.
std::size_t LargestMagnitudeIndex(std::span<const double> x) {
    std::size_t largest = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        if (std::fabs(x[i]) > std::fabs(x[largest])) largest = i;
    return largest;
}

// The direct sound: the first sample within 20 dB of the largest, followed
// up to its own local maximum. A reflection louder than the direct sound
// comes later and must not become the window's anchor.
std::size_t FirstArrivalIndex(std::span<const double> x) {
    if (x.empty()) return 0;
    const double threshold = 0.1 * std::fabs(x[LargestMagnitudeIndex(x)]);
    std::size_t i = 0;
    while (i + 1 < x.size() && std::fabs(x[i]) < threshold) ++i;
    while (i + 1 < x.size() && std::fabs(x[i + 1]) > std::fabs(x[i])) ++i;
    return i;
}

struct WindowedIr {
    std::vector<double> samples;
    int onset = 0;  // samples before the first arrival inside the window
};

WindowedIr WindowImpulse(std::span<const double> ir, double windowMs) {
    const std::size_t peak = FirstArrivalIndex(ir);
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
    const std::size_t peak = LargestMagnitudeIndex(x);
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

// The transform's bins as one design sees them: their count, their width and
// the frequency and delay term of each.
struct Bins {
    int n;              // transform length
    std::size_t count;  // bins 0 .. n/2
    double binHz;

    double Hz(std::size_t k) const { return static_cast<double>(k) * binHz; }
    // e^(-2 pi i k d / n): a delay of `samples` at bin k.
    Complex Delay(std::size_t k, double samples) const {
        return std::polar(1.0, -2 * kPi * static_cast<double>(k) * samples / n);
    }
};

// Why `ir` cannot be designed for (empty, not a number, silent); "" when it can.
std::string UnusableReason(std::span<const double> ir) {
    if (ir.empty()) return "the impulse response is empty";
    double largest = 0;
    for (double v : ir) {
        if (!std::isfinite(v)) return "the impulse response holds a value that is not a number";
        largest = std::max(largest, std::fabs(v));
    }
    if (largest == 0) return "the impulse response is silent";
    return {};
}

// The power of each bin of `x`, floored at -120 dB below the strongest bin.
// Empty for a response at the edge of double arithmetic (a peak of 1e-300
// squares to nothing, one of 1e300 to infinity): it has no spectrum to correct.
std::vector<double> FlooredPower(const Spectrum& x, std::size_t bins) {
    double strongest = 0;
    for (std::size_t k = 0; k < bins; ++k) strongest = std::max(strongest, std::norm(x[k]));
    if (!(strongest > 0) || !std::isfinite(strongest)) return {};
    std::vector<double> power(bins);
    for (std::size_t k = 0; k < bins; ++k) power[k] = std::max(std::norm(x[k]), strongest * kFloorPower);
    return power;
}

// The power average of `first` and each further position's windowed
// response; empty when one of them is unusable.
std::vector<double> AveragePower(std::vector<double> first, std::span<const std::vector<double>> more,
                                 double windowMs, const Bins& b, DesignFft& fft) {
    for (const std::vector<double>& ir : more) {
        if (!UnusableReason(ir).empty()) return {};
        const std::vector<double> power = FlooredPower(fft.Forward(WindowImpulse(ir, windowMs).samples), b.count);
        if (power.empty()) return {};
        for (std::size_t k = 0; k < b.count; ++k) first[k] += power[k];
    }
    for (double& p : first) p /= static_cast<double>(more.size() + 1);
    return first;
}

// What the corrections are computed from after smoothing (step 2 of the
// header): the power response, and the complex response whose phase counts.
struct SmoothedResponse {
    std::vector<double> power;
    Spectrum phaseSource;
};

SmoothedResponse Smooth(const Spectrum& x, const std::vector<double>& power, const FirDesignInputs& in,
                        const Bins& b, int onset) {
    const double width = kSmoothingWidthsOctaves[static_cast<std::size_t>(in.smoothingWidth)];
    SmoothedResponse out{power, x};
    if (in.smoothingType != 0) {
        std::vector<double> reference(b.count);
        SmoothOctaveFraction(power, width, reference);
        std::vector<double> limited = power;
        LimitDips(limited, reference, in.smoothingThreshold);
        SmoothOctaveFraction(limited, width, out.power);
    }
    if (in.smoothingType == 2) {
        // The complex response is averaged with the onset's delay removed, so
        // that the averaging does not cancel the phase of a late arrival.
        Spectrum aligned(b.count);
        for (std::size_t k = 0; k < b.count; ++k) aligned[k] = x[k] * std::conj(b.Delay(k, onset));
        Spectrum averaged(b.count);
        SmoothOctaveFraction(aligned, width, averaged);
        for (std::size_t k = 0; k < b.count; ++k) out.phaseSource[k] = averaged[k] * b.Delay(k, onset);
    }
    return out;
}

// Mean level of `power` over the range (log-frequency weighted): the
// target's 0 dB.
double RangeLevelDb(const std::vector<double>& power, const FirDesignInputs& in, const Bins& b) {
    double levelSum = 0;
    double weightSum = 0;
    for (std::size_t k = 1; k < b.count; ++k) {
        const double f = b.Hz(k);
        if (f < in.minFrequency || f > in.maxFrequency) continue;
        levelSum += 10 * std::log10(power[k]) / f;
        weightSum += 1 / f;
    }
    return levelSum / weightSum;
}

// The excess phase psi (radians per bin) with the bulk delay removed and its
// branch chosen, the bulk delay (samples) and the first bin of the range.
struct ExcessPhase {
    std::vector<double> psi;
    double bulkDelay = 0;
    std::size_t startBin = 0;
};

// Excess phase: the phase source's phase minus the minimum phase of its
// magnitude, less the bulk delay. The bulk delay is where the excess phase's
// all-pass response, band-limited to the range, peaks: the arrival that the
// correction then leaves in place, so that the correction's own main tap
// lands on the latency. The branch is the one that starts the range near zero.
ExcessPhase ExcessPhaseOf(const Spectrum& phaseSource, const FirDesignInputs& in, const Bins& b,
                          DesignFft& fft) {
    std::vector<double> logMagnitude(b.count);
    double phaseStrongest = 0;
    for (std::size_t k = 0; k < b.count; ++k)
        phaseStrongest = std::max(phaseStrongest, std::norm(phaseSource[k]));
    for (std::size_t k = 0; k < b.count; ++k)
        logMagnitude[k] = 0.5 * std::log(std::max(std::norm(phaseSource[k]), phaseStrongest * kFloorPower));
    const std::vector<double> minimumPhase = MinimumPhase(logMagnitude, fft);
    Spectrum excess(b.count);
    Spectrum bandExcess(b.count);
    for (std::size_t k = 0; k < b.count; ++k) {
        excess[k] = std::polar(1.0, std::arg(phaseSource[k]) - minimumPhase[k]);
        bandExcess[k] = excess[k] * RangeWeight(b.Hz(k), in.minFrequency, in.maxFrequency);
    }
    ExcessPhase out;
    out.bulkDelay = PeakPosition(fft.Inverse(bandExcess));
    out.psi = UnwrappedPhase(excess);
    for (std::size_t k = 0; k < b.count; ++k)
        out.psi[k] += 2 * kPi * static_cast<double>(k) * out.bulkDelay / b.n;
    out.startBin = static_cast<std::size_t>(std::ceil(in.minFrequency / b.binHz));
    // A constant pi is polarity, which the FIR never changes: the branch is
    // the nearest multiple of pi, not of 2 pi.
    const double branch = kPi * std::round(out.psi[out.startBin] / kPi);
    for (double& v : out.psi) v -= branch;
    return out;
}

// The correction's spectrum with its main tap at `mainTap` (steps 3 and 4):
// the phase correction and, in mode 1, the minimum-phase magnitude
// correction towards `target`, both faded out around the range.
Spectrum IdealCorrection(const ExcessPhase& e, const std::vector<double>& smoothed, double levelDb,
                         const EqTargetCurve& target, const FirDesignSettings& s, const Bins& b, int mainTap,
                         DesignFft& fft) {
    const FirDesignInputs& in = s.inputs;
    std::vector<double> correctionNeper(b.count, 0.0);
    std::vector<double> phaseCorrection(b.count);
    // Below the range the phase correction fades into the pure delay that
    // matches it at the minimum frequency (a straight line through 0 Hz), so
    // the low end is only moved in time, never given a new phase shape; above
    // the range it fades to the multiple of 2 pi nearest the correction at the
    // maximum frequency (no correction, and no phase winding through the fade).
    const std::size_t endBin =
        std::min(b.count - 1, static_cast<std::size_t>(std::floor(in.maxFrequency / b.binHz)));
    const double topTurns = 2 * kPi * std::round(e.psi[endBin] / (2 * kPi));
    const double startHz = b.Hz(e.startBin);
    const double startCorrection = -e.psi[e.startBin];
    for (std::size_t k = 0; k < b.count; ++k) {
        const double f = b.Hz(k);
        const double weight = RangeWeight(f, in.minFrequency, in.maxFrequency);
        if (f < startHz) {
            phaseCorrection[k] = -e.psi[k] * weight + startCorrection * (f / startHz) * (1 - weight);
        } else {
            phaseCorrection[k] = -((e.psi[k] - topTurns) * weight + topTurns);
        }
        if (s.mode == 1 && weight > 0) {
            const double wanted = target.Db(f) - (10 * std::log10(smoothed[k]) - levelDb);
            correctionNeper[k] = std::clamp(wanted, -kMaxCutDb, kMaxBoostDb) * weight * kNeperPerDb;
        }
    }
    const Spectrum magnitudeCorrection = MinimumPhaseSpectrum(correctionNeper, fft);
    Spectrum ideal(b.count);
    for (std::size_t k = 0; k < b.count; ++k)
        ideal[k] = magnitudeCorrection[k] * std::polar(1.0, phaseCorrection[k]) * b.Delay(k, mainTap);
    return ideal;
}

// Step 6: scales `taps` down to a largest gain of 0 dB at any frequency when
// they exceed it, recording the reduction in `result`. The scale applied (1
// when none was needed).
double LimitGain(std::vector<double>& taps, DesignFft& fft, FirDesignResult& result) {
    const Spectrum realised = fft.Forward(taps);
    double peak = 0;
    for (const Complex& v : realised) peak = std::max(peak, std::abs(v));
    if (!(peak > 1.0)) return 1.0;
    const double scale = 1.0 / peak;
    for (double& t : taps) t *= scale;
    result.gainReductionDb = 20 * std::log10(peak);
    result.gainReduced = result.gainReductionDb > kClipToleranceDb;
    return scale;
}

// Scales `taps` so that sum |h| is at most 1 (the fixed-point path's full
// scale); returns the scale.
double FitHeadroom(std::vector<double>& taps, FirDesignResult& result) {
    double absSum = 0;
    for (const double t : taps) absSum += std::fabs(t);
    if (!(absSum > 1.0)) return 1.0;
    for (double& t : taps) t /= absSum;
    result.gainReductionDb += 20 * std::log10(absSum);
    result.gainReduced = result.gainReductionDb > kClipToleranceDb;
    return 1.0 / absSum;
}

// The target combination: the EQ target (mode 1) or the loudspeaker's own
// smoothed magnitude (mode 0) at the combination's level (`scale` of the
// gain limit), minimum phase, delayed like the combination; kTargetSamples long.
std::vector<double> TargetImpulse(const std::vector<double>& smoothed, double levelDb, double scale,
                                  const EqTargetCurve& target, const FirDesignSettings& s, const Bins& b,
                                  double delay, DesignFft& fft) {
    std::vector<double> targetNeper(b.count);
    for (std::size_t k = 0; k < b.count; ++k) {
        const double db = s.mode == 1 ? levelDb + target.Db(b.Hz(k)) : 10 * std::log10(smoothed[k]);
        targetNeper[k] = (db + 20 * std::log10(scale)) * kNeperPerDb;
    }
    Spectrum targetSpectrum = MinimumPhaseSpectrum(targetNeper, fft);
    for (std::size_t k = 0; k < b.count; ++k) targetSpectrum[k] *= b.Delay(k, delay);
    std::vector<double> impulse = fft.Inverse(targetSpectrum);
    impulse.resize(kTargetSamples);
    return impulse;
}

}  // namespace

FirDesignResult FirDesignEngine::Design(std::span<const double> impulseResponse,
                                        const FirDesignSettings& settings) {
    return Design(impulseResponse, settings, {});
}

FirDesignResult FirDesignEngine::Design(std::span<const double> impulseResponse, const FirDesignSettings& settings,
                                        std::span<const std::vector<double>> morePositions) {
    FirDesignResult result;
    result.used = NormaliseFirDesignSettings(settings);
    const FirDesignSettings& s = result.used;
    const FirDesignInputs& in = s.inputs;
    result.error = UnusableReason(impulseResponse);
    if (!result.error.empty()) return result;

    const WindowedIr windowed = WindowImpulse(impulseResponse, in.windowMs);
    const Bins b{fft_.length(), static_cast<std::size_t>(fft_.bins()), kFirDesignRate / fft_.length()};
    const Spectrum x = fft_.Forward(windowed.samples);
    std::vector<double> power = FlooredPower(x, b.count);
    if (!morePositions.empty() && !power.empty()) power = AveragePower(power, morePositions, in.windowMs, b, fft_);
    if (power.empty()) {
        result.error = kLevelOutOfRange;
        return result;
    }
    const SmoothedResponse smoothed = Smooth(x, power, in, b, windowed.onset);
    const double levelDb = RangeLevelDb(smoothed.power, in, b);
    const ExcessPhase excess = ExcessPhaseOf(smoothed.phaseSource, in, b, fft_);
    const EqTargetCurve target(s.sections, s.leading, s.house);

    const int mainTap = static_cast<int>(std::lround(s.latencyMs / kFirTapMs));
    const std::vector<double> impulse =
        fft_.Inverse(IdealCorrection(excess, smoothed.power, levelDb, target, s, b, mainTap, fft_));
    std::vector<double> taps(impulse.begin(), impulse.begin() + kFirDesignTaps);
    WindowTaps(taps, mainTap, static_cast<int>(std::lround(mainTap * in.precision / 10.0)));
    const double scale = LimitGain(taps, fft_, result) * (s.fitHeadroom ? FitHeadroom(taps, result) : 1.0);
    result.mainTap = static_cast<int>(LargestMagnitudeIndex(taps));
    result.latencyMs = result.mainTap * kFirTapMs;
    std::vector<double> targetImpulse =
        TargetImpulse(smoothed.power, levelDb, scale, target, s, b, excess.bulkDelay + mainTap, fft_);

    // The last guard before taps can reach an amplifier.
    for (const double t : taps)
        if (!std::isfinite(t)) {
            result.error = kLevelOutOfRange;
            return result;
        }
    result.ok = true;
    double absSum = 0;
    for (const double t : taps) absSum += std::fabs(t);
    result.worstCaseGainDb = 20 * std::log10(std::max(absSum, 1e-300));
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
    last_ = engine_.Design(work, settings_, morePositions_);
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
