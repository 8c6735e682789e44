// The rig's rendering against the editor's response math: a broadband periodic signal played
// through the virtual card into the simulated amplifier comes back, at every frequency of the
// editor's grid from 20 Hz to 20 kHz, with the magnitude the editor computes for the same
// memory: the input group, the routing, the output group (crossovers, EQ in either mode, FIR)
// and both gains. The simulator decodes its raw memory itself; the expectation comes from a
// model built with the editor's own memory map, so a mistake on either side shows here.

#include <fftw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "dsp/fir.h"
#include "dsp/responses.h"
#include "model/editor_sync.h"
#include "model/encodings.h"
#include "model/fir_image.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "model/tables.h"
#include "rig_harness.h"

namespace zef::test {
namespace {

constexpr std::size_t kPeriod = 16384;  // the editor's transform length: bins fall on its grid
constexpr std::size_t kFirstBin = 7;    // 20.5 Hz
constexpr std::size_t kLastBin = dsp::kGridPoints - 1;  // 19997.9 Hz
constexpr double kTolerance = 0.1;                      // dB
// Bins more than this below the loudest bin are held only to being that quiet: the card's
// float samples carry about 140 dB of range in all, shared by every bin.
constexpr double kRangeDb = 60;
constexpr DeviceSlot kSlot = 1;

// One period of a flat-spectrum signal (every bin 1..8191 at the same amplitude, random
// phases), RMS -40 dBFS so that boosts of 30 dB stay below full scale.
std::vector<double> Multisine() {
    std::vector<double> x(kPeriod);
    fftw_complex* spectrum = fftw_alloc_complex(kPeriod / 2 + 1);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> phase(0, 2 * std::numbers::pi);
    for (std::size_t k = 0; k <= kPeriod / 2; ++k) {
        const bool used = k > 0 && k < kPeriod / 2;
        const double p = phase(random);
        spectrum[k][0] = used ? std::cos(p) : 0;
        spectrum[k][1] = used ? std::sin(p) : 0;
    }
    fftw_plan plan = fftw_plan_dft_c2r_1d(int(kPeriod), spectrum, x.data(), FFTW_ESTIMATE);
    fftw_execute(plan);
    fftw_destroy_plan(plan);
    fftw_free(spectrum);
    double power = 0;
    for (double v : x) power += v * v;
    const double scale = std::sqrt(0.5) * 0.01 / std::sqrt(power / kPeriod);
    for (double& v : x) v *= scale;
    return x;
}

// The device's memory as the editor's model sees it.
DeviceModel ModelOf(zefsim::Device& device) {
    DeviceModel m;
    const auto memory = device.memory(0, kDeviceMemorySize);
    std::copy_n(memory.begin(), kSettingsSize, m.settings.bytes.begin());
    std::array<std::uint8_t, kPresetSize> preset{};
    std::copy(memory.begin() + kSettingsSize, memory.end(), preset.begin());
    DecodePresetFromDevice(preset, m.preset);
    for (int o = 0; o < 2; ++o) {
        FirImage image{};
        const auto bytes = device.memory(FirAddress(o), kFirImageSize);
        std::copy(bytes.begin(), bytes.end(), image.begin());
        m.firTaps[std::size_t(o)] = TapsFromFirImage(image);
    }
    return m;
}

void WriteToDevice(const DeviceModel& m, zefsim::Device& device) {
    std::array<std::uint8_t, kPresetSize> preset{};
    EncodePresetToDevice(m.preset, preset);
    device.setMemory(kPresetBaseAddress, std::vector<std::uint8_t>(preset.begin(), preset.end()));
    device.setMemory(0, std::vector<std::uint8_t>(m.settings.bytes.begin(), m.settings.bytes.end()));
    for (int o = 0; o < 2; ++o) {
        const FirImage image = FirImageFromTaps(m.firTaps[std::size_t(o)]);
        device.setMemory(FirAddress(o), std::vector<std::uint8_t>(image.begin(), image.end()));
    }
}

// A random but plausible setting of everything the response depends on.
void Randomise(DeviceModel& m, std::mt19937& random) {
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const auto chance = [&](double p) { return std::bernoulli_distribution(p)(random); };
    PresetImage& p = m.preset;
    for (int i = 0; i < 2; ++i) p[pi::InputGain(i)] = std::uint8_t(pick(104, 128));
    p[pi::kChannelMode] = std::uint8_t(pick(0, 3));
    p[pi::kInputEqBypass] = std::uint8_t(chance(0.15) ? pick(1, 3) : 0);
    for (int band = 0; band < kFirstMaskingBand; ++band) {
        const auto offset = BandRecordOffset(p, band);
        if (!offset) continue;
        BandRecord r;
        r.type = std::uint8_t(std::discrete_distribution<int>({6, 2, 2, 1, 1, 1, 1, 1})(random));
        r.frequency =
            std::uint16_t(std::lround(30 * std::pow(600.0, std::uniform_real_distribution<>(0, 1)(random))));
        if (r.type == kBandHighPass) r.frequency = std::uint16_t(pick(20, 150));
        if (r.type == kBandLowPass) r.frequency = std::uint16_t(pick(8000, 20000));
        r.qCode = std::uint8_t(pick(r.type == kBandNotch ? 20 : 0, 60));
        r.setGainCode(pick(10, 50));
        r.setBypassed(chance(0.15));
        r.writeTo(p, *offset);
    }
    for (int n = 0; n < 4; ++n) {
        CrossoverRecord x;
        x.slope = std::uint8_t(pick(0, 8));
        x.frequency = std::uint16_t(n % 2 ? pick(5000, 20000) : pick(20, 200));
        x.writeTo(p, CrossoverOffset(n));
    }
    p[pi::kEqMode] = std::uint8_t(chance(0.5) ? 1 : 0);
    p[pi::kOutputEqBypass] = std::uint8_t(chance(0.15) ? pick(1, 3) : 0);
    p[pi::kFirBypass] = std::uint8_t(pick(0, 3));
    p[pi::kDelayBypass] = std::uint8_t(pick(0, 3));
    p[pi::kOutputPolarity] = std::uint8_t(pick(0, 3));
    p[pi::kInputPolarity] = std::uint8_t(pick(0, 3));
    for (int o = 0; o < 2; ++o) {
        p[pi::OutputGain(o)] = std::uint8_t(pick(104, 128));
        WriteDelay(p, o, {std::uint16_t(pick(0, 20)), std::uint8_t(pick(0, 47))});
        const std::array<RoutingState, 4> states = {
            {{false, false}, {true, false}, {false, true}, {true, true}}};
        WriteRouting(p, o, states[std::size_t(pick(0, 3))]);
        // A direct path with a smear of decaying random taps.
        auto& taps = m.firTaps[std::size_t(o)];
        const int lead = pick(0, 40);
        std::normal_distribution<double> smear(0.0, 0.15);
        for (int t = 0; t < int(kFirTapCount); ++t) {
            const double c =
                (t == lead ? 1.0 : 0.0) + (t > lead ? smear(random) * std::exp(-(t - lead) / 30.0) : 0.0);
            taps[std::size_t(t)] = dsp::CoefficientToTap(c);
        }
    }
}

// 20 log10 |X_k| of one period.
std::vector<double> SpectrumDb(const std::vector<double>& period, dsp::ResponseCalculator& fft) {
    EXPECT_EQ(fft.compute(period, int(kPeriod), 48000.0), kOk);
    return {fft.magnitudeDb().begin(), fft.magnitudeDb().end()};
}

// The mean of the last `periods` periods of a recording.
std::vector<double> LastPeriods(const std::vector<float>& x, int periods) {
    std::vector<double> mean(kPeriod, 0.0);
    for (int p = 1; p <= periods; ++p)
        for (std::size_t i = 0; i < kPeriod; ++i)
            mean[i] += x[x.size() - std::size_t(p) * kPeriod + i] / periods;
    return mean;
}

TEST(RigRendering, MatchesTheEditorsGroupResponseForRandomStates) {
    const std::vector<double> signal = Multisine();
    dsp::FftwResponseCalculator fft;
    const std::vector<double> played = SpectrumDb(signal, fft);
    RigBench bench(20);
    const std::size_t frames = 6 * kPeriod;
    int silentChecks = 0, comparedRuns = 0;

    for (unsigned seed = 1; seed <= 10; ++seed) {
        std::mt19937 random(seed);
        DeviceModel model = ModelOf(bench.device());
        Randomise(model, random);
        WriteToDevice(model, bench.device());
        LoadEditorValues(model);
        dsp::ResponseStore store;
        dsp::UpdateAllResponses(store, model, kSlot);
        for (int o = 0; o < 2; ++o) ASSERT_EQ(dsp::ComputeFirResponse(store, model, kSlot, o), kOk);
        const dsp::DeviceResponses& curves = store.device(kSlot);

        for (int o = 0; o < 2; ++o) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", output " + std::to_string(o + 1));
            bench.rig().setRoom(zefsim::DirectWire(o));
            // Drive the input this output listens to (L when both); the loopback is the
            // reference for L, the known signal for R (its loopback stays silent).
            const std::array<std::uint8_t, 2> routing = {model.preset[pi::Routing(o, 0)],
                                                         model.preset[pi::Routing(o, 1)]};
            const int source = routing[0] & 0x80 ? 0 : routing[1] & 0x80 ? 1 : -1;
            const int driven = source < 0 ? 0 : source;
            const double gains = source < 0 ? 0.0
                                            : model.values.channelGainDb[std::size_t(source)] +
                                                  model.values.channelGainDb[std::size_t(kOutput1 + o)] +
                                                  ((routing[std::size_t(source)] & 0x7F) / 2.0 - 15.0);
            const auto expectedDb = [&](std::size_t k) {
                return gains + curves.group(dsp::kGroupInputL + driven)[k] +
                       curves.group(dsp::kGroupOutput1 + o)[k];
            };
            // Quieter for a state with big boosts, so the microphone input never clips.
            double loudest = -200;
            for (std::size_t k = 1; k < dsp::kGridPoints; ++k) loudest = std::max(loudest, expectedDb(k));
            const float scale = float(std::pow(10.0, (std::min(-40.0, -25.0 - loudest) + 40.0) / 20.0));
            const Recording r = bench.Record(frames, [&](std::size_t n, float* out) {
                out[0] = out[1] = 0.0f;
                out[driven] = scale * float(signal[n % kPeriod]);
            });
            ASSERT_EQ(r.error, "");
            const std::vector<double> heard = SpectrumDb(LastPeriods(r.mic, 2), fft);
            if (source < 0) {
                EXPECT_LT(LevelDbfs(r.mic, frames - kPeriod, frames), -200);
                ++silentChecks;
                continue;
            }
            std::vector<double> reference = played;
            if (driven == 0)
                reference = SpectrumDb(LastPeriods(r.loopback, 2), fft);
            else
                for (double& db : reference) db += 20 * std::log10(scale);
            int compared = 0, worst = -1;
            double worstError = 0;
            for (std::size_t k = kFirstBin; k <= kLastBin; ++k) {
                const double expected = expectedDb(k);
                const double measured = heard[k] - reference[k];
                if (expected < loudest - kRangeDb) {
                    EXPECT_LT(measured, loudest - kRangeDb + 10) << "bin " << k;
                    continue;
                }
                ++compared;
                if (std::abs(measured - expected) > std::abs(worstError)) {
                    worstError = measured - expected;
                    worst = int(k);
                }
            }
            EXPECT_LE(std::abs(worstError), kTolerance)
                << "worst at " << worst * dsp::kGridStepHz << " Hz: " << worstError << " dB";
            EXPECT_GT(compared, 3000);
            ++comparedRuns;
        }
    }
    EXPECT_GE(comparedRuns, 8);  // the seeds cover both sources, both EQ modes and the FIR
    EXPECT_GE(silentChecks, 1);
}

}  // namespace
}  // namespace zef::test
