#include "app/entry_rules.h"

#include <algorithm>
#include <cmath>

#include "model/encodings.h"
#include "model/locale.h"
#include "model/tables.h"

namespace zef {

double SnapEntry(const ParameterDescription& described, double value) {
    const double v = std::clamp(value, described.min, described.max);
    if (described.control) return MapperFor(*described.control).snap(v);
    switch (described.id) {
        case ParamId::BandFreq: return EqFrequencyCode(v);
        case ParamId::HpFreq:
        case ParamId::LpFreq: return CrossoverFrequencyCode(v);
        case ParamId::BandQ: return kEqQ[static_cast<std::size_t>(SnapToTable(v, kEqQ))];
        case ParamId::Delay: return DelayMs(DelayCountsFromMs(v));
        default: break;
    }
    if (described.kind != ValueKind::Number || described.id == ParamId::DynValue1 || described.id == ParamId::DynValue2)
        return std::round(v);
    return v;
}

std::string EntryText(const ParameterDescription& described, double value, bool decimalComma) {
    if (described.id == ParamId::Delay) value = std::round(value * 1000.0) / 1000.0;
    return FormatNumber(value, decimalComma);
}

std::optional<double> ReadEntry(std::string_view text, bool decimalComma) {
    const std::string bare = RemoveBlanks(text);
    if (bare.empty()) return std::nullopt;
    return ParseNumber(bare, decimalComma);
}

double DelayEntryMs(double typed, bool metres) {
    if (metres) return MsFromMetres(std::clamp(typed, 0.0, kDelayMaxMetres));
    return std::clamp(typed, 0.0, kDelayMaxMs);
}

double DelayInUnit(double ms, bool metres) { return metres ? MetresFromMs(ms) : ms; }

int DragPosition(double y, double height, int count) {
    if (count <= 1 || height <= 0) return 1;
    const double t = std::clamp(y / height, 0.0, 1.0);
    return std::clamp(1 + static_cast<int>(std::lround(t * (count - 1))), 1, count);
}

BandDrag BandDragAt(const dsp::GraphMapping& mapping, double x, double y) {
    const double hz = std::clamp(RoundHalfEven(mapping.frequencyAt(x)), 20.0, 20000.0);
    const double db = std::clamp(SnapToHalf(mapping.dbAt(y)), -15.0, 15.0);
    return {hz, db == 0.0 ? 0.0 : db};
}

std::string BandDragReadout(const BandDrag& drag, bool decimalComma) {
    return "Freq=" + FormatNumber(drag.frequencyHz, decimalComma) + "Hz; Gain=" +
           FormatNumber(drag.gainDb, decimalComma) + "dB";
}

}  // namespace zef
