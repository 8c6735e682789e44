#include "change_tracker.h"

#include <cmath>
#include <limits>

#include "model/validation.h"

namespace zef::remote {

ChangeTracker::ChangeTracker(const Model& model) : model_(model), parameters_(AllParameters()) {}

bool ChangeTracker::Source::Same(const DeviceModel& d) const {
    const EditorValues& v = d.values;
    return settings == d.settings && preset == d.preset && inputsLinked == d.inputsLinked &&
           outputsLinked == d.outputsLinked && values.bandGain == v.bandGain &&
           values.bandFrequency == v.bandFrequency && values.bandQ == v.bandQ && values.bandBypass == v.bandBypass &&
           values.bandType == v.bandType && values.channelGainDb == v.channelGainDb && values.mute == v.mute &&
           values.polarity == v.polarity && values.eqBypass == v.eqBypass &&
           values.crossoverFrequency == v.crossoverFrequency && values.crossoverSlope == v.crossoverSlope &&
           values.lock == v.lock;
}

ChangeTracker::Snapshot ChangeTracker::Capture(DeviceSlot slot) const {
    Snapshot s;
    s.online = model_.entry(slot).online;
    const DeviceModel& device = model_.device(slot);
    s.source = {device.settings, device.preset, device.values, device.inputsLinked, device.outputsLinked};
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
    const bool online = model_.entry(slot).online;
    if (old->online == online && old->source.Same(model_.device(slot))) return changes;
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
