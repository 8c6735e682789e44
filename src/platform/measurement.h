#pragma once
// The measurement seams: sound-card access, sweep measurement, FIR design, the
// real-time analyser and the automatic equaliser. Interfaces only; the
// implementations (PortAudio and our own signal processing) and the windows
// that drive them live elsewhere. The frequency response of a coefficient set
// is the response calculator's (src/dsp).
//
// Conventions: arrays are double precision and 0-based; sample rates are in
// Hz (48000 throughout); device and channel numbers are 0-based indices into
// the lists the device manager reports; an operation that can be refused
// returns "" when it started and an error text for the user otherwise.
// Events are delivered on the user-interface thread; progress is polled by
// window timers.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zef {

inline constexpr int kMeasurementSampleRate = 48000;
inline constexpr std::size_t kAnalyserBandCount = 30;

// The sound cards (ASIO drivers on Windows) and their channels. One manager
// serves the measurement wizard; a second one, listing inputs only, serves the
// analyser and the automatic equaliser.
class AudioDeviceManager {
public:
    virtual ~AudioDeviceManager() = default;

    virtual std::vector<std::string> DriverNames() = 0;
    // Whether the device can be opened for measurement (at 48000 Hz).
    virtual bool IsUsable(int device) = 0;
    virtual int InputCount(int device) = 0;
    virtual int OutputCount(int device) = 0;
    virtual std::vector<std::string> InputNames(int device) = 0;
    virtual std::vector<std::string> OutputNames(int device) = 0;
    // Opens the driver's own settings panel, where the driver has one.
    virtual void OpenControlPanel(int device) = 0;
};

// Sweep measurement of an impulse response: plays the sweep on one output,
// records one input, deconvolves with the inverse sweep. One per wizard window.
class MeasurementEngine {
public:
    enum class State : int { Idle = 0, Recording = 1, Computing = 2, Done = 3 };

    virtual ~MeasurementEngine() = default;

    // Plays the sweep file and watches the input level (PeakValue) until the
    // sweep has played. `sampleRate` is set to the rate actually used.
    virtual std::string MicTest(const std::string& sweepPath, int& sampleRate, int device, int output,
                                int input) = 0;

    // Starts a measurement with the sweep ("\TS\SW.wav") and its inverse
    // ("\TS\ISW.wav"); `roomDecayMs` is how long recording goes on after the
    // sweep has ended. `sampleRate` is set to the rate actually used.
    virtual std::string SweepMeasurement(const std::string& sweepPath, const std::string& inverseSweepPath,
                                         int& sampleRate, int roomDecayMs, int device, int output,
                                         int input) = 0;

    virtual State MeasurementState() = 0;
    // Non-zero while a mic test runs, 0 once it has finished.
    virtual int MicTestRunning() = 0;
    // 0..100 for the running measurement.
    virtual int Progress() = 0;
    // Largest absolute input sample since the last start, linear (1.0 = full scale).
    virtual double PeakValue() = 0;

    // Computes the impulse response of the finished measurement at
    // `sampleRate` into `impulseResponse`. 0 = computed.
    virtual int ComputeImpulseResponse(int sampleRate, std::vector<double>& impulseResponse) = 0;

    // Results of the last computation: the impulse response samples, and
    // the x/y arrays of its time plot (ms, linear) and frequency plot (Hz, dB).
    virtual std::vector<double> ImpulseResponse() = 0;
    virtual std::vector<double> TimePlotX() = 0;
    virtual std::vector<double> TimePlotY() = 0;
    virtual std::vector<double> FrequencyPlotX() = 0;
    virtual std::vector<double> FrequencyPlotY() = 0;
};

// One section of the equaliser target the FIR is designed towards: its
// number 0..9 and the four fields the EQ target record keeps for it.
struct TargetSection {
    int index = 0;
    int code = 0;  // 0 = default section
    double frequency = 0;
    double q = 0;
    double gainDb = 0;
};

struct FirDesignInputs {
    int smoothingThreshold = 0;  // dB, 0..10
    int smoothingWidth = 0;      // index 0..4: 1/6 .. 1/2 octave
    int smoothingType = 0;       // 0 = off
    double maxFrequency = 0;     // Hz
    double minFrequency = 0;     // Hz
    int precision = 1;           // 1..10
};

// Designs an FIR filter from a measured impulse response and an EQ target.
// One for the whole program.
class FirDesigner {
public:
    virtual ~FirDesigner() = default;

    virtual void SetFirMode(int mode) = 0;  // 0 phase only, 1 magnitude and phase
    virtual void AddFilterSection(const TargetSection& section) = 0;
    virtual void SetTargetLeading(std::int16_t value) = 0;

    // Designs the filter for the impulse response in `work` (48000 Hz).
    // `latencyMs` may be changed to the latency the design achieved;
    // `integerResult` receives the designer's integer result. Returns 1 when
    // the filter gain was reduced to avoid clipping, else 0.
    virtual int Design(const FirDesignInputs& inputs, double& latencyMs, int& integerResult,
                       std::vector<double>& work) = 0;

    // Results of the last design: the coefficients (at most 384 taps) and the
    // time-domain arrays, at 48000 Hz, whose responses are drawn as "IR",
    // "FIR", "IRxFIR" and "Target".
    virtual std::vector<double> FirCoefficients() = 0;
    virtual std::vector<double> ImpulseResponseArray() = 0;
    virtual std::vector<double> FirArray() = 0;
    virtual std::vector<double> CombinedArray() = 0;
    virtual std::vector<double> TargetArray() = 0;
};

// 30 third-octave band levels in dB.
using BandSpectrum = std::array<double, kAnalyserBandCount>;

// The real-time analyser of one sound-card input.
class RealTimeAnalyser {
public:
    virtual ~RealTimeAnalyser() = default;

    // Delivered for every new spectrum while running.
    using SpectrumHandler = std::function<void(const BandSpectrum& levelsDb)>;
    virtual void SetSpectrumHandler(SpectrumHandler handler) = 0;

    // "" when started, else an error text.
    virtual std::string Start(int device, int input) = 0;
    virtual void Stop() = 0;
    virtual bool IsRunning() = 0;
};

// Results of an automatic equaliser fit: per band of the 30-band equaliser.
struct AutoEqResult {
    BandSpectrum levelsDb{};
    std::array<int, kAnalyserBandCount> frequencyHz{};
    std::array<int, kAnalyserBandCount> gainCode{};
    std::array<int, kAnalyserBandCount> qIndex{};
    std::array<int, kAnalyserBandCount> filterType{};
};

// Fits equaliser bands to a pink-noise measurement.
class AutoEqEngine {
public:
    // Progress states of the running analysis or fit.
    enum Progress : int {
        kInputTooHigh = -2,
        kInputTooLow = -1,
        kRunning = 0,   // MicLevelDb and Spectrum are fresh
        kFinished = 2,  // Results are ready
    };

    virtual ~AutoEqEngine() = default;

    // Called on every new analysis block (level and spectrum ready)
    // and on every change of progress.
    using SpectrumHandler = std::function<void(int progress)>;
    using ProgressHandler = std::function<void(int progress)>;
    virtual void SetSpectrumHandler(SpectrumHandler handler) = 0;
    virtual void SetProgressHandler(ProgressHandler handler) = 0;

    // Level check of the microphone input, and a live analysis without fit.
    virtual std::string MicTest(int device, int input) = 0;
    virtual std::string LiveAnalysis(int device, int input) = 0;
    virtual void Stop() = 0;

    // Starts the fit. `maxGainHalfDb` is the largest boost in 0.5 dB steps
    // and may be lowered by the engine; bands minBand..maxBand (0..29) are
    // fitted. "" when started, else an error text.
    virtual std::string Start(int device, int input, int& maxGainHalfDb, int minBand, int maxBand) = 0;

    virtual double MicLevelDb() = 0;
    virtual BandSpectrum Spectrum() = 0;
    virtual AutoEqResult Results() = 0;
};

}  // namespace zef
