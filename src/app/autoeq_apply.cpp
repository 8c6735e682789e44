#include "app/autoeq_apply.h"

#include "base/check.h"

#include <algorithm>

#include "measure/autoeq_fit.h"
#include "device/readback.h"
#include "model/records.h"
#include "model/tables.h"

namespace zef::measure {

AutoEqBandEditList AutoEqBandEdits(const AutoEqResult& result, int minBand, int maxBand) {
    const AutoEqRange range = NormaliseAutoEqRange(1, minBand, maxBand);
    AutoEqBandEditList edits{};
    for (std::size_t k = 0; k < kAnalyserBandCount; ++k) {
        EqBandValues& e = edits[k];
        const int ki = static_cast<int>(k);
        e.bypassed = false;
        if (ki < range.minBand || ki > range.maxBand) {
            e.type = kBandBell;
            e.frequencyHz = kAutoEqBandHz[k];
            e.gainDb = 0;
            e.q = kEqQ[kEqQUnityCode];
            continue;
        }
        e.type = static_cast<std::int16_t>(result.filterType[k]);
        e.frequencyHz = result.frequencyHz[k];
        e.gainDb = std::clamp(result.gainCode[k], 0, 60) / 2.0 - 15.0;
        e.q = kEqQ[static_cast<std::size_t>(
            std::clamp(result.qIndex[k], 0, static_cast<int>(kEqQ.size()) - 1))];
    }
    return edits;
}

int OutputBandIndex(ChannelCode output, int k) {
    if (!ZEF_CHECK(output == kOutput1 || output == kOutput2)) output = kOutput1;
    return kFirstOutputBand + 30 * (output - kOutput1) + k;
}

Status ApplyAutoEq(ParameterWriter& writer, DeviceSlot device, ChannelCode output, const AutoEqResult& result,
                   int minBand, int maxBand) {
    const AutoEqBandEditList edits = AutoEqBandEdits(result, minBand, maxBand);
    std::vector<ParameterValue> all;
    for (int k = 0; k < static_cast<int>(kAnalyserBandCount); ++k) {
        const auto band = BandEdit(OutputBandIndex(output, k), edits[static_cast<std::size_t>(k)]);
        all.insert(all.end(), band.begin(), band.end());
    }
    std::vector<ParameterValue> before = all;
    for (ParameterValue& v : before) v.value = GetValue(writer.model().device(device), v.parameter);
    Status status = writer.Set(device, all);
    if (status == kOk && !writer.Confirm(device).report.ok()) status = kFailed;
    if (status == kOk) return kOk;
    // All or nothing: the model takes the bands it had back, and so does the
    // device for what reached it (now when the link still answers, otherwise
    // through the writer's pending confirmation once it does).
    const bool reaches = ExchangesReach(writer.exchange().link(), writer.model().entry(device));
    if (writer.Set(device, before) == kOk && reaches) writer.Confirm(device);
    return status;
}

}  // namespace zef::measure
