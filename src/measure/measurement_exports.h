#pragma once
// What a measurement produces, in files other programs open, and read back by
// the same code (a measured response can serve as a target, levels as a fit's input):
//   - a frequency response as "frequency dB phase" text (files/frequency_curve.h),
//     1/48 octave from 10 Hz to 24 kHz, phase relative to the response's time zero;
//   - third-octave levels as CSV: a header line "band_hz,level_db", then 30
//     lines "25,-41.23" ... "20000,-55.02";
//   - an impulse response as a 32-bit float WAV (audio/wav_file.h).

#include <span>
#include <string>

#include "files/frequency_curve.h"
#include "measure/analyser.h"

namespace zef::measure {

// The response's spectrum at 48 points per octave, phase measured from
// sample `timeZero` (degrees, wrapped to -180..180).
FrequencyCurve ResponseCurve(std::span<const double> response, std::size_t timeZero, double rate);

std::string BandLevelsCsv(const BandSpectrum& levelsDb);
// "" and `out` filled, or an error naming `name` and the line.
std::string ParseBandLevelsCsv(std::string_view text, const std::string& name, BandSpectrum& out);
std::string WriteBandLevelsCsv(const std::string& path, const BandSpectrum& levelsDb);
std::string ReadBandLevelsCsv(const std::string& path, BandSpectrum& out);

}  // namespace zef::measure
