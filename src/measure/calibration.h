#pragma once
// Measuring through a calibrated chain: the microphone's own response (its
// calibration file) and the sound card's (a loopback measurement of the card
// itself, saved as a curve) are taken out of everything read from a
// microphone input — impulse responses, band levels, and so the analyser,
// AutoEQ and the FIR wizard. A curve says how much the part raises each
// frequency; the correction subtracts it. A sensitivity line shifts nothing:
// levels stay in dBFS.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "files/frequency_curve.h"
#include "measure/analyser.h"

namespace zef::measure {

struct Calibration {
    FrequencyCurve microphone;
    FrequencyCurve card;

    bool empty() const { return microphone.empty() && card.empty(); }
    // The chain's own gain and phase at `hz`: microphone plus card.
    double DbAt(double hz) const { return microphone.DbAt(hz) + card.DbAt(hz); }
    double PhaseDegAt(double hz) const { return microphone.PhaseDegAt(hz) + card.PhaseDegAt(hz); }
};

// A curve's power average over each third-octave band on a log-frequency
// axis (pink noise puts equal power in equal log intervals): the level a
// band of pink noise takes from a part with that curve.
BandSpectrum BandAveragesDb(const std::function<double(double hz)>& dbAt);
BandSpectrum BandAveragesDb(const FrequencyCurve& curve);

// What to add to each third-octave band level: minus the chain's power gain
// averaged over the band on a log-frequency axis (pink noise puts equal power
// in equal log intervals).
BandSpectrum BandCorrectionsDb(const Calibration& calibration);

// Divides the response (sample rate `rate`) by the chain's: its magnitude,
// and its phase where every curve carries one. Without a phase the chain is
// taken for a minimum-phase part (microphones and cards are): the correction
// is causal, so nothing moves before the arrival and nothing is lost off the
// response's start.
void CorrectImpulseResponse(std::span<double> response, const Calibration& calibration, double rate);

// An analyser whose spectra come out corrected by BandCorrectionsDb.
class CalibratedAnalyser final : public RealTimeAnalyser {
public:
    CalibratedAnalyser(RealTimeAnalyser& inner, const Calibration& calibration);
    void SetSpectrumHandler(SpectrumHandler handler) override;
    std::string Start(int device, int input) override { return inner_.Start(device, input); }
    void Stop() override { inner_.Stop(); }
    bool IsRunning() override { return inner_.IsRunning(); }
    void SetAveraging(BandAveraging mode) override { inner_.SetAveraging(mode); }
    // Spectra handed on since construction: with the inner analyser's rate,
    // a clock that counts the card's audio rather than the wall's time (a
    // card may run faster than real time).
    std::uint64_t Delivered() const { return delivered_; }

private:
    RealTimeAnalyser& inner_;
    BandSpectrum corrections_;
    std::uint64_t delivered_ = 0;
};

}  // namespace zef::measure
