#include "app/resident_responses.h"

#include <algorithm>

#include "dsp/groups.h"

namespace zef {

ResidentResponses::ResidentResponses(dsp::ResponseStore& store, const Model& model, int capacity)
    : store_(store),
      updater_(store, model, [this](DeviceSlot slot, int group) { groupChanged.Emit(slot, group); }),
      capacity_(std::max(1, capacity)) {}

bool ResidentResponses::resident(DeviceSlot slot) const {
    return std::find(kept_.begin(), kept_.end(), slot) != kept_.end();
}

void ResidentResponses::Keep(DeviceSlot slot) {
    const bool held = resident(slot) && store_.find(slot) != nullptr;
    kept_.erase(std::remove(kept_.begin(), kept_.end(), slot), kept_.end());
    kept_.push_front(slot);
    while (static_cast<int>(kept_.size()) > capacity_) {
        store_.release(kept_.back());
        kept_.pop_back();
    }
    if (!held) updater_.DeviceReloaded(slot);
}

void ResidentResponses::Drop(DeviceSlot slot) {
    if (!resident(slot)) return;
    kept_.erase(std::remove(kept_.begin(), kept_.end(), slot), kept_.end());
    store_.release(slot);
}

void ResidentResponses::Transient(DeviceSlot slot) {
    updater_.DeviceReloaded(slot);  // announces every group it rebuilt
    store_.release(slot);
}

void ResidentResponses::Changed(DeviceSlot slot, ResponseChange change) {
    if (resident(slot)) return updater_.Changed(slot, change);
    Transient(slot);
}

}  // namespace zef
