#pragma once
// What changed in a device since it was last looked at, whatever changed it:
// the remote interfaces, an editor window, a preset recall, the device's own
// read-back. The tracker keeps each watched device's parameter values and
// on-line state as last reported and gives the differences.
#include <array>
#include <optional>
#include <vector>

#include "model/device_model.h"
#include "model/parameters.h"

namespace zef::remote {

struct ParameterChange {
    const Parameter* parameter;
    double value;
};

struct DeviceChanges {
    std::optional<bool> online;  // set when the on-line state changed
    std::vector<ParameterChange> values;
    bool empty() const { return !online && values.empty(); }
};

class ChangeTracker {
public:
    explicit ChangeTracker(const Model& model);
    // Takes the device's present state as the reference (no changes reported for it).
    void Watch(DeviceSlot slot);
    void Forget(DeviceSlot slot);
    bool watching(DeviceSlot slot) const { return snapshots_[SlotIndex(slot)].has_value(); }
    // The differences from the reference, which becomes the present state.
    // Nothing for a device that is not watched.
    DeviceChanges Take(DeviceSlot slot);
    // Every concrete parameter, in table order (what the indices refer to).
    const std::vector<Parameter>& parameters() const { return parameters_; }

private:
    // What the values are computed from: when none of it changed, no value did.
    struct Source {
        DeviceSettings settings;
        PresetImage preset;
        EditorValues values;
        std::int16_t inputsLinked = 0;
        std::int16_t outputsLinked = 0;
        bool Same(const DeviceModel& d) const;
    };
    struct Snapshot {
        bool online = false;
        Source source;
        std::vector<double> values;  // NaN where the device holds an illegal value
    };
    Snapshot Capture(DeviceSlot slot) const;
    const Model& model_;
    std::vector<Parameter> parameters_;
    std::array<std::optional<Snapshot>, kSlotCount> snapshots_;
};

}  // namespace zef::remote
