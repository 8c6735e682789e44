#pragma once
// The sweep measurement seam: an impulse response measured through a sound
// card. Progress is polled by the window's timers.
//
// Conventions: arrays are double precision and 0-based; the sample rate is
// 48000 Hz; device and channel numbers are 0-based indices into the lists of
// the AudioDeviceManager; an operation that can be refused returns "" when it
// started and an error text for the user otherwise.

#include <string>
#include <vector>

namespace zef {

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

    // Ends whatever runs (mic test or measurement) and releases the sound
    // card: the next start is not refused for a run that was given up. An
    // ended measurement has no result to fetch.
    virtual void Stop() = 0;

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

    // What the user should know before trusting the last measurement (input
    // clipping, too little headroom, too little signal over the noise), most
    // serious first; empty when there is nothing to say.
    virtual std::vector<std::string> Warnings() { return {}; }
    // Why the last mic test or measurement failed (the card stopped, no
    // samples arrived); "" when it did not.
    virtual std::string Error() { return {}; }
};

}  // namespace zef
