// The automatic equaliser engine on a scripted analyser and a test clock.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <optional>
#include <thread>
#include <vector>

#include "measure/autoeq_measurement.h"
#include "room_curves.h"

namespace zef::measure {
namespace {

class FakeAnalyser : public RealTimeAnalyser {
public:
    std::string refusal;
    int starts = 0;
    int device = -1;
    int input = -1;

    void SetSpectrumHandler(SpectrumHandler handler) override { handler_ = std::move(handler); }
    std::string Start(int d, int i) override {
        if (!refusal.empty()) return refusal;
        ++starts;
        device = d;
        input = i;
        running_ = true;
        return "";
    }
    void Stop() override { running_ = false; }
    bool IsRunning() override { return running_; }

    // Delivers one spectrum if running; false when stopped.
    bool Deliver(const BandSpectrum& levels) {
        if (!running_) return false;
        if (handler_) handler_(levels);
        return true;
    }

private:
    SpectrumHandler handler_;
    bool running_ = false;
};

constexpr double kBlockSeconds = 0.1;

// An engine on a fake analyser whose clock advances one block per spectrum.
struct Rig {
    FakeAnalyser analyser;
    double now = 100;
    AnalyserAutoEqEngine engine{analyser, Options()};
    std::vector<int> progress;
    int spectra = 0;

    AutoEqEngineOptions Options() {
        AutoEqEngineOptions o;
        o.averageSeconds = 2.0;
        o.clock = [this] { return now; };
        return o;
    }
    Rig() {
        engine.SetProgressHandler([this](int p) { progress.push_back(p); });
        engine.SetSpectrumHandler([this](int p) {
            EXPECT_EQ(p, AutoEqEngine::kRunning);
            ++spectra;
        });
    }
    bool Deliver(const BandSpectrum& levels) {
        const bool delivered = analyser.Deliver(levels);
        now += kBlockSeconds;
        return delivered;
    }
    // Delivers `levels` until the engine reports or the analyser stops; the
    // fit runs on a worker, so wait a little between spectra once averaging
    // is over. Bounded.
    void RunToEnd(const BandSpectrum& levels) {
        for (int i = 0; i < 20000 && progress.empty(); ++i) {
            if (!Deliver(levels)) break;
            if (engine.state() == AnalyserAutoEqEngine::State::Fitting)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
};

// A curve at a comfortable level: about -20 dBFS in all.
BandSpectrum Comfortable(std::uint32_t seed) {
    BandSpectrum levels = test::RandomRoomCurves(seed, 1)[0].levelsDb;
    const double shift = -20 - MicLevelOf(levels);
    for (double& v : levels) v += shift;
    return levels;
}

BandSpectrum Shifted(BandSpectrum levels, double db) {
    for (double& v : levels) v += db;
    return levels;
}

TEST(AutoEqEngine, StartAveragesThenFitsAndReportsFinishedOnce) {
    Rig rig;
    const BandSpectrum a = Comfortable(3);
    const BandSpectrum b = Shifted(a, -6);  // alternating blocks: the average is of powers, not of dB
    int maxGain = 40;
    ASSERT_EQ(rig.engine.Start(2, 5, maxGain, 27, 3), "");
    EXPECT_EQ(maxGain, 30);
    EXPECT_EQ(rig.analyser.device, 2);
    EXPECT_EQ(rig.analyser.input, 5);
    for (int i = 0; i < 20000 && rig.progress.empty(); ++i) {
        if (!rig.Deliver(i % 2 ? b : a)) break;
        if (rig.engine.state() == AnalyserAutoEqEngine::State::Fitting)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(rig.progress, std::vector<int>{AutoEqEngine::kFinished});
    EXPECT_FALSE(rig.analyser.IsRunning());
    EXPECT_EQ(rig.engine.state(), AnalyserAutoEqEngine::State::Finished);

    const AutoEqResult r = rig.engine.Results();
    for (std::size_t k = 0; k < kAnalyserBandCount; ++k)
        EXPECT_NEAR(r.levelsDb[k], a[k] + 10 * std::log10((1 + std::pow(10.0, -0.6)) / 2), 1e-9) << k;
    const AutoEqFit direct = FitAutoEq(r.levelsDb, 30, 3, 27);
    for (std::size_t k = 0; k < kAnalyserBandCount; ++k) {
        EXPECT_EQ(r.gainCode[k], direct.filters[k].gainCode) << k;
        EXPECT_EQ(r.qIndex[k], direct.filters[k].qIndex) << k;
        EXPECT_EQ(r.filterType[k], direct.filters[k].type) << k;
        EXPECT_EQ(r.frequencyHz[k], direct.filters[k].frequencyHz) << k;
    }
    // Nothing more after the end.
    EXPECT_FALSE(rig.Deliver(a));
    EXPECT_EQ(rig.progress.size(), 1u);
}

TEST(AutoEqEngine, LevelWindowStopsTheMeasurement) {
    const BandSpectrum ok = Comfortable(11);
    const struct {
        const char* what;
        double shiftDb;  // applied from the first block after settling
        std::optional<int> expected;
    } cases[] = {
        {"comfortable, -20 dBFS", 0, std::nullopt},
        {"above -1 dBFS", 19.5, AutoEqEngine::kInputTooHigh},
        {"below -30 dBFS", -10.5, AutoEqEngine::kInputTooLow},
        {"just inside -30 dBFS", -9.5, std::nullopt},
        {"just inside -1 dBFS", 18.5, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        int maxGain = 12;
        ASSERT_EQ(rig.engine.Start(0, 0, maxGain, 0, 29), "");
        // While settling, anything goes: silence and overload are ignored.
        rig.Deliver(Shifted(ok, -100));
        rig.Deliver(Shifted(ok, 40));
        rig.RunToEnd(Shifted(ok, c.shiftDb));
        if (c.expected) {
            EXPECT_EQ(rig.progress, std::vector<int>{*c.expected});
            EXPECT_EQ(rig.engine.state(), AnalyserAutoEqEngine::State::Idle);
        } else {
            EXPECT_EQ(rig.progress, std::vector<int>{AutoEqEngine::kFinished});
        }
        EXPECT_FALSE(rig.analyser.IsRunning());
    }
}

TEST(AutoEqEngine, RefusedAnalyserReturnsItsTextAndRunsNothing) {
    Rig rig;
    rig.analyser.refusal = "no such input";
    int maxGain = 6;
    EXPECT_EQ(rig.engine.Start(0, 9, maxGain, 0, 29), "no such input");
    EXPECT_EQ(rig.engine.MicTest(0, 9), "no such input");
    EXPECT_EQ(rig.engine.state(), AnalyserAutoEqEngine::State::Idle);
    EXPECT_EQ(rig.analyser.starts, 0);
}

TEST(AutoEqEngine, LiveAnalysisReportsLevelAndSpectrumWithoutChecksOrFit) {
    Rig rig;
    ASSERT_EQ(rig.engine.LiveAnalysis(1, 1), "");
    BandSpectrum loud{};
    loud.fill(-20);  // 30 bands of -20 dB: 10 log10(30) - 20 = -5.23 dBFS
    for (int i = 0; i < 400; ++i) ASSERT_TRUE(rig.Deliver(i % 2 ? Shifted(loud, 30) : loud));
    EXPECT_TRUE(rig.progress.empty());
    EXPECT_EQ(rig.spectra, 400);
    EXPECT_NEAR(rig.engine.MicLevelDb(), 10 * std::log10(30.0) + 10, 1e-9);
    EXPECT_EQ(rig.engine.Spectrum(), Shifted(loud, 30));
    rig.engine.Stop();
    EXPECT_FALSE(rig.analyser.IsRunning());
}

TEST(AutoEqEngine, StopWhileFittingReportsNothingMore) {
    Rig rig;
    const BandSpectrum levels = Comfortable(21);
    int maxGain = 12;
    ASSERT_EQ(rig.engine.Start(0, 0, maxGain, 0, 29), "");
    for (int i = 0; i < 1000 && rig.engine.state() != AnalyserAutoEqEngine::State::Fitting; ++i)
        rig.Deliver(levels);
    ASSERT_EQ(rig.engine.state(), AnalyserAutoEqEngine::State::Fitting);
    rig.engine.Stop();  // waits for the worker
    EXPECT_EQ(rig.engine.state(), AnalyserAutoEqEngine::State::Idle);
    EXPECT_FALSE(rig.Deliver(levels));
    EXPECT_TRUE(rig.progress.empty());
    // A new start works from a clean average.
    ASSERT_EQ(rig.engine.Start(0, 0, maxGain, 0, 29), "");
    rig.RunToEnd(levels);
    EXPECT_EQ(rig.progress, std::vector<int>{AutoEqEngine::kFinished});
    EXPECT_NEAR(rig.engine.Results().levelsDb[4], levels[4], 1e-9);
}

}  // namespace
}  // namespace zef::measure
