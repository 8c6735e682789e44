#pragma once
// The files of the FIR designer's command-line and wizard use:
//
// Impulse response (.irw), little-endian:
//   offset 0  int32   N, the last sample index (N >= 0)
//   offset 4  double  samples 0..N (N + 1 of them, 48000 Hz)
// Nothing may follow the last sample. A file under 10 bytes is not an IR.
//
// Designed FIR (.txt): one coefficient per line, "." as the decimal point
// whatever the locale, non-negative values with a leading blank, each line
// closed by CR LF; the FIR import reads it back.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zef::measure {

inline constexpr std::size_t kIrwMinimumBytes = 10;
inline constexpr std::size_t kIrwMaximumSamples = 48000 * 60;  // one minute

struct IrwReadResult {
    std::vector<double> samples;  // N + 1 samples when ok
    std::string error;            // empty when ok
    bool ok() const { return error.empty(); }
};

// Parses the bytes of an .irw file; nothing is allocated before the length
// has been checked against the data.
IrwReadResult ParseIrw(std::span<const std::uint8_t> bytes);
IrwReadResult ReadIrwFile(const std::string& path);

std::vector<std::uint8_t> EncodeIrw(std::span<const double> samples);
// Atomic (temporary file + rename); false on any failure. At least one sample.
bool WriteIrwFile(const std::string& path, std::span<const double> samples);

std::string DesignedFirText(std::span<const double> coefficients);
// Atomic; false on any failure.
bool WriteDesignedFirFile(const std::string& path, std::span<const double> coefficients);

}  // namespace zef::measure
