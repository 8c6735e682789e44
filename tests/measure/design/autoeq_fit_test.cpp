// The automatic equaliser's fit: legal device values, the gain limit, the
// overlap of neighbouring filters, determinism, and what the device makes of
// a fitted result.

#include "measure/autoeq_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dsp/curves.h"
#include "dsp/grid.h"
#include "app/autoeq_apply.h"
#include "model/commands.h"
#include "recording_exchange.h"
#include "model/defaults.h"
#include "model/tables.h"
#include "room_curves.h"

namespace zef::measure {
namespace {

constexpr DeviceSlot kSlot = 1;

struct Residual {
    double rms = 0;
    double max = 0;
};

Residual ResidualOf(const AutoEqFit& fit, int minBand, int maxBand) {
    Residual r;
    for (int b = minBand; b <= maxBand; ++b) {
        const double v = fit.residualDb[static_cast<std::size_t>(b)];
        r.rms += v * v;
        r.max = std::max(r.max, std::fabs(v));
    }
    r.rms = std::sqrt(r.rms / (maxBand - minBand + 1));
    return r;
}

TEST(AutoEqFit, EveryFilterIsALegalDeviceSetting) {
    const auto curves = test::RandomRoomCurves(7, 6);
    for (const test::RoomCurve& c : curves) {
        SCOPED_TRACE(testing::Message()
                     << "gain " << c.maxGainHalfDb << " bands " << c.minBand << ".." << c.maxBand);
        const AutoEqFit fit = FitAutoEq(c.levelsDb, c.maxGainHalfDb, c.minBand, c.maxBand);
        for (int k = 0; k < kAutoEqBands; ++k) {
            const AutoEqFilter& f = fit.filters[static_cast<std::size_t>(k)];
            EXPECT_TRUE(f.type == kBandBell || f.type == kBandHighShelf || f.type == kBandLowShelf) << k;
            EXPECT_GE(f.qIndex, 0);
            EXPECT_LT(f.qIndex, static_cast<int>(kEqQ.size()));
            EXPECT_GE(f.frequencyHz, 20);
            EXPECT_LE(f.frequencyHz, 20000);
            EXPECT_LE(std::abs(f.gainCode - kFlatGainCode), c.maxGainHalfDb) << k;
            if (k < c.minBand || k > c.maxBand) {
                EXPECT_EQ(f.gainCode, kFlatGainCode) << k;
            }
            if (f.type == kBandBell) {
                EXPECT_EQ(f.frequencyHz, kAutoEqBandHz[static_cast<std::size_t>(k)]);
            }
        }
        for (double eq : fit.eqDb) EXPECT_LE(std::fabs(eq), c.maxGainHalfDb / 2.0 + 1e-9);
    }
}

// Needs beyond the maximum are met at the maximum and never beyond it, in
// every band, boost or cut, narrow or broad.
TEST(AutoEqFit, NeedsBeyondTheMaximumStopAtIt) {
    const struct {
        double depthDb;  // the level's deviation in the middle bands (negative: a dip to fill)
        int widthBands;
        int maxGainHalfDb;
    } cases[] = {{-5, 5, 6}, {10, 5, 6}, {-9, 1, 12}, {12, 3, 4}, {-3, 12, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.depthDb << " dB over " << c.widthBands << " bands, limit " << c.maxGainHalfDb);
        BandSpectrum levels{};
        for (int b = 15 - c.widthBands / 2; b <= 15 + c.widthBands / 2; ++b)
            levels[static_cast<std::size_t>(b)] = c.depthDb;
        const AutoEqFit fit = FitAutoEq(levels, c.maxGainHalfDb, 0, 29);
        const double limit = c.maxGainHalfDb / 2.0;
        for (double eq : fit.eqDb) EXPECT_LE(std::fabs(eq), limit + 1e-9);
        // The middle band is corrected as far as the limit allows.
        const double wanted = fit.targetDb - c.depthDb;
        const double middle = fit.eqDb[15];
        EXPECT_GT(middle * (wanted > 0 ? 1 : -1), limit - 0.5);
    }
}

// A band no boost within the limit can reach is left out and reported; the
// other bands get the fit they would get if it were level with them.
TEST(AutoEqFit, UnreachableBandsAreLeftOutAndTheRestFitAsWithoutThem) {
    const struct {
        int band;
        double levelDb;
        int maxGainHalfDb;
        AutoEqExclusion expected;
    } cases[] = {
        {7, -55, 12, AutoEqExclusion::Dip},           {29, -55, 12, AutoEqExclusion::HighRollOff},
        {0, -55, 12, AutoEqExclusion::LowRollOff},    {29, -60, 12, AutoEqExclusion::HighRollOff},
        {29, -80, 12, AutoEqExclusion::HighRollOff},  {29, -150, 12, AutoEqExclusion::HighRollOff},
        {15, -47, 4, AutoEqExclusion::Dip},           {15, -47, 12, AutoEqExclusion::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "band " << c.band << " at " << c.levelDb << " dB, limit "
                                        << c.maxGainHalfDb);
        // A gentle tilt, so that "the fit without it" is not trivially flat.
        BandSpectrum without{};
        for (std::size_t b = 0; b < without.size(); ++b) without[b] = -40.0 + 0.1 * static_cast<double>(b);
        BandSpectrum with = without;
        with[static_cast<std::size_t>(c.band)] = c.levelDb;
        const AutoEqFit reference = FitAutoEq(without, c.maxGainHalfDb, 0, 29);
        const AutoEqFit fit = FitAutoEq(with, c.maxGainHalfDb, 0, 29);
        EXPECT_EQ(fit.excluded[static_cast<std::size_t>(c.band)], c.expected);
        for (std::size_t b = 0; b < with.size(); ++b) {
            if (static_cast<int>(b) == c.band) continue;
            EXPECT_EQ(fit.excluded[b], AutoEqExclusion::None) << b;
            if (c.expected != AutoEqExclusion::None) {
                EXPECT_NEAR(fit.eqDb[b], reference.eqDb[b], 0.5) << b;
            }
            EXPECT_LE(std::fabs(fit.eqDb[b]), c.maxGainHalfDb / 2.0 + 1e-9) << b;
        }
        const std::vector<std::string> notes = AutoEqExclusionNotes(fit);
        ASSERT_EQ(notes.size(), c.expected == AutoEqExclusion::None ? 0u : 1u);
        if (!notes.empty()) {
            const std::string hz = std::to_string(kAutoEqBandHz[static_cast<std::size_t>(c.band)]);
            EXPECT_EQ(notes[0].rfind(hz + " Hz: ", 0), 0u) << notes[0];
        }
    }
}

// Boost and cut are limited separately, in the gain codes and in every band.
TEST(AutoEqFit, BoostAndCutLimitsHoldSeparately) {
    const struct {
        int boostHalfDb;
        int cutHalfDb;
    } cases[] = {{2, 12}, {12, 2}, {4, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "boost " << c.boostHalfDb << " cut " << c.cutHalfDb);
        BandSpectrum levels{};
        for (int b = 4; b <= 8; ++b) levels[static_cast<std::size_t>(b)] = 8.0;     // a peak to cut
        for (int b = 18; b <= 22; ++b) levels[static_cast<std::size_t>(b)] = -2.5;  // a dip to fill
        const AutoEqFit fit = FitAutoEq(levels, NormaliseAutoEqRange(c.boostHalfDb, c.cutHalfDb, 0, 29));
        for (std::size_t b = 0; b < levels.size(); ++b) {
            EXPECT_LE(fit.eqDb[b], c.boostHalfDb / 2.0 + 1e-9) << b;
            EXPECT_GE(fit.eqDb[b], -c.cutHalfDb / 2.0 - 1e-9) << b;
            EXPECT_LE(fit.filters[b].gainCode, kFlatGainCode + c.boostHalfDb) << b;
            EXPECT_GE(fit.filters[b].gainCode, kFlatGainCode - c.cutHalfDb) << b;
        }
        // Each side is used up to its own limit.
        EXPECT_GT(-fit.eqDb[6], std::min(c.cutHalfDb / 2.0, 7.0) - 0.5);
        EXPECT_GT(fit.eqDb[20], std::min(c.boostHalfDb / 2.0, 2.5) - 0.6);
    }
}

TEST(AutoEqFit, IdenticalInputGivesIdenticalOutput) {
    const test::RoomCurve c = test::RandomRoomCurves(99, 1)[0];
    const AutoEqFit first = FitAutoEq(c.levelsDb, c.maxGainHalfDb, c.minBand, c.maxBand);
    AutoEqFit onThread;
    std::thread([&] { onThread = FitAutoEq(c.levelsDb, c.maxGainHalfDb, c.minBand, c.maxBand); }).join();
    AutoEqFit again = FitAutoEq(c.levelsDb, c.maxGainHalfDb, c.minBand, c.maxBand);
    for (const AutoEqFit* other : {&onThread, &again}) {
        EXPECT_EQ(other->filters, first.filters);
        EXPECT_EQ(other->eqDb, first.eqDb);  // bit for bit
        EXPECT_EQ(other->residualDb, first.residualDb);
    }
}

// A gentle curve is easy; broad overlapping corrections are where fitting
// each band alone fails. The fit must stay within the quality figures on
// both, and beat the per-band fit.
TEST(AutoEqFit, AccountsForOverlapWhereThePerBandFitFails) {
    const auto curves = test::RandomRoomCurves(2024, 4);
    for (const test::RoomCurve& c : curves) {
        SCOPED_TRACE(testing::Message()
                     << "gain " << c.maxGainHalfDb << " bands " << c.minBand << ".." << c.maxBand);
        const Residual fitted =
            ResidualOf(FitAutoEq(c.levelsDb, c.maxGainHalfDb, c.minBand, c.maxBand), c.minBand, c.maxBand);
        const Residual naive = ResidualOf(
            NaiveAutoEqFit(c.levelsDb, c.maxGainHalfDb, c.minBand, c.maxBand, 16), c.minBand, c.maxBand);
        EXPECT_LE(fitted.rms, 0.15);
        EXPECT_LE(fitted.max, 0.5);
        EXPECT_LT(fitted.rms, naive.rms);
    }
}

// The result, applied through the parameter writer, arrives as command 5 frames
// carrying exactly the fitted codes, and the device's own response of those
// bands has the band levels the fit predicted.
TEST(AutoEqFit, AppliedResultIsSentByteExactAndRespondsAsPredicted) {
    const test::RoomCurve c = test::RandomRoomCurves(5, 2)[1];
    const AutoEqFit fit = FitAutoEq(c.levelsDb, c.maxGainHalfDb, c.minBand, c.maxBand);
    const AutoEqResult result = ToAutoEqResult(fit, c.levelsDb);
    for (ChannelCode output : {kOutput1, kOutput2}) {
        SCOPED_TRACE(static_cast<int>(output));
        auto model = std::make_unique<Model>();
        ResetToDefaults(model->device(kSlot));
        test::RecordingExchange exchange;
        ParameterWriter writer(*model, exchange);
        ASSERT_EQ(ApplyAutoEq(writer, kSlot, output, result, c.minBand, c.maxBand), kOk);

        ASSERT_EQ(exchange.frames.size(), kAnalyserBandCount);
        for (std::size_t k = 0; k < kAnalyserBandCount; ++k) {
            const auto& f = exchange.frames[k];
            const bool used = static_cast<int>(k) >= c.minBand && static_cast<int>(k) <= c.maxBand;
            const int frequency = used ? result.frequencyHz[k] : kAutoEqBandHz[k];
            EXPECT_EQ(f.command, cmd::kEqBand);
            EXPECT_EQ(f.p[0], output);
            EXPECT_EQ(f.p[1], k);
            EXPECT_EQ(f.p[3], used ? result.filterType[k] : kBandBell);
            EXPECT_EQ(f.p[4], used ? result.gainCode[k] : kFlatGainCode);  // not bypassed
            EXPECT_EQ(f.p[5] << 8 | f.p[6], frequency);
            EXPECT_EQ(f.p[7], used ? result.qIndex[k] : kEqQUnityCode);
        }

        // The bands as the response curves evaluate them, on the display grid,
        // power-averaged over each band with pink-noise (1/f) weights.
        const dsp::GridTables tables(dsp::FrequencyGrid::Nominal());
        std::vector<double> total(dsp::kGridPoints, 0.0);
        const EditorValues& v = model->device(kSlot).values;
        for (int k = 0; k < kAutoEqBands; ++k) {
            const auto i = static_cast<std::size_t>(OutputBandIndex(output, k));
            dsp::BandSetting band{v.bandType[i], v.bandFrequency[i], v.bandQ[i], v.bandGain[i],
                                  v.bandBypass[i]};
            dsp::Curve curve;
            dsp::BandCurveDb(band, tables, curve);
            for (std::size_t p = 0; p < dsp::kGridPoints; ++p) total[p] += curve[p];
        }
        for (std::size_t b = 10; b < kAnalyserBandCount - 1; ++b) {  // 250 Hz up: enough grid points per band
            const double low = kAutoEqBandHz[b] * std::exp2(-1.0 / 6),
                         high = kAutoEqBandHz[b] * std::exp2(1.0 / 6);
            double power = 0, weight = 0;
            for (std::size_t p = 1; p < dsp::kGridPoints; ++p) {
                if (tables.hz[p] < low || tables.hz[p] > high) continue;
                power += std::pow(10.0, total[p] / 10) / tables.hz[p];
                weight += 1 / tables.hz[p];
            }
            EXPECT_NEAR(10 * std::log10(power / weight), fit.eqDb[b], 0.05) << "band " << b;
        }
    }
}

// A failed send ends the apply at once and leaves the model's bands as they
// were: no partial set is kept.
TEST(AutoEqFit, ApplyStopsAtTheFirstFailedSendAndKeepsTheOldBands) {
    BandSpectrum room{};  // an uneven room, so that the fitted bands differ from the defaults
    for (std::size_t k = 0; k < room.size(); ++k) room[k] = -40.0 + 4.0 * std::sin(0.9 * static_cast<double>(k));
    const AutoEqResult result = ToAutoEqResult(FitAutoEq(room, 12, 0, 29), room);
    for (const int failAt : {-1, 2}) {  // all sends succeed / the third one fails
        SCOPED_TRACE(failAt);
        auto model = std::make_unique<Model>();
        ResetToDefaults(model->device(kSlot));
        const auto before = model->device(kSlot).preset.bytes;
        test::RecordingExchange exchange;
        exchange.failAt = failAt;
        ParameterWriter writer(*model, exchange);
        const Status status = ApplyAutoEq(writer, kSlot, kOutput1, result, 0, 29);
        if (failAt < 0) {
            EXPECT_EQ(status, kOk);
            EXPECT_NE(model->device(kSlot).preset.bytes, before) << "the fit must change the bands";
            continue;
        }
        EXPECT_EQ(status, kFailed);
        ASSERT_GE(exchange.frames.size(), 3u);
        EXPECT_EQ(model->device(kSlot).preset.bytes, before);
    }
}

}  // namespace
}  // namespace zef::measure
