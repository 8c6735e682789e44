#pragma once
// What the response layer needs to hear from the model: which band,
// crossover, group sum or FIR of a device changed, so it recomputes only
// that. Senders, the device-state reader, presets and linking call it after
// the model holds the new values (EditorValues included). The response
// layer implements it; the model knows nothing of how responses are made.
//
// Groups: 0 input L, 1 input R, 2 output 1, 3 output 2, 4 "SM".

#include "model/slots.h"

namespace zef {

// Which response of a device changed. `index` names the one changed:
//   Band        an EQ band (editor index 0..83): recompute it, re-sum its group
//   GroupBands  every band of a group (0..4) (a copy): recompute them all, re-sum
//   Crossover   a crossover filter (0..3; output n/2, odd = low-pass)
//   GroupSum    something that only affects a group's sum (0..4) (EQ bypass,
//               channel mode flag, EQ mode, FIR bypass): re-sum the group
//   Fir         an output's FIR taps (0..1): recompute its response, re-sum
//   Device      everything of the device (device read, recall, copy):
//               recompute all bands, crossovers, FIRs and sums; no index
struct ResponseChange {
    enum class Kind { Band, GroupBands, Crossover, GroupSum, Fir, Device };
    Kind kind = Kind::Device;
    int index = 0;
};

class ResponseObserver {
public:
    virtual ~ResponseObserver() = default;

    // The one notification; the calls below name each kind of change.
    virtual void Changed(DeviceSlot, ResponseChange) {}

    using Kind = ResponseChange::Kind;
    void BandChanged(DeviceSlot slot, int bandIndex) { Changed(slot, {Kind::Band, bandIndex}); }
    void GroupBandsChanged(DeviceSlot slot, int group) { Changed(slot, {Kind::GroupBands, group}); }
    void CrossoverChanged(DeviceSlot slot, int filter) { Changed(slot, {Kind::Crossover, filter}); }
    void GroupChanged(DeviceSlot slot, int group) { Changed(slot, {Kind::GroupSum, group}); }
    void FirChanged(DeviceSlot slot, int output) { Changed(slot, {Kind::Fir, output}); }
    void DeviceReloaded(DeviceSlot slot) { Changed(slot, {Kind::Device, 0}); }
};

// An observer that ignores everything, for programs without responses.
ResponseObserver& NoResponseObserver();

}  // namespace zef
