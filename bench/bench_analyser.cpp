// The third-octave analyser against its goals:
//   mask       every band inside the IEC 61260-1 class 1 acceptance limits,
//              checked with sines at 1/96-octave steps from 10 Hz to 23.9 kHz
//              run through the whole bank (decimation included): the worst
//              margin per band inside its edges (to the nearer limit) and
//              outside them (to the least attenuation asked), positive =
//              inside the mask, and the count of readings outside (goal 0)
//   centre     a full-scale sine at each band centre reads 0.0 dB (goal
//              within 0.1 dB)
//   spectra/s  spectra delivered per second of wall time by the card analyser
//              on the in-memory card paced at 48000 frames/s (goal >= 10)
//   CPU        CPU time of the bank per second of audio at 48000 Hz, as a
//              share of one core (goal <= 2 %), and as a multiple of one
//              eighth-order band-pass run at the full rate (the baseline)

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

#include "fake_card.h"
#include "measure/card_analyser.h"
#include "measure/third_octave.h"
#include "measure/third_octave_bank.h"

namespace {

using namespace zef::measure;

constexpr double kRate = 48000.0;

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Band levels of a sine: a 0.25 s raised-cosine fade-in, 0.5 s to settle,
// then the long mean of 1 s.
zef::BandSpectrum SineLevels(double hz, std::vector<double>& buffer) {
    const std::size_t fade = 12000;
    const std::size_t settle = 36000;
    buffer.resize(settle + 48000);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const double w =
            i < fade ? 0.5 * (1.0 - std::cos(std::numbers::pi * static_cast<double>(i) / fade)) : 1.0;
        buffer[i] = w * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / kRate);
    }
    ThirdOctaveAnalyser a;
    a.Process(std::span<const double>(buffer).first(settle));
    a.SetAveraging(zef::BandAveraging::Long);
    a.Process(std::span<const double>(buffer).subspan(settle));
    return a.LevelsDb();
}

bool MaskAndCentres() {
    std::vector<double> buffer;
    zef::BandSpectrum centre{};
    double worstCentre = 0.0;
    for (std::size_t b = 0; b < kThirdOctaveBands; ++b) {
        centre[b] = SineLevels(BandCentreHz(b), buffer)[b];
        worstCentre = std::max(worstCentre, std::abs(centre[b]));
    }
    // Margins inside the band (against both limits) and outside it (against
    // the least attenuation asked), worst per band.
    std::vector<double> passMargin(kThirdOctaveBands, 1e9);
    std::vector<double> stopMargin(kThirdOctaveBands, 1e9);
    std::vector<double> stopHz(kThirdOctaveBands, 0.0);
    const double edge = std::pow(10.0, 0.05);
    std::size_t outside = 0;
    std::size_t sines = 0;
    for (int step = -96 * 7;; ++step) {  // 1000 Hz x 2^(step/96), from 7.8 Hz
        const double hz = 1000.0 * std::exp2(step / 96.0);
        if (hz > 23900.0) break;
        if (hz < 10.0) continue;
        ++sines;
        const zef::BandSpectrum levels = SineLevels(hz, buffer);
        for (std::size_t b = 0; b < kThirdOctaveBands; ++b) {
            const double omega = hz / BandCentreHz(b);
            const double attenuation = centre[b] - levels[b];
            const MaskLimits m = ThirdOctaveClass1Limits(omega);
            const double inside = std::min(attenuation - m.minDb, m.maxDb - attenuation);
            if (inside < 0.0) ++outside;
            if (omega < edge && omega > 1.0 / edge) {
                passMargin[b] = std::min(passMargin[b], inside);
            } else if (inside < stopMargin[b]) {
                stopMargin[b] = inside;
                stopHz[b] = hz;
            }
        }
    }
    std::printf("class 1 mask, %zu sines at 1/96-octave steps, 10 Hz to 23.9 kHz, whole bank\n", sines);
    std::printf("%8s %10s %13s %13s %10s\n", "band Hz", "centre dB", "pass margin", "stop margin", "at Hz");
    for (std::size_t b = 0; b < kThirdOctaveBands; ++b)
        std::printf("%8d %10.4f %10.2f dB %10.2f dB %10.1f\n", kBandLabelsHz[b], centre[b], passMargin[b],
                    stopMargin[b], stopHz[b]);
    std::printf("readings outside the mask: %zu of %zu (goal 0)\n", outside, sines * kThirdOctaveBands);
    std::printf("worst centre reading: %.4f dB (goal within 0.1 dB)\n\n", worstCentre);
    return outside == 0 && worstCentre <= 0.1;
}

bool SpectraPerSecond() {
    zef::test::FakeAudioSystem card({.toneHz = 1000.0, .toneAmplitude = 0.5, .speed = 1.0});
    CardAnalyser analyser(card);
    std::size_t spectra = 0;
    analyser.SetSpectrumHandler([&](const zef::BandSpectrum&) { ++spectra; });
    if (!analyser.Start(0, 0).empty()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // let the stream settle
    analyser.DeliverPending();
    spectra = 0;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        analyser.DeliverPending();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    analyser.Stop();
    const double rate = static_cast<double>(spectra) / seconds;
    std::printf("spectra per second on a card paced at 48000 frames/s: %.1f (goal >= 10)\n", rate);
    return rate >= 10.0;
}

bool CpuShare() {
    const double seconds = 60.0;
    std::vector<float> noise(static_cast<std::size_t>(seconds * kRate));
    std::mt19937 random(1);
    std::normal_distribution<float> normal(0.0f, 0.1f);
    for (float& x : noise) x = normal(random);

    ThirdOctaveAnalyser bank;
    double t0 = ThreadCpuSeconds();
    for (std::size_t i = 0; i < noise.size(); i += 480)
        bank.Process(std::span<const float>(noise).subspan(i, 480));
    const double bankSeconds = ThreadCpuSeconds() - t0;

    // Baseline: one band-pass of the same order at the full rate.
    const BandPass f = DesignBandPass(1000.0, kRate);
    double s1[kMaxBandSections] = {};
    double s2[kMaxBandSections] = {};
    double sum = 0.0;
    t0 = ThreadCpuSeconds();
    for (float x : noise) {
        double v = x;
        for (std::size_t s = 0; s < f.count; ++s) {
            const Biquad& c = f.sections[s];
            const double y = c.b0 * v + s1[s];
            s1[s] = c.b1 * v - c.a1 * y + s2[s];
            s2[s] = c.b2 * v - c.a2 * y;
            v = y;
        }
        sum += v * v;
    }
    const double bandSeconds = ThreadCpuSeconds() - t0;
    const double share = 100.0 * bankSeconds / seconds;
    std::printf(
        "CPU: %.0f s of audio in %.3f s: %.2f %% of one core (goal <= 2 %%); one full-rate band-pass "
        "(baseline) %.3f s, the bank of 30 = %.1fx that%s\n",
        seconds, bankSeconds, share, bandSeconds, bankSeconds / bandSeconds, sum > 0 ? "" : " ");
    return share <= 2.0;
}

}  // namespace

int main() {
    bool met = MaskAndCentres();
    met = SpectraPerSecond() && met;
    met = CpuShare() && met;
    std::printf("goals %s\n", met ? "met" : "MISSED");
    return met ? 0 : 1;  // a missed goal fails `./zef bench`
}
