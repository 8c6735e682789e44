#include "change_tracker.h"

#include <cmath>
#include <limits>

#include "model/validation.h"

namespace zef::remote {

ChangeTracker::ChangeTracker(const Model& model) : model_(model), parameters_(AllParameters()) {}

ChangeTracker::Snapshot ChangeTracker::Capture(DeviceSlot slot) const {
    Snapshot s;
    s.online = model_.entry(slot).online;
    s.values.reserve(parameters_.size());
    const DeviceModel& d = model_.device(slot);
    for (const Parameter& p : parameters_)
        s.values.push_back(IllegalValueOf(d, p) ? std::numeric_limits<double>::quiet_NaN() : GetValue(d, p));
    return s;
}

void ChangeTracker::Watch(DeviceSlot slot) { snapshots_[SlotIndex(slot)] = Capture(slot); }

void ChangeTracker::Forget(DeviceSlot slot) { snapshots_[SlotIndex(slot)].reset(); }

DeviceChanges ChangeTracker::Take(DeviceSlot slot) {
    std::optional<Snapshot>& old = snapshots_[SlotIndex(slot)];
    DeviceChanges changes;
    if (!old) return changes;
    Snapshot now = Capture(slot);
    if (now.online != old->online) changes.online = now.online;
    for (std::size_t i = 0; i < parameters_.size(); ++i) {
        const double a = old->values[i];
        const double b = now.values[i];
        if (a == b || (std::isnan(a) && std::isnan(b)) || std::isnan(b)) continue;
        changes.values.push_back({&parameters_[i], b});
    }
    old = std::move(now);
    return changes;
}

}  // namespace zef::remote
