#pragma once
// The real-time analyser seam: 30 third-octave band levels of one sound-card
// input, delivered on the window thread.
//
// Conventions: arrays are double precision and 0-based; the sample rate is
// 48000 Hz; device and channel numbers are 0-based indices into the lists of
// the AudioDeviceManager; an operation that can be refused returns "" when it
// started and an error text for the user otherwise.

#include <array>
#include <cstddef>
#include <functional>
#include <string>

namespace zef {

inline constexpr std::size_t kAnalyserBandCount = 30;

// 30 third-octave band levels in dB.
using BandSpectrum = std::array<double, kAnalyserBandCount>;

// How band levels are averaged: exponentially with a 125 ms time constant
// (Fast, the default) or 1 s (Slow), or as the plain mean of everything since
// the averaging was chosen (Long, for AutoEQ).
enum class BandAveraging { Fast, Slow, Long };

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

    // Chooses the averaging of the next spectra; choosing Long (again)
    // restarts the long mean. An analyser with one fixed averaging ignores it.
    virtual void SetAveraging(BandAveraging) {}
};

}  // namespace zef
