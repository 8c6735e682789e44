#pragma once
// Impulse-response files (.irw), little-endian:
//
//   offset 0   int32    N, the index of the last sample (N >= 0)
//   offset 4   double   samples 0..N (N+1 IEEE 754 doubles, 48000 Hz)
//
// Nothing may follow the last sample. Files shorter than 10 bytes are not
// used; a file whose length does not match its N, or that holds a sample
// that is not a finite number, is refused rather than guessed at.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zef {

inline constexpr std::size_t kIrwMinimumBytes = 10;
inline constexpr std::size_t kIrwMaximumSamples = 48000 * 600;  // ten minutes: far beyond any room

struct IrwReadResult {
    std::vector<double> samples;  // N + 1 samples when ok
    std::string error;            // empty when ok; a text for the user
    bool ok() const { return error.empty(); }
};

// Parses the bytes of an .irw file; nothing is allocated before the length
// has been checked against the data.
IrwReadResult ParseIrw(std::span<const std::uint8_t> bytes);
// Reads and parses a whole file; the error names the file.
IrwReadResult ReadIrwFile(const std::string& path);

class ByteReader;
// The sample block both impulse-response formats (.irw and .wiz) begin with:
// int32 N, the index of the last sample, then N + 1 doubles, followed by
// exactly `trailerBytes` more bytes. Fills `samples` and returns "" when the
// count fits the data and every sample is finite; otherwise returns what is
// wrong and leaves `samples` empty. Nothing is allocated before the count has
// been checked against the data.
std::string ReadImpulseSamples(ByteReader& r, std::size_t trailerBytes, std::vector<double>& samples);

// The bytes of an .irw file holding `samples` (at least one).
std::vector<std::uint8_t> EncodeIrw(std::span<const double> samples);
// Writes atomically (temporary file, then rename). "" on success, else a
// text for the user naming the file.
std::string WriteIrwFile(const std::string& path, std::span<const double> samples);

// The 16-bit reduction applied to a loaded response: s = x * 32767 rounded to
// the nearest integer (halves to even), taken as a 16-bit two's-complement
// value (so values beyond +-1 wrap), then s / 32767.
std::vector<double> ReduceToSixteenBits(std::span<const double> ir);

}  // namespace zef
