// The FIR wizard's measuring actions and design over scripted doubles of
// what cannot run here without a card: refusals, time-outs, engine failures,
// the design's call sequence, the clipping message and the store questions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/wizard_design.h"
#include "app/wizard_measurement.h"
#include "model/defaults.h"
#include "recording_dialogs.h"
#include "recording_exchange.h"

namespace zef::wizard {
namespace {

// An engine whose runs never finish unless told to.
class ScriptedEngine final : public MeasurementEngine {
public:
    int starts = 0;
    std::string refuse;  // returned by every start
    bool finished = false;
    int computeResult = 0;
    std::string error;

    std::string MicTest(const std::string&, int& rate, int, int, int) override {
        rate = 48000;
        ++starts;
        return refuse;
    }
    std::string SweepMeasurement(const std::string&, const std::string&, int& rate, int decayMs, int, int,
                                 int) override {
        rate = 48000;
        lastDecayMs = decayMs;
        ++starts;
        return refuse;
    }
    void Stop() override { ++stops; }
    State MeasurementState() override { return finished ? State::Done : State::Recording; }
    int MicTestRunning() override { return finished ? 0 : 1; }
    int Progress() override { return finished ? 100 : 40; }
    double PeakValue() override { return peak; }
    double peak = 0.5;
    int ComputeImpulseResponse(int, std::vector<double>& ir) override {
        if (computeResult == 0) ir = {0, 1, 0.5};
        return computeResult;
    }
    std::vector<double> ImpulseResponse() override { return {0, 1, 0.5}; }
    std::vector<double> TimePlotX() override { return {0, 1, 2}; }
    std::vector<double> TimePlotY() override { return {0, 1, 0.5}; }
    std::vector<double> FrequencyPlotX() override { return {}; }
    std::vector<double> FrequencyPlotY() override { return {}; }
    std::string Error() override { return error; }
    int lastDecayMs = 0;
    int stops = 0;
};

const CardSelection kCard{0, 1, 0};

// The level read-out a person sets the level by: dBFS to a tenth, and full
// scale reported as clipping while it happens.
TEST(WizardMeasurement, TheMicTestReadsThePeakToATenthAndSaysWhenItClips) {
    const struct {
        double peak;
        double dbfs;
        bool clipped;
    } cases[] = {{0.5, -6.02, false}, {0.9, -0.92, false}, {0.9989, -0.0095, false}, {0.9995, -0.004, true},
                 {1.0, 0.0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.peak);
        ScriptedEngine engine;
        engine.peak = c.peak;
        RecordingDialogs dialogs;
        Measurement m(engine, dialogs, "/tmp");
        ASSERT_TRUE(m.StartMicTest(kCard));
        const Measurement::Tick tick = m.Poll();
        EXPECT_NEAR(tick.peakDbfs, c.dbfs, 0.01);
        EXPECT_EQ(tick.clipped, c.clipped);
    }
    ScriptedEngine silent;
    silent.peak = 0.0;
    RecordingDialogs dialogs;
    Measurement m(silent, dialogs, "/tmp");
    ASSERT_TRUE(m.StartMicTest(kCard));
    EXPECT_FALSE(std::isfinite(m.Poll().peakDbfs));
}

TEST(WizardMeasurement, IncompleteSelectionIsRefusedAndNothingStarts) {
    struct Case {
        CardSelection card;
        int action;  // 0 test, 1 measure, 2 verify
        const char* title;
    };
    const Case cases[] = {
        {{-1, 0, 0}, 0, "Test MIC"},
        {{0, -1, 0}, 1, "Measure IR"},
        {{0, 0, -1}, 2, "Verify"},
        {{}, 1, "Measure IR"},
    };
    for (const Case& c : cases) {
        ScriptedEngine engine;
        RecordingDialogs dialogs;
        Measurement m(engine, dialogs, "/tmp");
        const bool started = c.action == 0   ? m.StartMicTest(c.card)
                             : c.action == 1 ? m.StartMeasure(c.card, 2, true)
                                             : m.StartVerify(c.card, 2);
        EXPECT_FALSE(started);
        EXPECT_EQ(engine.starts, 0);
        EXPECT_EQ(m.running(), Action::None);
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_EQ(dialogs.messages()[0].title, c.title);
        EXPECT_EQ(dialogs.messages()[0].text, "Please set all ASIO parameters");
    }
}

TEST(WizardMeasurement, ARunThatNeverCompletesEndsAtItsTimeout) {
    struct Case {
        int action;
        int timeoutMs;
        const char* title;
    };
    for (const Case& c : {Case{0, 50000, "Test"}, Case{1, 40000, "Measure IR"}, Case{2, 50000, "Verify"}}) {
        ScriptedEngine engine;
        RecordingDialogs dialogs;
        Measurement m(engine, dialogs, "/tmp");
        ASSERT_TRUE(c.action == 0   ? m.StartMicTest(kCard)
                    : c.action == 1 ? m.StartMeasure(kCard, 3, true)
                                    : m.StartVerify(kCard, 3));
        EXPECT_EQ(m.TimeoutMs(), c.timeoutMs);
        for (int i = 0; i < 20; ++i) EXPECT_FALSE(m.Poll().finished);
        EXPECT_TRUE(dialogs.messages().empty());
        EXPECT_EQ(engine.stops, 0);
        m.TimedOut();
        EXPECT_EQ(m.running(), Action::None);
        EXPECT_EQ(engine.stops, 1);  // the sound card is released
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_EQ(dialogs.messages()[0].title, c.title);
        EXPECT_EQ(dialogs.messages()[0].text,
                  "Can't complete the measurement, please check your ASIO card settings");
        // A late finish after the time-out changes nothing.
        engine.finished = true;
        EXPECT_FALSE(m.Poll().finished);
        EXPECT_TRUE(m.ir().empty());
    }
}

TEST(WizardMeasurement, FailuresSayCommunicationProblem) {
    {  // the device is off-line
        ScriptedEngine engine;
        RecordingDialogs dialogs;
        Measurement m(engine, dialogs, "/tmp");
        EXPECT_FALSE(m.StartMeasure(kCard, 2, false));
        EXPECT_EQ(engine.starts, 0);
        EXPECT_EQ(dialogs.messages().at(0).text, "Communication Problem");
    }
    {  // the engine refuses
        ScriptedEngine engine;
        engine.refuse = "the card is busy";
        RecordingDialogs dialogs;
        Measurement m(engine, dialogs, "/tmp");
        EXPECT_FALSE(m.StartMeasure(kCard, 2, true));
        EXPECT_EQ(m.running(), Action::None);
        EXPECT_EQ(dialogs.messages().at(0).text, "Communication Problem");
    }
    {  // the response cannot be computed
        ScriptedEngine engine;
        engine.computeResult = -1;
        RecordingDialogs dialogs;
        Measurement m(engine, dialogs, "/tmp");
        ASSERT_TRUE(m.StartVerify(kCard, 4));
        EXPECT_EQ(engine.lastDecayMs, 4000);
        engine.finished = true;
        const Measurement::Tick tick = m.Poll();
        EXPECT_TRUE(tick.finished);
        EXPECT_FALSE(tick.ok);
        EXPECT_EQ(dialogs.messages().at(0).title, "Verify");
        EXPECT_EQ(dialogs.messages().at(0).text, "Communication Problem");
    }
    {  // the mic test's engine failed; a finished test reports under "Measure IR"
        ScriptedEngine engine;
        engine.error = "no samples";
        RecordingDialogs dialogs;
        Measurement m(engine, dialogs, "/tmp");
        ASSERT_TRUE(m.StartMicTest(kCard));
        EXPECT_EQ(m.Poll().peakDb, -6);
        engine.finished = true;
        EXPECT_TRUE(m.Poll().finished);
        EXPECT_EQ(dialogs.messages().at(0).title, "Measure IR");
    }
    {  // a good measurement hands its response over
        ScriptedEngine engine;
        RecordingDialogs dialogs;
        Measurement m(engine, dialogs, "/tmp");
        ASSERT_TRUE(m.StartMeasure(kCard, 2, true));
        EXPECT_FALSE(m.StartVerify(kCard, 2));  // one action at a time
        engine.finished = true;
        EXPECT_TRUE(m.Poll().ok);
        EXPECT_EQ(m.ir(), (std::vector<double>{0, 1, 0.5}));
        EXPECT_TRUE(dialogs.messages().empty());
    }
}

// A designer that records the calls it gets.
class ScriptedDesigner final : public FirDesigner {
public:
    explicit ScriptedDesigner(std::vector<std::string>& log, int secondResult)
        : log_(log), result_(secondResult) {}
    void SetFirMode(int mode) override { log_.push_back("mode " + std::to_string(mode)); }
    void AddFilterSection(const TargetSection& s) override {
        log_.push_back("section " + std::to_string(s.index));
    }
    void SetTargetLeading(std::int16_t v) override { log_.push_back("leading " + std::to_string(v)); }
    int Design(const FirDesignInputs& in, double& latency, int& taps, std::vector<double>&) override {
        log_.push_back("design " + std::to_string(static_cast<int>(in.maxFrequency)));
        latency = 2.5;
        taps = 384;
        return ++designs_ == 2 ? result_ : 0;
    }
    std::vector<double> FirCoefficients() override {
        std::vector<double> c(384, 0.0);
        c[120] = 0.5;
        return c;
    }
    std::vector<double> ImpulseResponseArray() override { return {1.0}; }
    std::vector<double> FirArray() override { return FirCoefficients(); }
    std::vector<double> CombinedArray() override { return {0.5}; }
    std::vector<double> TargetArray() override { return {1.0}; }

private:
    std::vector<std::string>& log_;
    int result_;
    int designs_ = 0;
};

TEST(WizardDesign, RunsTwiceWithTheLeadingValueBetweenAndReportsClippingOnce) {
    for (int secondResult : {0, 1}) {
        std::vector<std::string> log;
        RecordingDialogs dialogs;
        dsp::FftwResponseCalculator calculator;
        Design design([&] { return std::make_unique<ScriptedDesigner>(log, secondResult); }, calculator,
                      dialogs);
        DesignSettings settings;
        settings.firMode = 1;
        settings.maxFrequency = 15000;
        EqTargetRecord target = DefaultEqTarget();
        target.leading = -12;
        ASSERT_TRUE(design.Calculate({0, 1, 0}, settings, target));
        std::vector<std::string> expected = {"mode 1"};
        for (int i = 0; i < 10; ++i) expected.push_back("section " + std::to_string(i));
        expected.insert(expected.end(), {"design 15000", "leading -12", "design 15000"});
        EXPECT_EQ(log, expected);
        EXPECT_DOUBLE_EQ(settings.latencyMs, 2.5);  // the designer's latency is taken over
        EXPECT_TRUE(design.designed());
        EXPECT_EQ(dialogs.messages().size(), secondResult == 1 ? 1u : 0u);
        if (secondResult == 1) {
            EXPECT_EQ(dialogs.messages()[0].text, "Filter gain has been reduced to avoid clipping");
        }
        // The FIR's curve: a single tap of 0.5 is -6 dB everywhere.
        EXPECT_NEAR(design.curves().fir.db[1000], -6.0206, 1e-3);
    }
}

TEST(WizardDesign, StoringTwiceAsksAlreadyStoredAndAFailedStoreSaysSo) {
    std::vector<std::string> log;
    RecordingDialogs dialogs;
    dsp::FftwResponseCalculator calculator;
    Design design([&] { return std::make_unique<ScriptedDesigner>(log, 0); }, calculator, dialogs);
    DesignSettings settings;
    ASSERT_TRUE(design.Calculate({1.0}, settings, DefaultEqTarget()));
    test::RecordingExchange exchange;
    Model model;
    model.entry(1).online = true;
    const StoreTarget target{exchange, model, 1, 1};

    dialogs.answers = {Answer::No, Answer::Yes, Answer::No, Answer::Yes};
    EXPECT_FALSE(design.Store(target, 7, 5, 2026));  // No to "Are you sure?"
    EXPECT_TRUE(exchange.frames.empty());
    EXPECT_TRUE(design.Store(target, 7, 5, 2026));
    EXPECT_TRUE(design.stored());
    EXPECT_FALSE(design.Store(target, 7, 5, 2026));  // No to "already stored"
    const std::size_t frames = exchange.frames.size();
    EXPECT_EQ(frames, 1u + 24 + 1 + 1);
    exchange.failAt = static_cast<int>(frames) + 3;
    EXPECT_FALSE(design.Store(target, 7, 5, 2026));
    ASSERT_EQ(dialogs.calls.size(), 5u);
    EXPECT_EQ(dialogs.calls[0].text, "            Are you sure?");
    EXPECT_EQ(dialogs.calls[1].text, "            Are you sure?");
    EXPECT_EQ(dialogs.calls[2].text, "The current FIR is already stored, do you want to continue?");
    EXPECT_EQ(dialogs.calls[3].text, "The current FIR is already stored, do you want to continue?");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(dialogs.calls[static_cast<std::size_t>(i)].title, "Store FIR");
    EXPECT_EQ(dialogs.calls[4].text, "Communication problem, can't store FIR.");
    EXPECT_EQ(dialogs.calls[4].icon, Icon::Critical);
    // The name went to slot 1's block: "Wiz4:07/05/2026" blank padded.
    EXPECT_EQ(exchange.frames[0].address(), 675);
    EXPECT_EQ(std::string(exchange.frames[0].payload.begin(), exchange.frames[0].payload.end()),
              "Wiz4:07/05/2026 ");
    // A new design clears the stored flag.
    ASSERT_TRUE(design.Calculate({1.0}, settings, DefaultEqTarget()));
    EXPECT_FALSE(design.stored());
}

TEST(WizardDesign, PhaseIsShownWithoutTheMainTapDelay) {
    dsp::FftwResponseCalculator calculator;
    for (int delay : {0, 1, 100, 383}) {
        std::vector<double> h(384, 0.0);
        h[static_cast<std::size_t>(delay)] = -0.5;  // a pure delay, inverted
        h[static_cast<std::size_t>(std::min(delay + 1, 383))] += delay < 383 ? 0.01 : 0.0;
        GridResponse r;
        ASSERT_TRUE(ComputeGridResponse(calculator, h, r));
        ASSERT_EQ(MainTap(h), delay);
        RemoveDelay(r, delay);
        for (std::size_t k : {1u, 700u, 3413u, 6826u}) {
            // What is left is the inversion (180 degrees) and the small tap's
            // few degrees.
            EXPECT_GT(std::fabs(r.degrees[k]), 170.0) << delay << " " << k;
            EXPECT_LE(std::fabs(r.degrees[k]), 180.0) << delay << " " << k;
        }
    }
}

TEST(WizardDesign, TargetCurveFollowsTheRecord) {
    EqTargetRecord r = DefaultEqTarget();
    r.gainDb[3] = 6.0;  // the 1000 Hz bell
    const dsp::Curve on = EqTargetGridCurve(r);
    const std::size_t k1000 = static_cast<std::size_t>(1000 / dsp::kGridStepHz + 0.5);
    EXPECT_NEAR(on[k1000], 6.0, 0.1);
    EXPECT_NEAR(on[static_cast<std::size_t>(100 / dsp::kGridStepHz)], 0.0, 0.3);
    r.flag = 0;  // the sections are kept but ignored
    EXPECT_NEAR(EqTargetGridCurve(r)[k1000], 0.0, 1e-9);
    r.leading = -10;  // -1 dB per octave about 1 kHz
    EXPECT_NEAR(EqTargetGridCurve(r)[static_cast<std::size_t>(2000 / dsp::kGridStepHz + 0.5)], -1.0, 0.01);
}

}  // namespace
}  // namespace zef::wizard
