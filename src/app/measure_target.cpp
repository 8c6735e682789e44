#include "app/measure_target.h"

#include "measure/calibration.h"

namespace zef {

std::string TargetCurve(const MeasureTarget& target, FrequencyCurve& out) {
    switch (target.kind) {
        case MeasureTarget::Kind::Flat:
            out = {};
            return "";
        case MeasureTarget::Kind::Tilt:
            out = TiltCurve(target.tiltDbPerOctave);
            return "";
        case MeasureTarget::Kind::File:
            break;
    }
    if (target.file.empty()) return "Choose the target's curve file.";
    FrequencyCurve read;
    if (std::string e = ReadFrequencyCurve(target.file, read); !e.empty()) return e;
    out = std::move(read);
    return "";
}

std::string TargetShape(const MeasureTarget& target, BandSpectrum& out) {
    FrequencyCurve curve;
    if (std::string e = TargetCurve(target, curve); !e.empty()) return e;
    out = curve.empty() ? BandSpectrum{} : measure::BandAveragesDb(curve);
    return "";
}

bool ReadChosenCurve(Dialogs& dialogs, const std::string& title, const std::string& path, FrequencyCurve& out) {
    FrequencyCurve read;
    if (std::string e = ReadFrequencyCurve(path, read); !e.empty()) {
        dialogs.Message(title, e, Icon::Exclamation);
        return false;
    }
    out = std::move(read);
    return true;
}

}  // namespace zef
