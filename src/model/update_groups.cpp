#include "model/update_groups.h"

#include <algorithm>
#include <array>

#include "model/editor_sync.h"
#include "model/encodings.h"
#include "model/memory_map.h"
#include "model/records.h"

namespace zef {

std::string_view ParamGroupName(ParamGroup group) {
    static constexpr std::array<std::string_view, kParamGroupCount> kNames = {
        "Gains",        "Mutes",          "NoiseGates",    "Delay",          "CompressorAuto", "Compressors",
        "Crossovers",   "ChannelModes",   "EqBypass",      "EqBands",        "EqMode",         "FirBypass",
        "Polarity",     "Limiters",       "Routing",       "Masking",        "DynamicFilter",  "FirInfo",
        "RemoteEnable", "NoiseGenerator", "BridgePower",   "SleepMode",      "Standby",        "LinkMask",
        "DelayUnit",
    };
    const auto i = static_cast<std::size_t>(group);
    return i < kNames.size() ? kNames[i] : std::string_view();
}

namespace {

using G = ParamGroup;

// Ranges written with the memory map's names; sizes follow its layout.
constexpr std::size_t kBand = pi::kBandRecordSize;
constexpr std::size_t kBlockA = 2 * pi::kInputBandsA * kBand;
constexpr std::size_t kBlockB = 2 * pi::kInputBandsB * kBand;

constexpr std::array<UpdateGroup, 18> kChannelGroups = {{
    {G::Gains, false, {{{pi::kInputGainBase, 2}, {pi::kOutputGainBase, 2}}}, 2},
    {G::Mutes, false, {{{pi::kInputMute, 1}, {pi::kOutputMute, 1}}}, 2},
    {G::NoiseGates, false, {{{pi::kGateBase, 2 * 4}}}, 1},
    {G::Delay, false, {{{pi::kDelayBase, 2 * 3}, {pi::kDelayBypass, 1}}}, 2},
    {G::CompressorAuto, false, {{{pi::kCompAutoModeBase, 2 + 2}}}, 1},
    {G::Compressors, false, {{{pi::kCompressorBase, 2 * 7}}}, 1},
    {G::Crossovers, false, {{{pi::kHighPassBase, 4 * pi::kCrossoverRecordSize}}}, 1},
    {G::ChannelModes, false, {{{pi::kChannelMode, 1}}}, 1},
    {G::EqBypass, false, {{{pi::kInputEqBypass, 1}, {pi::kOutputEqBypass, 1}}}, 2},
    {G::EqBands,
     false,
     {{{pi::kInputBlockA, kBlockA + kBlockB},
       {pi::kOutputEq, 2 * pi::kOutputBands* kBand},
       {pi::kMaskingBands, pi::kMaskingBandCount* kBand}}},
     3},
    {G::EqMode, false, {{{pi::kEqMode, 1}}}, 1},
    {G::FirBypass, false, {{{pi::kFirBypass, 1}}}, 1},
    {G::Polarity, false, {{{pi::kInputPolarity, 1}, {pi::kOutputPolarity, 1}}}, 2},
    {G::Limiters, false, {{{pi::kLimiterBase, 2 * 4}}}, 1},
    {G::Routing, false, {{{pi::kRouting, 4}}}, 1},
    {G::Masking, false, {{{pi::kMaskingChannels, 3}, {pi::kMaskingLevel, 2}}}, 2},
    {G::DynamicFilter, false, {{{pi::kDynamicFilterBase, 2 * 3}}}, 1},
    {G::FirInfo, false, {{{pi::kFirNames, 2 * pi::kFirNameSize + 4}}}, 1},
}};

constexpr std::array<UpdateGroup, 7> kDeviceGroups = {{
    {G::RemoteEnable, true, {{{ds::kRemoteEnable, 1}}}, 1},
    {G::NoiseGenerator, true, {{{ds::kNoiseOption, 1}, {ds::kNoiseOn, 3}}}, 2},
    {G::BridgePower, true, {{{ds::kBridge, 4}}}, 1},
    {G::SleepMode, true, {{{ds::kSleepMode, 1}}}, 1},
    {G::Standby, true, {{{ds::kStandby, 1}}}, 1},
    {G::LinkMask, true, {{{ds::kLinkMask, 1}}}, 1},
    {G::DelayUnit, true, {{{ds::kDelayUnit, 1}}}, 1},
}};

template <std::size_t N>
bool RangesDiffer(const ByteRecord<N>& a, const ByteRecord<N>& b, std::span<const ByteRange> ranges) {
    return std::any_of(ranges.begin(), ranges.end(), [&](const ByteRange& r) {
        return !std::equal(a.bytes.begin() + r.first, a.bytes.begin() + r.first + r.count,
                           b.bytes.begin() + r.first);
    });
}

template <std::size_t N>
void CopyRanges(const ByteRecord<N>& from, ByteRecord<N>& to, std::span<const ByteRange> ranges) {
    for (const ByteRange& r : ranges)
        std::copy_n(from.bytes.begin() + r.first, r.count, to.bytes.begin() + r.first);
}

// Bands whose record differs between the read and the live preset, located
// with the live channel-mode flags.
std::vector<int> ChangedBands(const DeviceModel& d) {
    std::vector<int> bands;
    for (int band = 0; band < static_cast<int>(kBandCount); ++band) {
        const auto where = LocateBand(d.preset, band);
        if (!where) continue;
        if (BandRecord::readFrom(d.preset, where->offset) !=
            BandRecord::readFrom(d.readPreset, where->offset))
            bands.push_back(band);
    }
    return bands;
}

std::vector<int> ChangedCrossovers(const DeviceModel& d) {
    std::vector<int> filters;
    for (int n = 0; n < static_cast<int>(kCrossoverCount); ++n) {
        const std::size_t at = CrossoverOffset(n);
        if (CrossoverRecord::readFrom(d.preset, at) != CrossoverRecord::readFrom(d.readPreset, at))
            filters.push_back(n);
    }
    return filters;
}

void ReSum(ResponseObserver& responses, DeviceSlot slot, int firstGroup, int lastGroup) {
    for (int g = firstGroup; g <= lastGroup; ++g) responses.GroupChanged(slot, g);
}

}  // namespace

std::span<const UpdateGroup> ChannelUpdateGroups() { return kChannelGroups; }
std::span<const UpdateGroup> DeviceUpdateGroups() { return kDeviceGroups; }

bool GroupDiffers(const DeviceModel& d, const UpdateGroup& group) {
    return group.settings ? RangesDiffer(d.settings, d.readSettings, group.byteRanges())
                          : RangesDiffer(d.preset, d.readPreset, group.byteRanges());
}

void ApplyGroup(Model& model, DeviceSlot slot, const UpdateGroup& group, ResponseObserver& responses) {
    DeviceModel& d = model.device(slot);
    std::vector<int> changed;
    if (group.group == G::EqBands) changed = ChangedBands(d);
    if (group.group == G::Crossovers) changed = ChangedCrossovers(d);

    if (group.settings) {
        CopyRanges(d.readSettings, d.settings, group.byteRanges());
    } else {
        CopyRanges(d.readPreset, d.preset, group.byteRanges());
    }

    switch (group.group) {
        case G::Gains:
        case G::Mutes:
        case G::Polarity:
            LoadChannelValues(d);
            break;
        case G::EqBypass:
            LoadChannelValues(d);
            ReSum(responses, slot, 0, 3);
            break;
        case G::EqBands:
            for (int band : changed) {
                LoadBandValues(d, band);
                responses.BandChanged(slot, band);
            }
            break;
        case G::Crossovers:
            for (int n : changed) {
                LoadCrossoverValues(d, n);
                responses.CrossoverChanged(slot, n);
            }
            break;
        case G::ChannelModes:
            for (int band = 0; band < kFirstOutputBand; ++band) {
                LoadBandValues(d, band);
                responses.BandChanged(slot, band);
            }
            ReSum(responses, slot, 0, 1);
            break;
        case G::EqMode:
        case G::FirBypass:
            ReSum(responses, slot, 2, 3);
            break;
        case G::Standby:
            model.entry(slot).standby = d.settings[ds::kStandby] != 0 ? 1 : 0;
            break;
        case G::LinkMask:
            d.inputsLinked = TestBit8(d.settings[ds::kLinkMask], 0) ? 1 : 0;
            d.outputsLinked = TestBit8(d.settings[ds::kLinkMask], 1) ? 1 : 0;
            break;
        default:
            break;
    }
}

}  // namespace zef
