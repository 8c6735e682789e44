#pragma once
// The response arrays of every device slot and the operations that keep them
// up to date, one band or one crossover at a time:
//
//   BandResponse[84]      each equaliser band, dB
//   CrossoverResponse[4]  each crossover filter (n: output n/2, odd = low-pass)
//   FirResponse[2]        each output's FIR magnitude, dB   (see fir.h)
//   FirPhase[2]           each output's FIR phase, degrees
//   GroupResponse[5]      the drawn sum of each channel group
//
// A slot's arrays (about 6 MB) are allocated the first time the slot is used
// and start flat (0 dB everywhere). Every operation here leaves
// GroupResponse consistent with the other arrays and the device model.
// Single-threaded, like the model.

#include <array>
#include <memory>

#include "dsp/curves.h"

#include "base/check.h"
#include "dsp/grid.h"
#include "dsp/groups.h"
#include "dsp/response_calculator.h"
#include "model/device_model.h"

namespace zef::dsp {

namespace detail {
struct ResponseAccess;
}

// Bands of a group are summed in fixed blocks (at most five bands), each block
// kept as its own partial sum, so that a band edit re-reads its block and the
// block sums instead of all thirty bands. Blocks are cut where the sum rules
// cut a group (after the third input band, after the tenth output band).
inline constexpr int kBandBlocks = 20;

// The response arrays of one device slot. Read-only outside this library.
class DeviceResponses {
public:
    const Curve& band(int band) const { return bands_[Index(band, kBands)]; }
    const Curve& crossover(int filter) const { return crossovers_[Index(filter, kCrossovers)]; }
    const Curve& fir(int output) const { return fir_[Index(output, kFirOutputs)]; }
    const Curve& firPhase(int output) const { return firPhase_[Index(output, kFirOutputs)]; }
    const Curve& group(int group) const { return groups_[Index(group, kGroups)]; }

private:
    friend struct detail::ResponseAccess;
    static std::size_t Index(int i, int count) {
        if (!ZEF_CHECK(i >= 0 && i < count)) return 0;
        return static_cast<std::size_t>(i);
    }

    std::array<Curve, kBands> bands_{};
    std::array<Curve, kCrossovers> crossovers_{};
    std::array<Curve, kFirOutputs> fir_{};
    std::array<Curve, kFirOutputs> firPhase_{};
    std::array<Curve, kGroups> groups_{};
    std::array<Curve, kBandBlocks> blockSums_{};
};

// The arrays of all 33 slots, the frequency grid and the response calculator.
class ResponseStore {
public:
    // The nominal grid (k * 48000 / 16384); an FFTW calculator on first use.
    ResponseStore();
    ~ResponseStore();
    ResponseStore(const ResponseStore&) = delete;
    ResponseStore& operator=(const ResponseStore&) = delete;

    const FrequencyGrid& grid() const { return grid_; }
    const GridTables& tables() const { return *tables_; }

    ResponseCalculator& calculator();
    void setCalculator(std::unique_ptr<ResponseCalculator> calculator);

    // The slot's arrays, allocated (flat) on first use.
    DeviceResponses& device(DeviceSlot slot);
    // nullptr while the slot has never been used (or was released).
    const DeviceResponses* find(DeviceSlot slot) const;
    // Frees the slot's arrays; the next device(slot) starts flat again.
    void release(DeviceSlot slot);
    int allocatedSlots() const;

private:
    FrequencyGrid grid_;
    std::unique_ptr<GridTables> tables_;
    std::unique_ptr<ResponseCalculator> calculator_;
    std::array<std::unique_ptr<DeviceResponses>, kSlotCount> devices_;
};

// Band and crossover parameters as the editor values hold them.
BandSetting BandSettingOf(const EditorValues& values, int band);
CrossoverSetting CrossoverSettingOf(const EditorValues& values, int filter);

// What a group's sum is made of, by the model's switches:
//   inputs:  0 dB; unless the input's EQ is bypassed (eqBypass), its first four
//            bands, or three while the input's bit of PI 28 is set
//   outputs: both crossovers; unless the EQ is bypassed, 30 bands (PI 116 = 0)
//            or 10 bands and, unless the FIR is bypassed (bit o of PI 418),
//            the FIR magnitude
//   "SM":    all 16 bands, no bypass test
struct GroupSumPlan {
    bool crossovers = false;
    int bandCount = 0;  // the group's first bandCount bands
    bool fir = false;
    bool operator==(const GroupSumPlan&) const = default;
};
GroupSumPlan PlanGroupSum(const DeviceModel& device, int group);

// Rebuilds GroupResponse of `group` from the other arrays by PlanGroupSum.
void SumGroup(ResponseStore& store, const DeviceModel& device, DeviceSlot slot, int group);

// Recomputes one band (0..83) from the editor values and re-sums its group.
// Returns the groups the editor graph redraws.
GroupList UpdateBandResponse(ResponseStore& store, const DeviceModel& device, DeviceSlot slot, int band);

// Recomputes every band of a group and re-sums it (after a preset recall, a
// device read, a link or copy operation).
void UpdateGroupBands(ResponseStore& store, const DeviceModel& device, DeviceSlot slot, int group);

// Recomputes one crossover filter (0..3) and re-sums its output group.
// Returns the groups the editor graph redraws.
GroupList UpdateCrossoverResponse(ResponseStore& store, const DeviceModel& device, DeviceSlot slot,
                                  int filter);

// Recomputes all four crossovers and re-sums both output groups.
void UpdateAllCrossovers(ResponseStore& store, const DeviceModel& device, DeviceSlot slot);

// Recomputes all 84 bands and 4 crossovers and sums all five groups once
// (after a device read or a preset file load). The FIR arrays are kept.
void UpdateAllResponses(ResponseStore& store, const DeviceModel& device, DeviceSlot slot);

}  // namespace zef::dsp
