#include "dsp/response_updater.h"

#include "dsp/fir.h"
#include "dsp/groups.h"

namespace zef::dsp {

ResponseUpdater::ResponseUpdater(ResponseStore& store, const Model& model, Redraw redraw)
    : store_(store), model_(model), redraw_(std::move(redraw)) {}

void ResponseUpdater::Announce(DeviceSlot slot, int group) const {
    if (redraw_) redraw_(slot, group);
}

void ResponseUpdater::Changed(DeviceSlot slot, ResponseChange change) {
    const DeviceModel& d = model_.device(slot);
    const int i = change.index;
    switch (change.kind) {
        case Kind::Band: UpdateBandResponse(store_, d, slot, i); return Announce(slot, GroupOfBand(i));
        case Kind::GroupBands: UpdateGroupBands(store_, d, slot, i); return Announce(slot, i);
        case Kind::Crossover:
            UpdateCrossoverResponse(store_, d, slot, i);
            return Announce(slot, GroupOfCrossover(i));
        case Kind::GroupSum: SumGroup(store_, d, slot, i); return Announce(slot, i);
        // ComputeFirResponse re-sums the output's group itself.
        case Kind::Fir: ComputeFirResponse(store_, d, slot, i); return Announce(slot, kGroupOutput1 + i);
        case Kind::Device: break;
    }
    for (int output = 0; output < 2; ++output) ComputeFirResponse(store_, d, slot, output);
    UpdateAllResponses(store_, d, slot);
    for (int group = 0; group < kGroups; ++group) Announce(slot, group);
}

}  // namespace zef::dsp
