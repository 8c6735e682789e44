#pragma once
// Typed views of the byte groups inside DeviceSettings and PresetImage:
// EQ bands, crossovers, delay, routing, names, FIR tap counts; and where the
// editor's band index 0..83 lives in PresetImage.
//
// BandRecord, 5 bytes:       CrossoverRecord, 3 bytes:
//   +0 type code               +0 slope code (0 = bypass)
//   +1 frequency Hz, high      +1 frequency Hz, high
//   +2 frequency Hz, low       +2 frequency Hz, low
//   +3 Q code (kEqQ index)
//   +4 bit 7 bypass, bits 0..6 gain code (dB = code/2 - 15)

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/device_model.h"
#include "model/encodings.h"

namespace zef {

struct BandRecord {
    std::uint8_t type = 0;
    std::uint16_t frequency = 0;
    std::uint8_t qCode = 0;
    std::uint8_t level = 0;  // byte 4

    static constexpr std::uint8_t kBypassBit = 0x80;
    static constexpr std::uint8_t kGainMask = 0x7F;

    bool bypassed() const { return (level & kBypassBit) != 0; }
    int gainCode() const { return level & kGainMask; }
    // Bypass keeps the gain code, so clearing it restores the same gain.
    void setBypassed(bool on);
    void setGainCode(int code);  // 0..127 fits; the editor uses 0..60

    static BandRecord readFrom(const PresetImage& preset, std::size_t offset);
    void writeTo(PresetImage& preset, std::size_t offset) const;
    // The five bytes as command 5 carries them: byte 0, 4, 1, 2, 3.
    std::array<std::uint8_t, 5> commandBytes() const;

    bool operator==(const BandRecord&) const = default;
};

struct CrossoverRecord {
    std::uint8_t slope = 0;
    std::uint16_t frequency = 0;

    static CrossoverRecord readFrom(const PresetImage& preset, std::size_t offset);
    void writeTo(PresetImage& preset, std::size_t offset) const;

    bool operator==(const CrossoverRecord&) const = default;
};

// Crossover filter n = 0..3: output n/2, odd n = low-pass.
std::size_t CrossoverOffset(int n);

// ---- Editor band index 0..83 ----
//  0..3 input L, 4..7 input R: block A (4 bands) while the input's bit of
//        PI 28 is clear, block B (3 bands; index 3 / 7 has no band) when set
//  8..37 output 1, 38..67 output 2: the 30-band output EQ
//  68..83 the masking channel "SM"

enum class BandBlock : std::uint8_t { InputA, InputB, Output, Masking };

// Where a band lives and how command 5 addresses it.
struct BandLocation {
    BandBlock block;
    std::size_t offset;          // record offset of the BandRecord
    std::uint8_t channel;        // p1: input 0/1, output code 2/3, or index/4 (17..20) for "SM"
    std::uint8_t band;           // p2: band within its block
    std::uint8_t blockSelector;  // p3: 1 = input block B, else 0
    // Block A has no command 5: it reaches the device as a memory write (Senders).
    bool sentWithCommand5() const { return block != BandBlock::InputA; }
};

inline constexpr int kFirstOutputBand = 8;
inline constexpr int kFirstMaskingBand = 68;

// Is input 0/1 showing band block B (its bit of PI 28 set)?
bool InputUsesBlockB(const PresetImage& preset, int input);
// 4 in block A, 3 in block B.
int InputBandCount(const PresetImage& preset, int input);

// nullopt only for the fourth band of an input in block B. A band index
// outside 0..83 is a programming error.
std::optional<BandLocation> LocateBand(std::uint8_t channelModeMask, int bandIndex);
std::optional<BandLocation> LocateBand(const PresetImage& preset, int bandIndex);
std::optional<std::size_t> BandRecordOffset(const PresetImage& preset, int bandIndex);

// ---- Other groups ----

DelayCounts ReadDelay(const PresetImage& preset, int output);
void WriteDelay(PresetImage& preset, int output, DelayCounts counts);

RoutingState ReadRouting(const PresetImage& preset, int output);
void WriteRouting(PresetImage& preset, int output, RoutingState state);

// FIR tap count of an output: 256 * PI 451+o + PI 453+o.
int FirTapCount(const PresetImage& preset, int output);
void SetFirTapCount(PresetImage& preset, int output, int taps);

// ---- Texts ----

// ANSI characters with leading and trailing blanks (and NULs) removed.
std::string TrimmedText(std::string_view raw);
// A text field as the device stores it (Windows-1252, blank padded) as
// UTF-8, trimmed at both ends.
std::string DeviceText(std::span<const std::uint8_t> raw);
// UTF-8 as the device stores it, one byte per character; a character
// Windows-1252 does not have becomes '?'.
std::string DeviceBytes(std::string_view utf8);
// Can every character of `utf8` be stored on the device?
bool StorableText(std::string_view utf8);

// The name texts below are UTF-8 in the program and Windows-1252 in the
// records: the getters decode, the setters encode (DeviceBytes).

// Preset name, PI 0..15.
std::string PresetName(const PresetImage& preset);
// Truncated or blank-padded to 16 characters.
void SetPresetName(PresetImage& preset, std::string_view name);
// FIR name of an output (16 characters interleaved in record order).
std::string FirName(const PresetImage& preset, int output);
void SetFirName(PresetImage& preset, int output, std::string_view name);
// Device name, DS 5..20.
std::string DeviceName(const DeviceSettings& settings);
void SetDeviceName(DeviceSettings& settings, std::string_view name);

// "major.minor.patch" from bytes 1, 2, 3: the version the connection
// checks (2.1.0 reads "2.1.0").
std::string FirmwareVersionText(const DeviceSettings& settings);
// Preset slot the device runs, from 0 (bits 0..6 of DS 204).
int LoadedPresetSlot(const DeviceSettings& settings);

}  // namespace zef
