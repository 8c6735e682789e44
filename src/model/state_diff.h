#pragma once
// What differs between two states of one device's model: the described
// parameters whose values differ, and the outputs whose FIR differs.
//
// The undo history, the A/B states and anything that brings a device from
// one state to another (a project sent to a device, a comparison with a file)
// take their difference from here, so that every one of them sends the same
// fewest values.

#include <vector>

#include "model/device_model.h"
#include "model/parameters.h"

namespace zef {

struct StateDiff {
    // Every parameter whose value in `to` differs from its value in `from`,
    // carrying the value of `to`, in table order (AllParameters).
    std::vector<ParameterValue> parameters;
    // Outputs 0..1 whose FIR (taps, tap count or name) differs, ascending.
    std::vector<int> firs;

    bool empty() const { return parameters.empty() && firs.empty(); }
};

// The difference that takes a device holding `from` to `to`.
StateDiff DiffStates(const DeviceModel& from, const DeviceModel& to);

// Does output `output`'s (0..1) FIR differ between `a` and `b`: its taps, its
// tap count or its stored name?
bool FirDiffers(const DeviceModel& a, const DeviceModel& b, int output);

// Output `output`'s FIR of `source` (taps, tap count, name) into `into`.
void CopyFir(const DeviceModel& source, DeviceModel& into, int output);

}  // namespace zef
