#pragma once
// Realistic running programs for demonstrations, screenshots and
// measurements, so that curves, meters and read-outs are not flat.
//
//   MainSystem  a two-way system: output 1 the tops (high-pass 110 Hz), output 2
//               a subwoofer (low-pass 110 Hz), a few input EQ bands, a cut
//               on each output, a limiter on output 1, output 2 delayed by
//               4.5 ms, a masking curve on the "SM" channel; named "Main PA"
//   DelayTower  a fill speaker: both outputs high-passed at 80 Hz, delayed
//               by 28 ms, a presence cut; named "Delay 28ms"

#include "model/device_model.h"

namespace zef {

enum class DemoProgram { MainSystem, DelayTower };

// Writes the program into the device's preset record and editor values
// (both stay consistent); device settings are left alone.
void ApplyDemoProgram(DeviceModel& device, DemoProgram program);

}  // namespace zef
