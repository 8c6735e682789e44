#include "measure_options.h"

#include "base/c_number.h"

namespace zefctl {
namespace {

zef::FrequencyCurve CurveOption(const Context& ctx, const char* name) {
    zef::FrequencyCurve curve;
    if (const std::optional<std::string> path = Named(ctx, name))
        if (std::string e = zef::ReadFrequencyCurve(*path, curve); !e.empty()) Fail(std::string(name) + ": " + e);
    return curve;
}

}  // namespace

zef::measure::Calibration CalibrationOptions(const Context& ctx) {
    return {CurveOption(ctx, "--mic-cal"), CurveOption(ctx, "--card-cal")};
}

zef::FrequencyCurve TargetOption(const Context& ctx) {
    const std::optional<std::string> target = Named(ctx, "--target");
    if (!target) return {};
    constexpr std::string_view kTilt = "tilt:";
    if (target->starts_with(kTilt)) {
        const std::optional<double> slope = zef::ParseCNumber(std::string_view(*target).substr(kTilt.size()));
        if (!slope || *slope < -6 || *slope > 6)
            Usage("--target tilt:DB wants a slope of -6..6 dB per octave, e.g. tilt:-1.0");
        return zef::TiltCurve(*slope);
    }
    return CurveOption(ctx, "--target");
}

}  // namespace zefctl
