#pragma once
// FIR wizard files (.wiz), little-endian, packed, in this order:
//
//   int32     N, the index of the last impulse-response sample (N >= 0)
//   double    impulse-response samples 0..N (48000 Hz)
//   264 bytes the EQ target record (files/eq_target.h)
//   int16     precision
//   int16     maximum frequency, Hz
//   int16     smoothing word (type bits 8..11, width 4..7, threshold 0..3)
//   double    latency, ms
//   int16     FIR mode
//   int16     tap-count choice
//   int16     minimum frequency, Hz
//   int16     window-length step
//
// Every field is copied bit for bit, so a file read and written again is
// unchanged. A file shorter than 10 bytes is not used; a file whose length
// does not match its N, or whose impulse response holds a sample that is not
// finite, is refused.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/device_model.h"

namespace zef {

inline constexpr std::size_t kWizMinimumBytes = 10;
inline constexpr std::size_t kWizTrailerBytes = 264 + 2 + 2 + 2 + 8 + 2 + 2 + 2 + 2;

struct WizardFile {
    std::vector<double> ir;  // at least one sample
    EqTargetRecord target;
    std::int16_t precision = 0;
    std::int16_t maxFrequency = 0;
    std::int16_t smoothingWord = 0;
    double latencyMs = 0;
    std::int16_t firMode = 0;
    std::int16_t tapChoice = 0;
    std::int16_t minFrequency = 0;
    std::int16_t windowStep = 0;
    bool operator==(const WizardFile&) const = default;
};

struct WizReadResult {
    WizardFile file;
    std::string error;  // empty when ok; a text for the user
    bool ok() const { return error.empty(); }
};

std::vector<std::uint8_t> EncodeWiz(const WizardFile& file);
// Nothing is allocated before a length has been checked against the data.
WizReadResult ParseWiz(std::span<const std::uint8_t> bytes);
WizReadResult ReadWizFile(const std::string& path);
// Atomic (temporary file, then rename). "" on success, else a text for the
// user naming the file.
std::string WriteWizFile(const std::string& path, const WizardFile& file);

}  // namespace zef
