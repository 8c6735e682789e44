#pragma once
// Which devices keep their response arrays in memory. A slot's arrays
// (84 bands, 4 crossovers, 2 FIRs, 5 group sums and the band blocks, about
// 6 MB) are needed while its graph is edited; a graph that is only shown
// keeps its own copy of the curves it draws. So at most `capacity` slots,
// the most recently kept ones, stay resident; the others are released.
//
// As the model's ResponseObserver it forwards every change of a resident
// slot to the response updater. A change of a slot that is not resident
// (a device read or a front-panel change behind an inactive editor) is
// computed in full on transient arrays, announced for every group so that
// the views copy their curves, and released again.

#include <deque>

#include "base/signal.h"
#include "dsp/response_updater.h"
#include "model/device_model.h"
#include "model/response_observer.h"

namespace zef {

class ResidentResponses final : public ResponseObserver {
public:
    ResidentResponses(dsp::ResponseStore& store, const Model& model, int capacity = 4);

    // Makes the slot resident (most recent first), computing every response
    // when its arrays were not held, and releases the least recent slot
    // beyond the capacity.
    void Keep(DeviceSlot slot);
    // Lets the slot go (its editor closed).
    void Drop(DeviceSlot slot);
    bool resident(DeviceSlot slot) const;
    int capacity() const { return capacity_; }

    // A group's sum (0..4) of a slot was rebuilt; listeners read it from the
    // store during the call.
    Signal<DeviceSlot, int> groupChanged;

    void Changed(DeviceSlot slot, ResponseChange change) override;

private:
    // Computes everything on transient arrays, announces it, releases them.
    void Transient(DeviceSlot slot);

    dsp::ResponseStore& store_;
    dsp::ResponseUpdater updater_;
    std::deque<DeviceSlot> kept_;
    int capacity_;
};

}  // namespace zef
