#pragma once
// The parameter senders: one operation per editor control group. Each one
// addresses Model::currentDevice() and
//   1. checks its arguments (slider positions are 1-based; a position, index
//      or channel outside its range is a programming error and asserts),
//   2. stores the new value in the model: the device records and, where the
//      group has them, the EditorValues (converted back from the stored code,
//      so the editor shows exactly what the device holds),
//   3. sends one command (two for SendNoiseOption) built from the model bytes
//      (commands.h), and
//   4. tells the response observer when a band, crossover or group sum changed.
// A failed send leaves the model changed; nothing is retried. While sends are
// suppressed or the device is off-line the exchange sends nothing and
// reports success, so the model still follows.
//
// Displaying the new value (text boxes, caption colours) is the window's
// job; linked partners are updated by Linking afterwards.

#include <array>
#include <cstdint>

#include "model/commands.h"
#include "model/controls.h"
#include "model/device_model.h"
#include "model/encodings.h"
#include "device/exchange.h"
#include "model/response_observer.h"

namespace zef {

class Senders {
public:
    Senders(Model& model, Exchange& exchange, ResponseObserver& responses = NoResponseObserver());

    // ---- channels ----
    // Gain slider position 1..145 (code 145 - position).
    Status SendGain(ChannelCode ch, int position);
    Status SendMute(ChannelCode ch, bool muted);
    Status SendPolarity(ChannelCode ch, bool inverted);
    Status SendEqBypass(ChannelCode ch, bool bypassed);
    // Band index 0..83. Stores the edit and sends command 5; a band of input
    // block A, which no command 5 carries, goes with SendInputBlockA; an
    // input's fourth band while it shows block B has no record: nothing happens.
    Status SendEqBand(int bandIndex, const EqBandEdit& edit);
    // The same for values the caller already put into EditorValues.
    Status SendEqBand(int bandIndex);
    Status SendCrossover(ChannelCode output, CrossoverSide side, double frequencyHz, int slopeCode);
    // Coarse 0..164 whole ms, fine 0..48 steps; the bypass check box.
    Status SendDelay(ChannelCode output, DelayCounts counts, bool bypass);
    Status SendRouting(ChannelCode output, RoutingState sources);
    // Channel-mode flag (bit ch of PI 28); command 31 also carries PI 116.
    Status SendChannelMode(ChannelCode ch, bool flag);
    // Output EQ mode (PI 116: 0 = 30 bands, else 10 bands + FIR), sent with
    // command 31 for the device's selected output.
    Status SendEqMode(std::uint8_t mode);
    Status SendFirBypass(ChannelCode output, bool bypassed);

    // ---- dynamics ----
    // Gate slider index 0..5 (three sliders per input): the input is index / 3.
    Status SendNoiseGate(int sliderIndex, const GateControls& gate);
    Status SendCompressor(ChannelCode output, const CompressorControls& compressor);
    Status SendCompressorAuto(ChannelCode output, bool automaticMode, bool automaticKnee);
    // The threshold code is raised to the output's limiter cap (bridge mode
    // and load impedance); the model holds the code actually sent.
    Status SendLimiter(ChannelCode output, const LimiterControls& limiter);
    // Enable check box and the two dynamic-filter values 0..100.
    Status SendDynamicFilter(ChannelCode output, bool enabled, int value1, int value2);

    // ---- device ----
    // Noise option button 0..2: 0 and 1 store the index in DS 205 and switch
    // the generator off (DS 208 = 0); 2 switches it on (DS 208 = 1) and keeps
    // DS 205. Sends command 12, then command 13 selector 0.
    Status SendNoiseOption(int option);
    // Generator level slider 1..81 and the level sub-option.
    Status SendNoiseLevel(int levelPosition, std::uint8_t subOption);
    Status SendMasking(const MaskingControls& masking);
    // DS 206 and the device-list entry's standby.
    Status SendStandby(bool on);
    Status SendVoltage(int listIndex);
    // Writes DS 213 and sends command 18. The window asks the user first
    // (app/parameter_actions.h).
    Status SendBridge(bool bridged);
    Status SendSleepMode(bool on);
    // Load impedance code 0..3 of an output.
    Status SendImpedance(ChannelCode output, int impedanceCode);
    // Remote control check box; command 33 carries it in p1.
    Status SendRemoteEnable(bool enabled);
    // Delay unit (DS 207, 1 = metres) as a one-byte memory write at 207.
    Status SendDelayUnit(bool metres);
    // Link check boxes: the slot's flag, DS 212 = 2 outputs + inputs, written
    // as a one-byte memory write at 212.
    Status SendLinkInputs(bool linked);
    Status SendLinkOutputs(bool linked);

    // ---- shared with linking, copy and presets ----
    // Input block A (both inputs, PI 30..69) in device order as one 40-byte
    // memory write at 270, then command 25 so that the device takes it.
    Status SendInputBlockA();

    // Sends one command to the current device.
    Status Transmit(const Command& command);
    // One memory write of DS bytes [offset, offset + count) of the current device.
    Status WriteSettingsBytes(std::size_t offset, std::size_t count);

    Model& model() { return model_; }
    Exchange& exchange() { return exchange_; }
    ResponseObserver& responses() { return responses_; }
    DeviceSlot slot() const { return model_.currentDevice(); }
    DeviceModel& device() { return model_.current(); }

private:
    Status SendLinkMask();

    Model& model_;
    Exchange& exchange_;
    ResponseObserver& responses_;
};

}  // namespace zef
