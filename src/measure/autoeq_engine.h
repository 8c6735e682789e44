#pragma once
// The automatic equaliser seam: a pink-noise measurement fitted with the
// 30 bands of an output equaliser.
//
// Conventions: arrays are double precision and 0-based; the sample rate is
// 48000 Hz; device and channel numbers are 0-based indices into the lists of
// the AudioDeviceManager; an operation that can be refused returns "" when it
// started and an error text for the user otherwise.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "measure/analyser.h"

namespace zef {

// Results of an automatic equaliser fit: per band of the 30-band equaliser.
struct AutoEqResult {
    BandSpectrum levelsDb{};
    std::array<int, kAnalyserBandCount> frequencyHz{};
    std::array<int, kAnalyserBandCount> gainCode{};
    std::array<int, kAnalyserBandCount> qIndex{};
    std::array<int, kAnalyserBandCount> filterType{};
    // The bands left uncorrected and why, one line each (empty when all were fitted).
    std::vector<std::string> notCorrected;
    // The bands the fit did not leave out (those outside the band range
    // included): how flat the room is, before and after, is judged over
    // these within the range.
    std::array<bool, kAnalyserBandCount> corrected{};
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
