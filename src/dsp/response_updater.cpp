#include "dsp/response_updater.h"

#include "dsp/fir.h"
#include "dsp/groups.h"

namespace zef::dsp {

ResponseUpdater::ResponseUpdater(ResponseStore& store, const Model& model, Redraw redraw)
    : store_(store), model_(model), redraw_(std::move(redraw)) {}

void ResponseUpdater::changed(DeviceSlot slot, int group) const {
    if (redraw_) redraw_(slot, group);
}

void ResponseUpdater::Changed(DeviceSlot slot, ResponseChange change) {
    const DeviceModel& device = model_.device(slot);
    const int i = change.index;
    switch (change.kind) {
        case Kind::Band:
            UpdateBandResponse(store_, device, slot, i);
            changed(slot, GroupOfBand(i));
            break;
        case Kind::GroupBands:
            UpdateGroupBands(store_, device, slot, i);
            changed(slot, i);
            break;
        case Kind::Crossover:
            UpdateCrossoverResponse(store_, device, slot, i);
            changed(slot, GroupOfCrossover(i));
            break;
        case Kind::GroupSum:
            SumGroup(store_, device, slot, i);
            changed(slot, i);
            break;
        case Kind::Fir:
            // ComputeFirResponse re-sums the output's group itself.
            ComputeFirResponse(store_, device, slot, i);
            changed(slot, kGroupOutput1 + i);
            break;
        case Kind::Device:
            for (int output = 0; output < 2; ++output) ComputeFirResponse(store_, device, slot, output);
            UpdateAllResponses(store_, device, slot);
            for (int group = 0; group < kGroups; ++group) changed(slot, group);
            break;
    }
}

}  // namespace zef::dsp
