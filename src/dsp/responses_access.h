#pragma once
// Write access to DeviceResponses for the operations of this library.

#include "dsp/responses.h"

namespace zef::dsp::detail {

struct BandBlock {
    int group;
    int firstBand;
    int bandCount;
};

// Blocks in group order; the bands of each group are covered in order.
inline constexpr std::array<BandBlock, kBandBlocks> kBandBlockTable = {{
    {0, 0, 3},  {0, 3, 1},                                                   // L
    {1, 4, 3},  {1, 7, 1},                                                   // R
    {2, 8, 5},  {2, 13, 5}, {2, 18, 5}, {2, 23, 5}, {2, 28, 5}, {2, 33, 5},  // 1
    {3, 38, 5}, {3, 43, 5}, {3, 48, 5}, {3, 53, 5}, {3, 58, 5}, {3, 63, 5},  // 2
    {4, 68, 4}, {4, 72, 4}, {4, 76, 4}, {4, 80, 4},                          // SM
}};

struct ResponseAccess {
    static Curve& band(DeviceResponses& r, int i) { return r.bands_[static_cast<std::size_t>(i)]; }
    static Curve& crossover(DeviceResponses& r, int i) { return r.crossovers_[static_cast<std::size_t>(i)]; }
    static Curve& fir(DeviceResponses& r, int i) { return r.fir_[static_cast<std::size_t>(i)]; }
    static Curve& firPhase(DeviceResponses& r, int i) { return r.firPhase_[static_cast<std::size_t>(i)]; }
    static Curve& group(DeviceResponses& r, int i) { return r.groups_[static_cast<std::size_t>(i)]; }
    static Curve& blockSum(DeviceResponses& r, int i) { return r.blockSums_[static_cast<std::size_t>(i)]; }
};

}  // namespace zef::dsp::detail
