#pragma once
// The wizard's three measuring actions — the microphone test ("Test"), the
// impulse-response measurement ("Measure IR") and the verification
// ("Verify") — over the measurement engine. The window owns two timers: a
// 100 ms progress timer that calls Poll(), and a time-out timer of
// TimeoutMs() that calls TimedOut(). Only one action runs at a time; every
// message goes through the dialogs seam.

#include <limits>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/measure_session.h"
#include "measure/calibration.h"
#include "measure/measurement_engine.h"

namespace zef::wizard {

inline constexpr int kProgressTickMs = 100;
inline constexpr int kMeasureTimeoutMs = 40000;
inline constexpr int kMicTestTimeoutMs = 50000;
inline constexpr int kVerifyTimeoutMs = 50000;
inline constexpr int kVuSegments = 18;
inline constexpr int kVuYellowFrom = 12;  // segments 12..15 yellow
inline constexpr int kVuRedFrom = 16;     // segments 16..17 red
inline constexpr int kNoPeakDb = -99;     // what a silent input reads

// The peak read-out: the integer part of ln(peak) x 8.686 (dB of a linear
// peak), kNoPeakDb for silence and never below it.
int PeakDb(double linearPeak);
// Lit segments (0..18, bottom up) of the VU meter for a read-out: segment i
// lights from -51 + 3i dB, so 0 dB and above light all 18 and -51 dB one.
int VuLitSegments(int peakDb);

enum class Action { None, MicTest, Measure, Verify };

// Title of an action's messages: "Test", "Measure IR" or "Verify".
const char* ActionTitle(Action action);

class Measurement {
public:
    // `sweepFolder` holds SW.wav and ISW.wav (made by the engine when missing).
    Measurement(MeasurementEngine& engine, Dialogs& dialogs, std::string sweepFolder);

    // Each start checks the selection ("Please set all ASIO parameters" under
    // the action's own title, "Test MIC" for the test) and then asks the
    // engine; an engine refusal is shown as "Communication Problem". True
    // when the action runs. Measure also needs the amplifier on-line
    // (`deviceOnline`), else "Communication Problem".
    bool StartMicTest(const CardSelection& card);
    bool StartMeasure(const CardSelection& card, int roomDecaySeconds, bool deviceOnline);
    bool StartVerify(const CardSelection& card, int roomDecaySeconds);

    Action running() const { return running_; }
    // The time-out of the running action (0 when none runs).
    int TimeoutMs() const;

    struct Tick {
        int progress = 0;        // 0..100
        int peakDb = kNoPeakDb;  // PeakDb of the engine's peak
        // The same peak in dBFS to a tenth (the read-out a person sets the
        // level by); -inf for silence.
        double peakDbfs = -std::numeric_limits<double>::infinity();
        bool clipped = false;  // the peak reached full scale
        MeasurementEngine::State state = MeasurementEngine::State::Idle;
        bool finished = false;  // the action ended with this tick
        bool ok = false;        // ... with a result (ir() holds it for Measure/Verify)
    };
    // The progress timer's tick while an action runs. When it ends: the mic
    // test shows "Communication Problem" (title "Measure IR") if the engine
    // failed; a measurement computes the response and shows "Communication
    // Problem" under its title if that fails.
    Tick Poll();
    // The time-out: the action is abandoned with "Can't complete the
    // measurement, please check your ASIO card settings" under its title.
    void TimedOut();

    // The impulse response of the last successful Measure or Verify, and
    // its time (ms, linear) and frequency (Hz, dB) plots.
    const std::vector<double>& ir() const { return ir_; }
    const std::vector<double>& timeX() const { return timeX_; }
    const std::vector<double>& timeY() const { return timeY_; }
    const std::vector<double>& frequencyX() const { return freqX_; }
    const std::vector<double>& frequencyY() const { return freqY_; }
    // The engine's warnings about the last result (clipping, noise).
    const std::vector<std::string>& warnings() const { return warnings_; }

    // The microphone chain's calibration: every measured response (not a
    // loaded one) is divided by it before it is kept and plotted.
    void SetCalibration(measure::Calibration calibration) { calibration_ = std::move(calibration); }
    const measure::Calibration& calibration() const { return calibration_; }

    // Takes a response loaded from a file: the engine computes its plots.
    // False (plots untouched) when the engine refuses it.
    bool ShowLoaded(const std::vector<double>& ir);

private:
    bool Refuse(const char* title, const char* text);
    bool Started(Action action, const std::string& engineResult);
    bool FetchResult();
    // Takes `ir` and has the engine compute its plots; false when it refuses.
    bool Plot(const std::vector<double>& ir);
    void TakePlots();

    MeasurementEngine& engine_;
    Dialogs& dialogs_;
    std::string sweepPath_;
    std::string inversePath_;
    Action running_ = Action::None;
    std::vector<double> ir_, timeX_, timeY_, freqX_, freqY_;
    std::vector<std::string> warnings_;
    measure::Calibration calibration_;
};

}  // namespace zef::wizard
