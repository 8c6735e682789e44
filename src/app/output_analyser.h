#pragma once
// ModRTA: the real-time analyser of an output's editor. Starting puts the
// device into the analyser's measuring state (the generator on at the chosen
// level, the other output muted; the EQ and the dynamics as the user set
// them) and runs the analyser on the chosen card and input; stopping ends the
// analyser and sends the generator and the mute again from the model. The
// generator level v can change at any time: it is kept in the shared
// measuring settings and, while the analyser runs, sent at once.
//
// Spectra arrive on the window thread through `spectrum` (30 band levels in
// dBFS, reset to -100 on start). Destroying a running OutputAnalyser stops it.

#include <QObject>
#include <memory>
#include <string>

#include "app/measure_context.h"
#include "base/signal.h"
#include "measure/analyser.h"
#include "model/slots.h"

namespace zef {

namespace measure {
class CalibratedAnalyser;
class CardAnalyser;
}

class OutputAnalyser {
public:
    OutputAnalyser(const MeasureContext& context, DeviceSlot slot, ChannelCode output);
    ~OutputAnalyser();
    OutputAnalyser(const OutputAnalyser&) = delete;
    OutputAnalyser& operator=(const OutputAnalyser&) = delete;

    // Starts with the shared card, input and level, through the input's kept
    // calibration: "" when running, else a text for the user (no card or
    // input chosen, a calibration file unreadable, the card refused, the
    // device did not take the state; the device is restored then).
    std::string Start();
    // Stops the analyser and restores the device; nothing when not running.
    void Stop();
    bool running() const { return running_; }

    // The level code v (0..80): stored; sent while running.
    void SetNoiseLevel(int v);

    const BandSpectrum& levels() const { return levels_; }
    // Power sum of the bands (dBFS).
    double micLevelDb() const;
    ChannelCode output() const { return output_; }

    Signal<const BandSpectrum&> spectrum;

private:
    void Release();

    MeasureContext measuring_;
    DeviceSlot slot_;
    ChannelCode output_;
    QObject context_;  // posts the analyser's spectra to the window thread
    std::unique_ptr<measure::CardAnalyser> card_;
    std::unique_ptr<measure::CalibratedAnalyser> analyser_;
    BandSpectrum levels_{};
    bool running_ = false;
};

}  // namespace zef
