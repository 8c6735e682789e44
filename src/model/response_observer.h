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

class ResponseObserver {
public:
    virtual ~ResponseObserver() = default;

    // One EQ band (editor index 0..83) changed: recompute it and re-sum its group.
    virtual void BandChanged(DeviceSlot, int /*bandIndex*/) {}
    // Every band of a group (0..4) changed (a copy): recompute them all, re-sum.
    virtual void GroupBandsChanged(DeviceSlot, int /*group*/) {}
    // One crossover filter (0..3; output n/2, odd = low-pass) changed.
    virtual void CrossoverChanged(DeviceSlot, int /*filter*/) {}
    // Something that only affects a group's sum changed (EQ bypass, channel
    // mode flag, EQ mode, FIR bypass): re-sum the group.
    virtual void GroupChanged(DeviceSlot, int /*group*/) {}
    // An output's FIR taps (0..1) changed: recompute its response, re-sum.
    virtual void FirChanged(DeviceSlot, int /*output*/) {}
    // Everything of the device may have changed (device read, recall, copy):
    // recompute all bands, crossovers, FIRs and sums.
    virtual void DeviceReloaded(DeviceSlot) {}
};

// An observer that ignores everything, for programs without responses.
ResponseObserver& NoResponseObserver();

}  // namespace zef
