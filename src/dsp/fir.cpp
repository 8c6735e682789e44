#include "dsp/fir.h"

#include "base/check.h"

#include <algorithm>
#include <cmath>

#include "dsp/responses_access.h"
#include "model/locale.h"
#include "model/records.h"

namespace zef::dsp {

namespace {
constexpr std::uint32_t kWordMask = 0xFFFFFF;
constexpr std::uint32_t kMaxPositiveWord = 0x7FFFFF;
constexpr double kWordSpan = 16777216.0;   // 2^24
constexpr double kMinScaled = -8388608.0;  // -2^23
constexpr double kMaxScaled = 8388607.0;   // 2^23 - 1
}  // namespace

double TapToCoefficient(std::uint32_t word) {
    const std::uint32_t w = word & kWordMask;
    const double value = w <= kMaxPositiveWord ? static_cast<double>(w) : static_cast<double>(w) - kWordSpan;
    return value / kFirFractionScale;
}

std::uint32_t CoefficientToTap(double coefficient) {
    if (std::isnan(coefficient)) return 0;
    const double scaled = coefficient * kFirFractionScale;
    double rounded = std::floor(scaled);
    const double fraction = scaled - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
    rounded = std::clamp(rounded, kMinScaled, kMaxScaled);
    const auto integer = static_cast<std::int32_t>(rounded);
    return static_cast<std::uint32_t>(integer) & kWordMask;
}

FirCoefficients TapCoefficients(const FirWords& words) {
    FirCoefficients c{};
    std::transform(words.begin(), words.end(), c.begin(), TapToCoefficient);
    return c;
}

Status ComputeFirResponse(ResponseStore& store, const DeviceModel& device, DeviceSlot slot, int output) {
    if (!ZEF_CHECK(output >= 0 && output < kFirOutputs)) return kFailed;
    const FirCoefficients coefficients = TapCoefficients(device.firTaps[static_cast<std::size_t>(output)]);
    ResponseCalculator& calculator = store.calculator();
    if (calculator.compute(coefficients, kTransformLength, kSampleRate) != kOk) return kFailed;
    const auto magnitude = calculator.magnitudeDb();
    const auto phase = calculator.phase();
    if (magnitude.size() < kGridPoints || phase.size() < kGridPoints) return kFailed;

    DeviceResponses& r = store.device(slot);
    Curve& fir = detail::ResponseAccess::fir(r, output);
    Curve& firPhase = detail::ResponseAccess::firPhase(r, output);
    for (std::size_t k = 0; k < kGridPoints; ++k) {
        fir[k] = magnitude[k];
        firPhase[k] = phase[k] * kDegreesPerRadian;
    }
    SumGroup(store, device, slot, kGroupOutput1 + output);
    return kOk;
}

std::string FirText(const DeviceModel& device, int output, bool decimalComma) {
    if (!ZEF_CHECK(output >= 0 && output < kFirOutputs)) return {};
    const int taps = std::clamp(FirTapCount(device.preset, output), 0, static_cast<int>(kFirTapCount));
    const auto& words = device.firTaps[static_cast<std::size_t>(output)];
    std::string text;
    for (int t = 0; t < taps; ++t) {
        text += FormatNumber(TapToCoefficient(words[static_cast<std::size_t>(t)]), decimalComma);
        text += "\r\n";
    }
    return text;
}

}  // namespace zef::dsp
