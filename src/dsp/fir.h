#pragma once
// The output FIR as the device stores it and what the editor derives from it.
//
// Tap word w (24 bits, as DeviceModel::firTaps holds it): two's complement
// with 21 fraction bits,
//   c = w / 2^21             for w <= 0x7FFFFF
//   c = (w - 2^24) / 2^21    otherwise
// so 0x200000 = +1.0, 0xE00000 = -1.0, 0x800000 = -4.0; the range is
// -4 .. +4 - 2^-21.

#include <array>
#include <cstdint>
#include <string>

#include "dsp/responses.h"
#include "model/device_model.h"

namespace zef::dsp {

inline constexpr double kFirFractionScale = 2097152.0;  // 2^21
inline constexpr double kDegreesPerRadian = 57.2957795130823;

using FirWords = std::array<std::uint32_t, kFirTapCount>;
using FirCoefficients = std::array<double, kFirTapCount>;

// Bits above bit 23 of `word` are ignored.
double TapToCoefficient(std::uint32_t word);

// c * 2^21 rounded to the nearest integer (an exact half to the even one), as
// a 24-bit word. Values beyond the range saturate at 0x7FFFFF / 0x800000; NaN
// gives 0.
std::uint32_t CoefficientToTap(double coefficient);

FirCoefficients TapCoefficients(const FirWords& words);

// Fills FirResponse (dB) and FirPhase (degrees) of `output` (0 or 1) from the
// device's 384 taps, transformed by the store's calculator with length 16384
// at 48000 Hz, then re-sums the output's group. On a calculator failure the
// arrays keep their values and kFailed is returned.
Status ComputeFirResponse(ResponseStore& store, const DeviceModel& device, DeviceSlot slot, int output);

// The FIR text export of `output`: the first n coefficients, n being the
// output's tap count 256 * PI(451 + o) + PI(453 + o) (at most 384), one per
// line in the locale's number format, each line closed by CR LF.
std::string FirText(const DeviceModel& device, int output, bool decimalComma);

}  // namespace zef::dsp
