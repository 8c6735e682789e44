#include "measure/sweep.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>
#include <numbers>

#include "base/utf8_path.h"
#include "measure/real_fft.h"
#include "audio/wav_file.h"

namespace zef::measure {
namespace {

constexpr double kPi = std::numbers::pi;
// Inverse-filter samples kept before the time-reversed sweep (low-frequency
// regularisation spreads a little that way) and after the impulse (the
// high-pass's decay: below -120 dB after 0.63 s).
constexpr std::size_t kInverseLead = kSweepSampleRate / 4;
constexpr std::size_t kInverseTail = kSweepSampleRate * 3 / 4;
// Regularisation: |S|^2 is raised by this fraction of its largest value, so
// bins the sweep never reaches are not amplified without bound. The sweep's
// own |S|^2 spans 33 dB between 5 Hz and 24 kHz, so in band this changes the
// inverse by less than 0.001 dB.
constexpr double kRegularisation = 1e-7;

constexpr std::size_t kMinFileFrames = kSweepSampleRate / 10;
constexpr std::size_t kMaxFileFrames = kSweepSampleRate * 60;

double RoundToFloat(double x) { return static_cast<double>(static_cast<float>(x)); }

// Second-order Butterworth high-pass at `cornerHz`, the analog prototype at
// `hz` (minimum phase).
std::complex<double> HighPass(double hz, double cornerHz) {
    const std::complex<double> s(0.0, hz / cornerHz);
    return s * s / (s * s + std::numbers::sqrt2 * s + 1.0);
}

std::string CheckSignal(const std::string& path, const audio::WavData& audio, std::size_t maxFrames) {
    if (audio.sampleRate != kSweepSampleRate)
        return path + ": the file is at " + std::to_string(audio.sampleRate) + " Hz, not " +
               std::to_string(kSweepSampleRate) + " Hz";
    if (audio.frames() < kMinFileFrames || audio.frames() > maxFrames)
        return path + ": the file is too short or too long for a sweep";
    double peak = 0.0;
    for (double x : audio.samples) peak = std::max(peak, std::abs(x));
    if (!(peak > 0.0) || !std::isfinite(peak)) return path + ": the file is silent or damaged";
    return {};
}

}  // namespace

std::vector<double> MakeSweep(const SweepDesign& d) {
    const auto n = static_cast<std::size_t>(std::lround(d.seconds * kSweepSampleRate));
    const double rate = d.seconds / std::log(d.endHz / d.startHz);  // seconds per e-fold of frequency
    const auto fadeIn = static_cast<std::size_t>(d.fadeInSeconds * kSweepSampleRate);
    const auto fadeOut = static_cast<std::size_t>(d.fadeOutSeconds * kSweepSampleRate);
    std::vector<double> sweep(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSweepSampleRate;
        double x = d.peak * std::sin(2.0 * kPi * d.startHz * rate * std::expm1(t / rate));
        if (i < fadeIn)
            x *= 0.5 * (1.0 - std::cos(kPi * static_cast<double>(i) / static_cast<double>(fadeIn)));
        const std::size_t fromEnd = n - 1 - i;
        if (fromEnd < fadeOut)
            x *= 0.5 * (1.0 - std::cos(kPi * static_cast<double>(fromEnd) / static_cast<double>(fadeOut)));
        sweep[i] = RoundToFloat(x);
    }
    return sweep;
}

std::size_t InverseSweepDelay(std::size_t sweepLength) { return sweepLength + kInverseLead; }

std::vector<double> MakeInverseSweep(std::span<const double> sweep, const SweepDesign& d) {
    const std::size_t delay = InverseSweepDelay(sweep.size());
    const std::size_t length = delay + kInverseTail;
    RealFft fft(GoodFftSize(2 * length));
    const std::size_t m = fft.size();
    fft.Load(sweep);
    fft.Forward();
    auto spectrum = fft.spectrum();
    double maxPower = 0.0;
    for (const auto& s : spectrum) maxPower = std::max(maxPower, std::norm(s));
    const double epsilon = kRegularisation * maxPower;
    const double binHz = static_cast<double>(kSweepSampleRate) / static_cast<double>(m);
    for (std::size_t k = 0; k < spectrum.size(); ++k) {
        const std::complex<double> s = spectrum[k];
        const std::complex<double> hp = HighPass(static_cast<double>(k) * binHz, d.highPassHz);
        // 1/m folds the unnormalised inverse transform in.
        spectrum[k] = hp * std::conj(s) / ((std::norm(s) + epsilon) * static_cast<double>(m));
    }
    fft.Inverse();
    // The inverse filter is mostly at negative time; rotate it so that its
    // sample `delay` is time zero.
    const auto time = fft.time();
    std::vector<double> inverse(length);
    for (std::size_t i = 0; i < length; ++i) inverse[i] = RoundToFloat(time[(i + m - delay) % m]);
    return inverse;
}

std::string LoadOrCreateSweep(const std::string& path, std::vector<double>& sweep) {
    std::error_code ec;
    if (!std::filesystem::exists(PathFromUtf8(path), ec)) {
        std::vector<double> made = MakeSweep();
        if (std::string error = audio::WriteWavAtomic(path, made, kSweepSampleRate); !error.empty()) return error;
        sweep = std::move(made);
        return {};
    }
    audio::WavData audio;
    if (std::string error = audio::ReadWav(path, audio, kMaxFileFrames); !error.empty()) return error;
    if (std::string error = CheckSignal(path, audio, kMaxFileFrames); !error.empty()) return error;
    std::vector<double> read = audio.Channel(0);
    for (double x : read)
        if (std::abs(x) > 1.0) return path + ": the sweep goes above full scale";
    sweep = std::move(read);
    return {};
}

std::string LoadOrCreateInverseSweep(const std::string& path, std::span<const double> sweep,
                                     std::vector<double>& inverse) {
    std::error_code ec;
    if (!std::filesystem::exists(PathFromUtf8(path), ec)) {
        std::vector<double> made = MakeInverseSweep(sweep);
        if (std::string error = audio::WriteWavAtomic(path, made, kSweepSampleRate); !error.empty()) return error;
        inverse = std::move(made);
        return {};
    }
    audio::WavData audio;
    // An inverse filter may be longer than its sweep (lead and tail).
    if (std::string error = audio::ReadWav(path, audio, 2 * kMaxFileFrames); !error.empty()) return error;
    if (std::string error = CheckSignal(path, audio, 2 * kMaxFileFrames); !error.empty()) return error;
    inverse = audio.Channel(0);
    return {};
}

}  // namespace zef::measure
