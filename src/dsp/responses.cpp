#include "dsp/responses.h"

#include "base/check.h"

#include <algorithm>

#include "dsp/kernels.h"
#include "dsp/responses_access.h"
#include "model/memory_map.h"
#include "model/records.h"

namespace zef::dsp {

using detail::kBandBlockTable;
using detail::ResponseAccess;

namespace {

void SumCurves(const Curve* const* curves, int count, Curve& out) {
    std::array<const double*, 2 + 30 + 1> sources{};
    for (int c = 0; c < count; ++c) sources[static_cast<std::size_t>(c)] = curves[c]->data();
    detail::SumCurves(sources.data(), count, out.data(), kGridPoints);
}

int BlockOfBand(int band) {
    for (int b = 0; b < kBandBlocks; ++b) {
        const auto& block = kBandBlockTable[static_cast<std::size_t>(b)];
        if (band >= block.firstBand && band < block.firstBand + block.bandCount) return b;
    }
    ZEF_CHECK(!"band outside 0..83");
    return 0;
}

void SumBlock(DeviceResponses& r, int blockIndex) {
    const auto& block = kBandBlockTable[static_cast<std::size_t>(blockIndex)];
    std::array<const Curve*, 5> curves{};
    for (int i = 0; i < block.bandCount; ++i) {
        curves[static_cast<std::size_t>(i)] = &r.band(block.firstBand + i);
    }
    SumCurves(curves.data(), block.bandCount, ResponseAccess::blockSum(r, blockIndex));
}

void ComputeBand(ResponseStore& store, const DeviceModel& device, DeviceResponses& r, int band) {
    BandCurveDb(BandSettingOf(device.values, band), store.tables(), ResponseAccess::band(r, band));
}

void ComputeCrossover(ResponseStore& store, const DeviceModel& device, DeviceResponses& r, int filter) {
    CrossoverCurveDb(CrossoverSettingOf(device.values, filter), store.tables(),
                     ResponseAccess::crossover(r, filter));
}

void SumGroupOf(const DeviceModel& device, DeviceResponses& r, int group) {
    const GroupSumPlan plan = PlanGroupSum(device, group);
    const GroupInfo& info = kGroupInfo[static_cast<std::size_t>(group)];

    // At most 2 crossovers + 30 bands + FIR.
    std::array<const Curve*, 2 + 30 + 1> curves{};
    int count = 0;
    if (plan.crossovers) {
        const int o = group - kGroupOutput1;
        curves[static_cast<std::size_t>(count++)] = &r.crossover(2 * o);
        curves[static_cast<std::size_t>(count++)] = &r.crossover(2 * o + 1);
    }
    const int endBand = info.firstBand + plan.bandCount;
    int band = info.firstBand;
    for (int b = 0; b < kBandBlocks && band < endBand; ++b) {
        const auto& block = kBandBlockTable[static_cast<std::size_t>(b)];
        if (block.group != group || block.firstBand != band) continue;
        if (band + block.bandCount > endBand) break;
        curves[static_cast<std::size_t>(count++)] = &ResponseAccess::blockSum(r, b);
        band += block.bandCount;
    }
    for (; band < endBand; ++band) curves[static_cast<std::size_t>(count++)] = &r.band(band);
    if (plan.fir) curves[static_cast<std::size_t>(count++)] = &r.fir(group - kGroupOutput1);
    SumCurves(curves.data(), count, ResponseAccess::group(r, group));
}

}  // namespace

ResponseStore::ResponseStore()
    : grid_(FrequencyGrid::Nominal()), tables_(std::make_unique<GridTables>(grid_)) {}

ResponseStore::~ResponseStore() = default;

ResponseCalculator& ResponseStore::calculator() {
    if (!calculator_) calculator_ = std::make_unique<FftwResponseCalculator>();
    return *calculator_;
}

void ResponseStore::setCalculator(std::unique_ptr<ResponseCalculator> calculator) {
    calculator_ = std::move(calculator);
}

DeviceResponses& ResponseStore::device(DeviceSlot slot) {
    auto& entry = devices_[SlotIndex(slot)];
    if (!entry) entry = std::make_unique<DeviceResponses>();
    return *entry;
}

const DeviceResponses* ResponseStore::find(DeviceSlot slot) const { return devices_[SlotIndex(slot)].get(); }

void ResponseStore::release(DeviceSlot slot) { devices_[SlotIndex(slot)].reset(); }

int ResponseStore::allocatedSlots() const {
    return static_cast<int>(
        std::count_if(devices_.begin(), devices_.end(), [](const auto& d) { return d != nullptr; }));
}

BandSetting BandSettingOf(const EditorValues& values, int band) {
    if (!ZEF_CHECK(band >= 0 && band < kBands)) return {};
    const auto b = static_cast<std::size_t>(band);
    return {values.bandType[b], values.bandFrequency[b], values.bandQ[b], values.bandGain[b],
            values.bandBypass[b]};
}

CrossoverSetting CrossoverSettingOf(const EditorValues& values, int filter) {
    if (!ZEF_CHECK(filter >= 0 && filter < kCrossovers)) return {};
    const auto n = static_cast<std::size_t>(filter);
    return {SlopeCodeFromValue(values.crossoverSlope[n]), filter % 2 == 1, values.crossoverFrequency[n]};
}

GroupSumPlan PlanGroupSum(const DeviceModel& device, int group) {
    if (!ZEF_CHECK(group >= 0 && group < kGroups)) return {};
    const GroupInfo& info = kGroupInfo[static_cast<std::size_t>(group)];
    const bool eqActive = device.values.eqBypass[static_cast<std::size_t>(group)] == 0;
    GroupSumPlan plan;
    if (IsInputGroup(group)) {
        if (eqActive) plan.bandCount = InputBandCount(device.preset, group);
    } else if (IsOutputGroup(group)) {
        const int o = group - kGroupOutput1;
        plan.crossovers = true;
        if (eqActive) {
            const bool firMode = device.preset[pi::kEqMode] != 0;
            const bool firBypassed = (device.preset[pi::kFirBypass] & (1u << o)) != 0;
            plan.bandCount = firMode ? kFirModeOutputBands : info.bandCount;
            plan.fir = firMode && !firBypassed;
        }
    } else {
        plan.bandCount = info.bandCount;
    }
    return plan;
}

void SumGroup(ResponseStore& store, const DeviceModel& device, DeviceSlot slot, int group) {
    if (!ZEF_CHECK(group >= 0 && group < kGroups)) return;
    SumGroupOf(device, store.device(slot), group);
}

GroupList UpdateBandResponse(ResponseStore& store, const DeviceModel& device, DeviceSlot slot, int band) {
    if (!ZEF_CHECK(band >= 0 && band < kBands)) return {};
    DeviceResponses& r = store.device(slot);
    ComputeBand(store, device, r, band);
    SumBlock(r, BlockOfBand(band));
    const int group = GroupOfBand(band);
    SumGroupOf(device, r, group);
    return GroupsDrawnFor(group);
}

void UpdateGroupBands(ResponseStore& store, const DeviceModel& device, DeviceSlot slot, int group) {
    if (!ZEF_CHECK(group >= 0 && group < kGroups)) return;
    DeviceResponses& r = store.device(slot);
    const GroupInfo& info = kGroupInfo[static_cast<std::size_t>(group)];
    for (int band = info.firstBand; band < info.firstBand + info.bandCount; ++band) {
        ComputeBand(store, device, r, band);
    }
    for (int b = 0; b < kBandBlocks; ++b) {
        if (kBandBlockTable[static_cast<std::size_t>(b)].group == group) SumBlock(r, b);
    }
    SumGroupOf(device, r, group);
}

GroupList UpdateCrossoverResponse(ResponseStore& store, const DeviceModel& device, DeviceSlot slot,
                                  int filter) {
    if (!ZEF_CHECK(filter >= 0 && filter < kCrossovers)) return {};
    DeviceResponses& r = store.device(slot);
    ComputeCrossover(store, device, r, filter);
    const int group = GroupOfCrossover(filter);
    SumGroupOf(device, r, group);
    return GroupsDrawnFor(group);
}

void UpdateAllCrossovers(ResponseStore& store, const DeviceModel& device, DeviceSlot slot) {
    DeviceResponses& r = store.device(slot);
    for (int filter = 0; filter < kCrossovers; ++filter) ComputeCrossover(store, device, r, filter);
    SumGroupOf(device, r, kGroupOutput1);
    SumGroupOf(device, r, kGroupOutput2);
}

void UpdateAllResponses(ResponseStore& store, const DeviceModel& device, DeviceSlot slot) {
    DeviceResponses& r = store.device(slot);
    for (int band = 0; band < kBands; ++band) ComputeBand(store, device, r, band);
    for (int filter = 0; filter < kCrossovers; ++filter) ComputeCrossover(store, device, r, filter);
    for (int b = 0; b < kBandBlocks; ++b) SumBlock(r, b);
    for (int group = 0; group < kGroups; ++group) SumGroupOf(device, r, group);
}

}  // namespace zef::dsp
