#pragma once
// Impulse-response files (.irw), little-endian:
//
//   offset 0   int32    N, the index of the last sample
//   offset 4   double   samples 0..N (N+1 IEEE 754 doubles)
//
// Files shorter than 10 bytes are not used; a file whose length does not
// match its N is refused rather than guessed at.

#include <span>
#include <string>
#include <vector>

namespace zef::measure {

// Writes `ir` (at least one sample) atomically (temporary file, then rename).
// "" on success, else a text for the user.
std::string WriteIrwFile(const std::string& path, std::span<const double> ir);

// Reads a whole .irw file into `ir` (left unchanged on failure). "" on
// success, else a text for the user.
std::string ReadIrwFile(const std::string& path, std::vector<double>& ir);

// The 16-bit reduction applied to a loaded response: s = x * 32767 rounded to
// the nearest integer (halves to even), taken as a 16-bit two's-complement
// value (so values beyond +-1 wrap), then s / 32767.
std::vector<double> ReduceToSixteenBits(std::span<const double> ir);

}  // namespace zef::measure
