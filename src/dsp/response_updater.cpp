#include "dsp/response_updater.h"

#include "dsp/fir.h"
#include "dsp/groups.h"

namespace zef::dsp {

ResponseUpdater::ResponseUpdater(ResponseStore& store, const Model& model, Redraw redraw)
    : store_(store), model_(model), redraw_(std::move(redraw)) {}

void ResponseUpdater::changed(DeviceSlot slot, int group) const {
    if (redraw_) redraw_(slot, group);
}

void ResponseUpdater::BandChanged(DeviceSlot slot, int bandIndex) {
    UpdateBandResponse(store_, model_.device(slot), slot, bandIndex);
    changed(slot, GroupOfBand(bandIndex));
}

void ResponseUpdater::GroupBandsChanged(DeviceSlot slot, int group) {
    UpdateGroupBands(store_, model_.device(slot), slot, group);
    changed(slot, group);
}

void ResponseUpdater::CrossoverChanged(DeviceSlot slot, int filter) {
    UpdateCrossoverResponse(store_, model_.device(slot), slot, filter);
    changed(slot, GroupOfCrossover(filter));
}

void ResponseUpdater::GroupChanged(DeviceSlot slot, int group) {
    SumGroup(store_, model_.device(slot), slot, group);
    changed(slot, group);
}

void ResponseUpdater::FirChanged(DeviceSlot slot, int output) {
    // ComputeFirResponse re-sums the output's group itself.
    ComputeFirResponse(store_, model_.device(slot), slot, output);
    changed(slot, kGroupOutput1 + output);
}

void ResponseUpdater::DeviceReloaded(DeviceSlot slot) {
    const DeviceModel& device = model_.device(slot);
    for (int output = 0; output < 2; ++output) ComputeFirResponse(store_, device, slot, output);
    UpdateAllResponses(store_, device, slot);
    for (int group = 0; group < kGroups; ++group) changed(slot, group);
}

}  // namespace zef::dsp
