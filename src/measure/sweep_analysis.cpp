#include "measure/sweep_analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include "base/c_number.h"
#include "measure/clock_drift.h"
#include "measure/sweep.h"

namespace zef::measure {
namespace {

// A reference response counts when its peak stands this far above its RMS
// over the search range (a loopback reads about 44 dB, noise about 13 dB).
constexpr double kReferencePeakToRms = 10.0;

// The RMS of `x` about its mean: a DC offset is neither noise nor signal.
double AcRms(std::span<const float> x) {
    if (x.empty()) return 0.0;
    double mean = 0.0;
    for (float v : x) mean += v;
    mean /= static_cast<double>(x.size());
    double sum = 0.0;
    for (float v : x) sum += (v - mean) * (v - mean);
    return std::sqrt(sum / static_cast<double>(x.size()));
}

std::size_t NonFinite(const std::vector<float>& x) {
    return static_cast<std::size_t>(std::count_if(x.begin(), x.end(), [](float v) { return !std::isfinite(v); }));
}

double Rms(std::span<const double> x) {
    if (x.empty()) return 0.0;
    double sum = 0.0;
    for (double v : x) sum += v * v;
    return std::sqrt(sum / static_cast<double>(x.size()));
}

double Db(double ratio) {
    if (!(ratio > 0.0)) return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(ratio);
}

// `format` with its one "%s" replaced by `value`.
std::string Format(std::string_view format, const std::string& value) {
    std::string text(format);
    return text.replace(text.find("%s"), 2, value);
}

// The part of `x` from `from` of `length` samples, clipped to x.
std::span<const float> Part(const std::vector<float>& x, std::size_t from, std::size_t length) {
    from = std::min(from, x.size());
    return std::span<const float>(x).subspan(from, std::min(length, x.size() - from));
}

}  // namespace

std::vector<std::string> QualityWarnings(const MeasurementQuality& q) {
    std::vector<std::string> w;
    if (!(q.inputPeak > 0.0)) {
        w.push_back(
            "No signal at the input: check the microphone, its cable and phantom power, and the input "
            "chosen.");
        return w;
    }
    if (q.clippedSamples > 0) {
        w.push_back(
            Format("The input clipped (%s samples at full scale): lower the microphone gain or the "
                   "output level and measure again.",
                   std::to_string(q.clippedSamples)));
    } else if (Db(q.inputPeak) > kHeadroomLimitDb) {
        w.push_back(
            Format("The input peaked at %s dBFS, less than 1 dB below full scale: lower the "
                   "microphone gain a little to keep some headroom.",
                   CFixed(Db(q.inputPeak), 1)));
    }
    if (q.signalToNoiseDb < kMinSignalToNoiseDb) {
        w.push_back(
            Format("The sweep is only %s dB above the background noise (20 dB at least): raise the "
                   "output level or the microphone gain, or make the room quieter.",
                   CFixed(std::max(q.signalToNoiseDb, 0.0), 0)));
    }
    if (q.peakToTailDb < kMinPeakToTailDb) {
        w.push_back(
            Format("The impulse response stands only %s dB above its own tail (30 dB at least): it is "
                   "buried in noise, or the response arrived later than the 2 s a card's latency may take.",
                   CFixed(std::max(q.peakToTailDb, 0.0), 0)));
    }
    if (q.driftPpm && std::fabs(*q.driftPpm) > kDriftWarningPpm) {
        w.push_back(
            Format("The card's input and output clocks differ by %s ppm (20 ppm at most; two devices joined into "
                   "one?): the response is smeared at high frequencies. Measure with one device for both "
                   "directions, or lock their clocks.",
                   CFixed(*q.driftPpm, 0)));
    }
    return w;
}

std::vector<double> AverageResponses(std::span<const std::vector<double>> responses) {
    if (responses.empty()) return {};
    std::size_t length = responses.front().size();
    for (const std::vector<double>& r : responses) length = std::min(length, r.size());
    std::vector<double> mean(length, 0.0);
    for (const std::vector<double>& r : responses)
        for (std::size_t i = 0; i < length; ++i) mean[i] += r[i];
    for (double& x : mean) x /= static_cast<double>(responses.size());
    return mean;
}

double PeakToTailDb(std::span<const double> response) {
    const std::size_t tail = response.size() / 10;
    const double peak = response.empty() ? 0.0 : std::abs(response[LargestPeak(response, 0, response.size())]);
    return Db(peak / Rms(response.last(tail)));
}

SweepAnalysis::SweepAnalysis(std::vector<double> sweep, std::vector<double> inverse, SweepTiming timing)
    : timing_(timing),
      deconvolver_(std::move(sweep), std::move(inverse), timing.RecordingLength()),
      plotFft_(IrViewTransformLength(timing.ImpulseLength())) {}

void SweepAnalysis::Prepare() { deconvolver_.Prepare(); }

SweepResult SweepAnalysis::Analyse(const SweepRecording& recording) {
    SweepResult r;
    r.quality.nonFiniteSamples = NonFinite(recording.input) + NonFinite(recording.reference);
    if (r.quality.nonFiniteSamples > 0) {
        r.error = Format("The recording holds %s samples that are not numbers (NaN or infinite): the sound "
                         "card or its driver delivered broken data; measure again.",
                         std::to_string(r.quality.nonFiniteSamples));
        return r;
    }
    const std::size_t origin = deconvolver_.ReferenceDelay() + kPreRollSamples;  // zero latency
    const std::size_t searchEnd = origin + kLatencyAllowanceSamples;

    std::size_t zero = 0;
    bool haveZero = false;
    if (!recording.reference.empty()) {
        const std::span<const double> h = deconvolver_.Deconvolve(recording.reference);
        const std::size_t peak = LargestPeak(h, origin, searchEnd);
        const double rms = Rms(h.subspan(std::min(origin, h.size()),
                                         std::min(searchEnd, h.size()) - std::min(origin, h.size())));
        if (peak < h.size() && std::abs(h[peak]) > kReferencePeakToRms * rms) {
            zero = peak;
            haveZero = true;
            r.alignedByReference = true;
        }
    }
    const std::span<const double> h = deconvolver_.Deconvolve(recording.input);
    if (!haveZero) zero = FirstArrival(h, origin, searchEnd);
    r.delaySeconds = (static_cast<double>(zero) - static_cast<double>(origin)) / kSweepSampleRate;
    r.impulseResponse = CutImpulseResponse(h, zero, kPreDelaySamples, timing_.ImpulseLength());
    if (r.alignedByReference)
        r.quality.driftPpm =
            EstimateClockDriftPpm(recording.reference, deconvolver_.sweep(), zero - deconvolver_.ReferenceDelay());

    MeasurementQuality& q = r.quality;
    for (float x : recording.input) {
        const double a = std::abs(static_cast<double>(x));
        q.inputPeak = std::max(q.inputPeak, a);
        if (a >= kClipLevel) ++q.clippedSamples;
    }
    q.noiseRms = AcRms(Part(recording.input, 0, kPreRollSamples));
    q.signalRms = AcRms(Part(recording.input, zero - deconvolver_.ReferenceDelay(), timing_.sweepLength));
    q.signalToNoiseDb =
        q.noiseRms > 0.0 ? Db(q.signalRms / q.noiseRms) : std::numeric_limits<double>::infinity();
    q.peakToTailDb = PeakToTailDb(r.impulseResponse);
    r.warnings = QualityWarnings(q);
    if (!recording.reference.empty() && !r.alignedByReference)
        r.warnings.push_back(
            "The reference input carries no sweep: the response was aligned on its first arrival instead. "
            "Check the loopback cable and the reference input chosen.");

    r.views = ComputeIrViews(r.impulseResponse, kPreDelaySamples, kSweepSampleRate, plotFft_);
    return r;
}

}  // namespace zef::measure
