#include "model/state_diff.h"

#include "model/memory_map.h"
#include "model/records.h"

namespace zef {
namespace {

bool SameFirName(const PresetImage& a, const PresetImage& b, int output) {
    for (int i = 0; i < static_cast<int>(pi::kFirNameSize); ++i)
        if (a[pi::FirNameChar(output, i)] != b[pi::FirNameChar(output, i)]) return false;
    return true;
}

const std::vector<Parameter>& Every() {
    static const std::vector<Parameter> all = AllParameters();
    return all;
}

}  // namespace

StateDiff DiffStates(const DeviceModel& from, const DeviceModel& to) {
    StateDiff diff;
    for (const Parameter& p : Every()) {
        const double value = GetValue(to, p);
        if (GetValue(from, p) != value) diff.parameters.push_back({p, value});
    }
    for (int output = 0; output < 2; ++output)
        if (FirDiffers(from, to, output)) diff.firs.push_back(output);
    return diff;
}

bool FirDiffers(const DeviceModel& a, const DeviceModel& b, int output) {
    const auto o = static_cast<std::size_t>(output);
    return a.firTaps[o] != b.firTaps[o] || FirTapCount(a.preset, output) != FirTapCount(b.preset, output) ||
           !SameFirName(a.preset, b.preset, output);
}

void CopyFir(const DeviceModel& source, DeviceModel& into, int output) {
    const auto o = static_cast<std::size_t>(output);
    into.firTaps[o] = source.firTaps[o];
    SetFirTapCount(into.preset, output, FirTapCount(source.preset, output));
    for (int i = 0; i < static_cast<int>(pi::kFirNameSize); ++i)
        into.preset[pi::FirNameChar(output, i)] = source.preset[pi::FirNameChar(output, i)];
}

}  // namespace zef
