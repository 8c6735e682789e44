#pragma once
// Legal values of everything the editor writes into an amplifier.
//
// A project, a preset file, an imported FIR or a model filled from a device
// read is checked here before any byte of it goes to a device. Each field is
// held against the codes the device defines for it: band types 0..7,
// frequencies 20..20000 Hz, Q codes 0..100, band gain codes 0..60 (bit 7 is
// the bypass), crossover slopes 0..8, the four routing byte pairs, gain,
// gate, compressor, limiter and delay codes within their tables, two-channel
// masks 0..3, the limiter threshold within the cap of the output's load
// impedance, FIR tap counts 1..384 and tap words of 24 bits. Bytes the
// editor only copies (names, network settings, reserved blocks, identity)
// stay free, and so do fields whose every value means something ("nonzero =
// on" flags such as the EQ mode and bridge bytes).
//
// Only the settings the editor writes (DS 205..217) are checked: the rest
// of DeviceSettings is the device's own and never written by a load.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "model/device_model.h"
#include "model/fir_image.h"
#include "model/parameters.h"

namespace zef {

// The first field that holds an illegal value.
struct Violation {
    std::string record;  // "preset", "settings" or "output 1 FIR"
    std::size_t offset;  // record offset (preset, settings) or tap index (FIR)
    std::string field;   // "output 1 band 1 type"
    std::uint32_t value;
    std::string legal;  // "0..7", "(30,30) (30,158) (152,152) (158,30)"

    // "preset byte 118 (output 1 band 1 type) is 9; legal 0..7"
    std::string Text() const;
};

// PresetImage (record order). `settings` supplies the bridge flag and load
// impedances that cap the limiter thresholds.
std::optional<Violation> ValidatePreset(const PresetImage& preset, const DeviceSettings& settings);

// The settings bytes a load writes (DS 205..217).
std::optional<Violation> ValidateSettings(const DeviceSettings& settings);

// An output's (0..1) tap words and the tap count the preset gives it
// (PI 451..454).
std::optional<Violation> ValidateFir(const FirTapWords& taps, int output);
std::optional<Violation> ValidateTapCount(const PresetImage& preset, int output);

// Everything a whole-device load writes: settings, preset and both FIRs, in
// that order.
std::optional<Violation> ValidateDeviceModel(const DeviceModel& device);

// Everything a preset-file load writes: the preset and both FIRs (the
// device's current settings cap the limiters).
std::optional<Violation> ValidatePresetAndFirs(const DeviceModel& device);

// The illegal value the device's records hold for one parameter, if any: a
// field above whose bytes include one the parameter is kept in (a byte that
// differs between the parameter set to its lowest and to its highest value).
// The editor values show such a byte as the nearest legal value; this tells it.
std::optional<Violation> IllegalValueOf(const DeviceModel& device, const Parameter& parameter);

}  // namespace zef
