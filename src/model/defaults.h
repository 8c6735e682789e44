#pragma once
// The state a device slot starts from when it is added to the list before it
// was ever read: a neutral, transparent program.
//
// PresetImage:
//   name blank; input and output gains 0 dB; nothing muted or inverted;
//   noise gates off at -80 dB, time A 10, time B 100; inputs on band block A;
//   EQ bypass off; every EQ band a flat Bell (0 dB, Q 1.0, not bypassed) at
//     input block A 125, 500, 2000, 8000 Hz; input block B 250, 1000, 4000 Hz;
//     output EQ the 30 third-octave centres 25 Hz .. 20 kHz;
//     "SM" every other third-octave centre from 25 Hz, then 20 kHz;
//   output 1 fed by input L, output 2 by input R;
//   crossovers bypassed, high-pass at 20 Hz, low-pass at 20000 Hz;
//   30-band output EQ mode; FIR not bypassed, names blank, 384 taps;
//   dynamic filter off; delay 0 and not bypassed;
//   compressors off: level 0 dB, 4:1, value 50, time A 1.0, time B 100, gain 0 dB, automatics off;
//   limiters off: threshold 50 (code 0), time A 0.5, time B 100;
//   masking off: no channels, type 0, level -80 dB; copied-only bytes zero.
// DeviceSettings: zero except the device name "ZEF-4.260" (milliseconds,
//   running, not bridged, impedance code 0, preset slot 0).
// FIR taps: a unit impulse per output (tap 0 = 0x200000, the rest 0).
// FIR-wizard EQ target: leading 0, section codes 0, frequencies 125, 250, 500,
//   1000, 2000, 4000, 8000, 10000, 16000, 20000 Hz, Q 1.0, gain 0 dB, flag 1.
// Slot state: output 1 selected, nothing linked, firmware not checked, no alert.
// The read tables get the same records, and EditorValues is loaded from them.

#include <cstdint>

#include "model/device_model.h"

namespace zef {

inline constexpr std::uint32_t kUnitTap = 0x200000;  // 1.0 in 24-bit words with 21 fraction bits

EqTargetRecord DefaultEqTarget();
// The default program alone (the PresetImage described above).
PresetImage DefaultPreset();
DeviceSettings DefaultSettings();
// Resets everything a slot holds to the defaults above.
void ResetToDefaults(DeviceModel& device);

}  // namespace zef
